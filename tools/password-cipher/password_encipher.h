#pragma once

#include <string>
#include <string_view>

namespace hotfix::password_cipher {

// The enciphering side of DesencriptarClave (src/db/uDesencriptarClave.h),
// for tests and for building sandbox machines whose key dictionaries hold
// enciphered passwords. The product never enciphers.
//
// Texts are UTF-8 whose characters stand for one Windows-1252 byte each.
// The stored text never holds a NUL character, so it survives any text
// column.

// The stored form of a clear password.
std::string EncriptarClave(std::string_view clave);

// Enciphers any binary-digit text (most significant first) into blocks of
// BitsDelModulo() digits; deciphering gives the digits back, preceded by
// zeros up to whole blocks of BitsDelModulo() - 1 digits. A password's
// digits are "111" followed by its bits; other digits let tests build stored
// values without that marker.
std::string CifrarDigitos(std::string_view digitos);

// The stored form of enciphered digits (whole blocks, the first one not all
// zeros).
std::string GuardarDigitosCifrados(std::string_view cifrados);

// Binary digits of the modulus: the size of an enciphered block.
size_t BitsDelModulo();

}  // namespace hotfix::password_cipher
