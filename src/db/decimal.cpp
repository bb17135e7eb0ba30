#include "db/decimal.h"

#include <algorithm>
#include <charconv>

namespace hotfix {
namespace {

__extension__ typedef unsigned __int128 U128;

U128 Combine(uint64_t high, uint64_t low) { return (static_cast<U128>(high) << 64) | low; }

std::string DigitsOf(U128 value) {
  if (value == 0) return "0";
  std::string digits;
  while (value != 0) {
    digits.push_back(static_cast<char>('0' + static_cast<int>(value % 10)));
    value /= 10;
  }
  std::reverse(digits.begin(), digits.end());
  return digits;
}

// Digits of the number with `scale` decimals, as a string of at least scale+1 digits.
std::string PaddedDigits(const Decimal& d, int scale) {
  std::string digits = d.MantissaDigits();
  digits.append(static_cast<size_t>(scale - d.scale()), '0');
  return digits;
}

int CompareMagnitude(const Decimal& a, const Decimal& b) {
  const int scale = std::max(a.scale(), b.scale());
  std::string x = PaddedDigits(a, scale);
  std::string y = PaddedDigits(b, scale);
  const auto strip = [](std::string& s) {
    const size_t first = s.find_first_not_of('0');
    s.erase(0, first == std::string::npos ? s.size() : first);
  };
  strip(x);
  strip(y);
  if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);
}

}  // namespace

Decimal::Decimal(bool negative, uint64_t mantissa_high, uint64_t mantissa_low, int scale)
    : negative_(negative && (mantissa_high != 0 || mantissa_low != 0)),
      high_(mantissa_high),
      low_(mantissa_low),
      scale_(std::clamp(scale, 0, kMaxScale)) {}

Decimal Decimal::FromInteger(long long value) {
  const bool negative = value < 0;
  const uint64_t magnitude =
      negative ? static_cast<uint64_t>(-(value + 1)) + 1 : static_cast<uint64_t>(value);
  return Decimal(negative, 0, magnitude, 0);
}

std::optional<Decimal> Decimal::Parse(std::string_view text) {
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
    negative = text[pos] == '-';
    ++pos;
  }
  U128 mantissa = 0;
  int scale = 0;
  bool any_digit = false;
  bool after_point = false;
  const U128 limit = ~static_cast<U128>(0) / 10;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '.' && !after_point) {
      after_point = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    any_digit = true;
    if (mantissa > limit) return std::nullopt;
    const U128 next = mantissa * 10 + static_cast<U128>(c - '0');
    if (next < mantissa * 10) return std::nullopt;
    mantissa = next;
    if (after_point) {
      if (scale == kMaxScale) return std::nullopt;
      ++scale;
    }
  }
  if (!any_digit) return std::nullopt;
  return Decimal(negative, static_cast<uint64_t>(mantissa >> 64), static_cast<uint64_t>(mantissa),
                 scale);
}

std::string Decimal::MantissaDigits() const { return DigitsOf(Combine(high_, low_)); }

std::string Decimal::ToString() const {
  std::string digits = MantissaDigits();
  if (scale_ > 0) {
    if (digits.size() <= static_cast<size_t>(scale_)) {
      digits.insert(0, static_cast<size_t>(scale_) + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - static_cast<size_t>(scale_), 1, '.');
  }
  return negative_ ? "-" + digits : digits;
}

double Decimal::ToDouble() const {
  // Through the text, so the nearest double is chosen (and no locale is involved).
  const std::string text = ToString();
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::optional<Decimal> Decimal::Rescaled(int scale) const {
  if (scale < 0 || scale > kMaxScale) return std::nullopt;
  U128 mantissa = Combine(high_, low_);
  for (int s = scale_; s < scale; ++s) {
    if (mantissa > ~static_cast<U128>(0) / 10) return std::nullopt;
    mantissa *= 10;
  }
  for (int s = scale_; s > scale; --s) {
    if (mantissa % 10 != 0) return std::nullopt;
    mantissa /= 10;
  }
  return Decimal(negative_, static_cast<uint64_t>(mantissa >> 64), static_cast<uint64_t>(mantissa),
                 scale);
}

int Compare(const Decimal& a, const Decimal& b) {
  if (a.negative_ != b.negative_) return a.negative_ ? -1 : 1;
  const int magnitude = CompareMagnitude(a, b);
  return a.negative_ ? -magnitude : magnitude;
}

}  // namespace hotfix
