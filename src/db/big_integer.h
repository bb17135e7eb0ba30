#pragma once

#include <string>
#include <string_view>

struct gcry_mpi;

namespace hotfix {

// An arbitrary-precision unsigned integer (libgcrypt's), with the operations
// the stored-password cipher works with.
class BigInteger {
 public:
  BigInteger();  // zero
  ~BigInteger();
  BigInteger(const BigInteger& other);
  BigInteger& operator=(const BigInteger& other);

  // Digits '0' to '9', most significant first; the empty text is zero.
  static BigInteger FromDecimal(std::string_view digits);
  // Digits '0' and '1', most significant first; the empty text is zero.
  static BigInteger FromBinary(std::string_view digits);

  std::string ToDecimal() const;
  // Without leading zeros; "0" for zero.
  std::string ToBinary() const;
  // Number of binary digits without leading zeros; 0 for zero.
  unsigned BitLength() const;

  // This number raised to `exponent`, modulo `modulus` (which is not zero).
  BigInteger PowMod(const BigInteger& exponent, const BigInteger& modulus) const;

  // The libgcrypt number, for callers that need more of the library.
  gcry_mpi* get() const { return value_; }

 private:
  gcry_mpi* value_;
};

// Makes libgcrypt ready for use; safe to call any number of times.
void EnsureGcryptInitialized();

}  // namespace hotfix
