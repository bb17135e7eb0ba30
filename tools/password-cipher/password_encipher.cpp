#include "password-cipher/password_encipher.h"

#include "base/codepage.h"
#include "db/big_integer.h"

namespace hotfix::password_cipher {
namespace {

// The public half of the key pair generate_key_pair.cpp made; the product
// holds the modulus and the deciphering exponent.
constexpr std::string_view kModulo =
    "27279497790563058287879575407494740494864926383447516245974594904329170327865597883453433";
constexpr std::string_view kExponentePublico = "65537";

void RellenarConCeros(std::string& digitos, size_t multiplo) {
  const size_t resto = digitos.size() % multiplo;
  if (resto != 0) digitos.insert(0, multiplo - resto, '0');
}

}  // namespace

size_t BitsDelModulo() { return BigInteger::FromDecimal(kModulo).BitLength(); }

std::string GuardarDigitosCifrados(std::string_view cifrados) {
  // The reader drops leading zeros and every seventh digit, then pads with
  // zeros up to whole blocks again. A '1' at each seventh place also keeps
  // every byte of the result from being zero.
  const size_t primero = cifrados.find('1');
  const std::string_view significativos =
      primero == std::string_view::npos ? std::string_view() : cifrados.substr(primero);
  std::string guardados;
  for (size_t i = 0; i < significativos.size(); ++i) {
    guardados.push_back(significativos[i]);
    if ((i + 1) % 6 == 0) guardados.push_back('1');
  }
  RellenarConCeros(guardados, 8);
  std::string bytes;
  for (size_t i = 0; i < guardados.size(); i += 8) {
    unsigned byte = 0;
    for (size_t j = 0; j < 8; ++j) byte = (byte << 1) | (guardados[i + j] == '1' ? 1u : 0u);
    bytes.push_back(static_cast<char>(byte));
  }
  return Cp1252ToUtf8(bytes);
}

std::string CifrarDigitos(std::string_view digitos) {
  const BigInteger modulo = BigInteger::FromDecimal(kModulo);
  const BigInteger exponente = BigInteger::FromDecimal(kExponentePublico);
  const size_t k = modulo.BitLength();

  // Blocks of k - 1 digits are below the modulus, whatever they hold.
  std::string claros(digitos);
  RellenarConCeros(claros, k - 1);
  std::string cifrados;
  for (size_t inicio = 0; inicio < claros.size(); inicio += k - 1) {
    const BigInteger bloque = BigInteger::FromBinary(std::string_view(claros).substr(inicio, k - 1));
    std::string digitos_bloque = bloque.PowMod(exponente, modulo).ToBinary();
    RellenarConCeros(digitos_bloque, k);
    cifrados += digitos_bloque;
  }
  return cifrados;
}

std::string EncriptarClave(std::string_view clave) {
  std::string digitos = "111";
  for (char c : Utf8ToCp1252(clave)) {
    const auto byte = static_cast<unsigned char>(c);
    for (int bit = 7; bit >= 0; --bit) digitos.push_back(((byte >> bit) & 1) != 0 ? '1' : '0');
  }
  return GuardarDigitosCifrados(CifrarDigitos(digitos));
}

}  // namespace hotfix::password_cipher
