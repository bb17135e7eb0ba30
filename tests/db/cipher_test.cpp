#include "db/uDesencriptarClave.h"

#include <string>

#include <gtest/gtest.h>

#include "base/codepage.h"
#include "password-cipher/password_encipher.h"

namespace hotfix {
namespace {

using password_cipher::BitsDelModulo;
using password_cipher::EncriptarClave;
using password_cipher::CifrarDigitos;
using password_cipher::GuardarDigitosCifrados;

std::string EncriptarDigitos(std::string_view digitos) {
  return GuardarDigitosCifrados(CifrarDigitos(digitos));
}

// A password of `length` Windows-1252 bytes starting at `first`, as UTF-8.
std::string Clave(size_t length, unsigned first) {
  std::string bytes;
  for (size_t i = 0; i < length; ++i) bytes.push_back(static_cast<char>((first + i * 7) % 256));
  return Cp1252ToUtf8(bytes);
}

TEST(DesencriptarClaveTest, GivesBackPasswordsOfEveryLengthUpTo64) {
  for (size_t length = 0; length <= 64; ++length) {
    const std::string clave = Clave(length, static_cast<unsigned>(length * 31));
    EXPECT_EQ(DesencriptarClave(EncriptarClave(clave)), clave) << "length " << length;
  }
}

TEST(DesencriptarClaveTest, GivesBackEveryByteValueAtEveryPlace) {
  for (unsigned byte = 0; byte < 256; ++byte) {
    const std::string alone = Cp1252ToUtf8(std::string(1, static_cast<char>(byte)));
    const std::string inside = Cp1252ToUtf8("x" + std::string(3, static_cast<char>(byte)) + "y");
    EXPECT_EQ(DesencriptarClave(EncriptarClave(alone)), alone) << "byte " << byte;
    EXPECT_EQ(DesencriptarClave(EncriptarClave(inside)), inside) << "byte " << byte;
  }
  const std::string all_zero(20, '\0');
  EXPECT_EQ(DesencriptarClave(EncriptarClave(all_zero)), all_zero);
}

TEST(DesencriptarClaveTest, StoredTextHoldsNoNulCharacter) {
  for (size_t length = 0; length <= 64; ++length) {
    EXPECT_EQ(Utf8ToCp1252(EncriptarClave(Clave(length, 0))).find('\0'), std::string::npos);
  }
}

TEST(DesencriptarClaveTest, EmptyOrZeroStoredValuesGiveEmptyPassword) {
  EXPECT_EQ(DesencriptarClave(""), "");
  for (size_t length : {1, 2, 37, 38, 80, 200}) {
    EXPECT_EQ(DesencriptarClave(std::string(length, '\0')), "") << "length " << length;
  }
}

TEST(DesencriptarClaveTest, DigitsWithoutMarkerGiveEmptyPassword) {
  for (const char* digitos : {"1", "11", "101", "110110110", "1101101101101101101101101"}) {
    EXPECT_EQ(DesencriptarClave(EncriptarDigitos(digitos)), "") << digitos;
  }
}

TEST(DesencriptarClaveTest, PasswordStartsAfterTheFirstMarker) {
  // "A" is 01000001; whatever comes before the first "111" is dropped.
  EXPECT_EQ(DesencriptarClave(EncriptarDigitos("1011001110100000101000010")), "AB");
  // A lone "111" is the empty password.
  EXPECT_EQ(DesencriptarClave(EncriptarDigitos("111")), "");
  // Digits after the marker that are not whole bytes are padded on the left.
  EXPECT_EQ(DesencriptarClave(EncriptarDigitos("1111000001")), "A");
}

TEST(DesencriptarClaveTest, AllZeroBlockGivesOneBlockOfZeroDigits) {
  // The block of "111" + "A", then a block of zeros, which deciphers to k - 1
  // zero digits after the password's bits.
  const size_t k = BitsDelModulo();
  const std::string bloque = CifrarDigitos("11101000001");
  ASSERT_EQ(bloque.size(), k);
  std::string digitos = "01000001" + std::string(k - 1, '0');
  digitos.insert(0, (8 - digitos.size() % 8) % 8, '0');
  std::string esperado;
  for (size_t i = 0; i < digitos.size(); i += 8) {
    esperado.push_back(static_cast<char>(std::stoi(digitos.substr(i, 8), nullptr, 2)));
  }
  EXPECT_EQ(DesencriptarClave(GuardarDigitosCifrados(bloque + std::string(k, '0'))),
            Cp1252ToUtf8(esperado));
}

TEST(DesencriptarClaveTest, CharactersOutsideTheAnsiCodePageDoNotBreakIt) {
  EXPECT_NO_THROW(DesencriptarClave("中文 \xFF garbage"));
  const std::string clave = "Contraseña€";
  EXPECT_EQ(DesencriptarClave(EncriptarClave(clave)), clave);
}

}  // namespace
}  // namespace hotfix
