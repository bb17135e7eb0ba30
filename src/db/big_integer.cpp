#include "db/big_integer.h"

#include <mutex>

#include <gcrypt.h>

namespace hotfix {

void EnsureGcryptInitialized() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P) != 0) return;
    gcry_check_version(nullptr);
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  });
}

BigInteger::BigInteger() {
  EnsureGcryptInitialized();
  value_ = gcry_mpi_new(0);
}

BigInteger::~BigInteger() { gcry_mpi_release(value_); }

BigInteger::BigInteger(const BigInteger& other) : value_(gcry_mpi_copy(other.value_)) {}

BigInteger& BigInteger::operator=(const BigInteger& other) {
  if (this != &other) gcry_mpi_set(value_, other.value_);
  return *this;
}

BigInteger BigInteger::FromDecimal(std::string_view digits) {
  BigInteger number;
  for (char c : digits) {
    gcry_mpi_mul_ui(number.value_, number.value_, 10);
    gcry_mpi_add_ui(number.value_, number.value_, static_cast<unsigned long>(c - '0'));
  }
  return number;
}

BigInteger BigInteger::FromBinary(std::string_view digits) {
  BigInteger number;
  const size_t count = digits.size();
  for (size_t i = 0; i < count; ++i) {
    if (digits[i] == '1') gcry_mpi_set_bit(number.value_, static_cast<unsigned>(count - 1 - i));
  }
  return number;
}

std::string BigInteger::ToDecimal() const {
  // Nine digits at a time, least significant group first.
  constexpr unsigned kGroup = 1000000000;
  BigInteger rest(*this);
  BigInteger divisor;
  gcry_mpi_set_ui(divisor.value_, kGroup);
  BigInteger quotient;
  BigInteger remainder;
  std::string reversed;
  do {
    gcry_mpi_div(quotient.value_, remainder.value_, rest.value_, divisor.value_, 0);
    gcry_mpi_swap(rest.value_, quotient.value_);
    unsigned int group = 0;
    gcry_mpi_get_ui(&group, remainder.value_);
    const bool last = gcry_mpi_cmp_ui(rest.value_, 0) == 0;
    for (int i = 0; i < 9 && (!last || group != 0 || i == 0); ++i) {
      reversed.push_back(static_cast<char>('0' + group % 10));
      group /= 10;
    }
  } while (gcry_mpi_cmp_ui(rest.value_, 0) != 0);
  return std::string(reversed.rbegin(), reversed.rend());
}

std::string BigInteger::ToBinary() const {
  const unsigned bits = BitLength();
  if (bits == 0) return "0";
  std::string digits(bits, '0');
  for (unsigned i = 0; i < bits; ++i) {
    if (gcry_mpi_test_bit(value_, bits - 1 - i)) digits[i] = '1';
  }
  return digits;
}

unsigned BigInteger::BitLength() const { return gcry_mpi_get_nbits(value_); }

BigInteger BigInteger::PowMod(const BigInteger& exponent, const BigInteger& modulus) const {
  BigInteger result;
  gcry_mpi_powm(result.value_, value_, exponent.value_, modulus.value_);
  return result;
}

}  // namespace hotfix
