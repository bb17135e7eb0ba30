// Generates a fresh key pair for the stored-password cipher and prints the
// constants of both sides. It was run once; its output is what
// src/db/uDesencriptarClave.cpp (the deciphering side, in the product) and
// password_encipher.cpp (the enciphering side, test and sandbox tooling)
// carry. Running it again gives a different pair, and every password stored
// with the old one would have to be stored again.
//
// The deciphering side keeps two digit texts:
//   - the modulus text, 91 decimal digits: its first digit d says how many
//     filler digits follow it, and the remaining 90 - d digits are the
//     modulus N;
//   - the exponent text, 89 decimal digits: the deciphering exponent E.
// The enciphering side keeps N and the public exponent e = 65537.
//
// N = p q with p and q primes of about half its size, chosen so that N has
// exactly 90 - d digits. E is the inverse of e modulo lcm(p - 1, q - 1),
// plus as many times that modulus as it takes to give it 89 digits (any such
// E deciphers the same, since N has no square factor).

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <string>

#include <gcrypt.h>

#include "db/big_integer.h"

namespace {

using hotfix::BigInteger;

unsigned RandomBelow(unsigned limit) {
  unsigned char byte = 0;
  do {
    gcry_randomize(&byte, 1, GCRY_STRONG_RANDOM);
  } while (byte >= 256 - 256 % limit);
  return byte % limit;
}

BigInteger Prime(unsigned bits) {
  BigInteger prime;
  gcry_mpi_t generated = nullptr;
  if (gcry_prime_generate(&generated, bits, 0, nullptr, nullptr, nullptr, GCRY_STRONG_RANDOM,
                          GCRY_PRIME_FLAG_SECRET) != 0) {
    std::fprintf(stderr, "prime generation failed\n");
    std::exit(1);
  }
  gcry_mpi_set(prime.get(), generated);
  gcry_mpi_release(generated);
  return prime;
}

BigInteger PowerOfTen(unsigned exponent) {
  return BigInteger::FromDecimal("1" + std::string(exponent, '0'));
}

}  // namespace

int main() {
  hotfix::EnsureGcryptInitialized();

  const unsigned filler = 1 + RandomBelow(9);
  const unsigned modulus_digits = 90 - filler;
  const unsigned prime_bits =
      static_cast<unsigned>(std::ceil((modulus_digits - 0.5) * std::log2(10.0) / 2));
  const BigInteger e = BigInteger::FromDecimal("65537");
  const BigInteger lowest_e = PowerOfTen(88);
  const BigInteger beyond_e = PowerOfTen(89);

  while (true) {
    const BigInteger p = Prime(prime_bits);
    const BigInteger q = Prime(prime_bits);
    if (gcry_mpi_cmp(p.get(), q.get()) == 0) continue;
    BigInteger n;
    gcry_mpi_mul(n.get(), p.get(), q.get());
    if (n.ToDecimal().size() != modulus_digits) continue;

    BigInteger p1;
    BigInteger q1;
    gcry_mpi_sub_ui(p1.get(), p.get(), 1);
    gcry_mpi_sub_ui(q1.get(), q.get(), 1);
    BigInteger gcd;
    gcry_mpi_gcd(gcd.get(), p1.get(), q1.get());
    BigInteger lambda;
    BigInteger unused;
    gcry_mpi_mul(lambda.get(), p1.get(), q1.get());
    gcry_mpi_div(lambda.get(), unused.get(), lambda.get(), gcd.get(), 0);

    BigInteger d;
    if (!gcry_mpi_invm(d.get(), e.get(), lambda.get())) continue;
    while (gcry_mpi_cmp(d.get(), lowest_e.get()) < 0) gcry_mpi_add(d.get(), d.get(), lambda.get());
    if (gcry_mpi_cmp(d.get(), beyond_e.get()) >= 0) continue;

    // Check the pair on a few numbers before printing it.
    bool sound = true;
    for (const char* sample : {"0", "1", "2", "123456789012345678901234567890", "65535"}) {
      const BigInteger m = BigInteger::FromDecimal(sample);
      if (m.PowMod(e, n).PowMod(d, n).ToDecimal() != m.ToDecimal()) sound = false;
    }
    if (!sound) continue;

    std::string modulus_text = std::to_string(filler);
    for (unsigned i = 0; i < filler; ++i) modulus_text += static_cast<char>('0' + RandomBelow(10));
    modulus_text += n.ToDecimal();

    std::printf("deciphering side (product):\n");
    std::printf("  modulus text  (%zu digits): %s\n", modulus_text.size(), modulus_text.c_str());
    std::printf("  exponent text (%zu digits): %s\n", d.ToDecimal().size(), d.ToDecimal().c_str());
    std::printf("enciphering side (tooling):\n");
    std::printf("  modulus N (%u bits): %s\n", n.BitLength(), n.ToDecimal().c_str());
    std::printf("  public exponent e: %s\n", e.ToDecimal().c_str());
    return 0;
  }
}
