#include "db/uDesencriptarClave.h"

#include "base/codepage.h"
#include "db/big_integer.h"

namespace hotfix {
namespace {

// The key. The modulus text's first digit d says how many filler digits
// follow it; the modulus is the remaining 90 - d digits. The exponent text
// is the deciphering exponent.
constexpr std::string_view kTextoModulo =
    "1927279497790563058287879575407494740494864926383447516245974594904329170327865597883453433";
constexpr std::string_view kTextoExponente =
    "15175071348254534324140953669393407605189291684354928727380957941850243255323273424986261";

static_assert(kTextoModulo.size() == 91 && kTextoExponente.size() == 89);

BigInteger Modulo() {
  const size_t relleno = static_cast<size_t>(kTextoModulo[0] - '0');
  return BigInteger::FromDecimal(kTextoModulo.substr(relleno + 1));
}

std::string SinCerosIniciales(const std::string& digitos) {
  const size_t primero = digitos.find('1');
  return primero == std::string::npos ? std::string() : digitos.substr(primero);
}

void RellenarConCeros(std::string& digitos, size_t multiplo) {
  const size_t resto = digitos.size() % multiplo;
  if (resto != 0) digitos.insert(0, multiplo - resto, '0');
}

std::string DigitosDeBytes(std::string_view bytes) {
  std::string digitos;
  digitos.reserve(bytes.size() * 8);
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    for (int bit = 7; bit >= 0; --bit) digitos.push_back(((byte >> bit) & 1) != 0 ? '1' : '0');
  }
  return digitos;
}

// Drops the digits at positions 7, 14, 21, ... counting from 1.
std::string SinCadaSeptimo(const std::string& digitos) {
  std::string resultado;
  resultado.reserve(digitos.size());
  for (size_t i = 0; i < digitos.size(); ++i) {
    if ((i + 1) % 7 != 0) resultado.push_back(digitos[i]);
  }
  return resultado;
}

}  // namespace

std::string DesencriptarClave(std::string_view clave_guardada) {
  const BigInteger modulo = Modulo();
  const BigInteger exponente = BigInteger::FromDecimal(kTextoExponente);
  const size_t k = modulo.BitLength();

  std::string cifrados = DigitosDeBytes(Utf8ToCp1252(clave_guardada));
  cifrados = SinCerosIniciales(SinCadaSeptimo(SinCerosIniciales(cifrados)));
  RellenarConCeros(cifrados, k);

  std::string claros;
  for (size_t inicio = 0; inicio < cifrados.size(); inicio += k) {
    const BigInteger bloque = BigInteger::FromBinary(std::string_view(cifrados).substr(inicio, k));
    std::string digitos = bloque.PowMod(exponente, modulo).ToBinary();
    RellenarConCeros(digitos, k - 1);
    claros += digitos;
  }

  // The clear digits begin after the first "111"; without one there is no
  // password.
  const size_t marca = claros.find("111");
  std::string clave_digitos = marca == std::string::npos ? std::string() : claros.substr(marca + 3);
  RellenarConCeros(clave_digitos, 8);

  std::string bytes;
  bytes.reserve(clave_digitos.size() / 8);
  for (size_t i = 0; i < clave_digitos.size(); i += 8) {
    unsigned byte = 0;
    for (size_t j = 0; j < 8; ++j) byte = (byte << 1) | (clave_digitos[i + j] == '1' ? 1u : 0u);
    bytes.push_back(static_cast<char>(byte));
  }
  return Cp1252ToUtf8(bytes);
}

}  // namespace hotfix
