#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hotfix {

// An exact decimal number: a sign, an unsigned mantissa of up to 128 bits
// and a scale (the number of digits right of the point), as the database's
// decimal and numeric columns hold them.
class Decimal {
 public:
  static constexpr int kMaxScale = 255;

  Decimal() = default;
  // mantissa * 10^-scale, negative when `negative` (a zero is never negative).
  Decimal(bool negative, uint64_t mantissa_high, uint64_t mantissa_low, int scale);
  static Decimal FromInteger(long long value);

  // "-123.4500": optional sign, digits, optional point and digits. The scale
  // is the number of digits after the point. Nothing when the text is not
  // such a number or does not fit in 128 bits.
  static std::optional<Decimal> Parse(std::string_view text);

  bool negative() const { return negative_; }
  uint64_t mantissa_high() const { return high_; }
  uint64_t mantissa_low() const { return low_; }
  int scale() const { return scale_; }
  bool IsZero() const { return high_ == 0 && low_ == 0; }

  // The digits of the mantissa, without leading zeros ("0" for zero).
  std::string MantissaDigits() const;
  // "-123.4500", with as many decimals as the scale.
  std::string ToString() const;
  double ToDouble() const;

  // The same number with another scale; nothing when it would not fit or
  // digits would be lost.
  std::optional<Decimal> Rescaled(int scale) const;

  // Numeric comparison, whatever the scales: negative, zero or positive.
  friend int Compare(const Decimal& a, const Decimal& b);
  friend bool operator==(const Decimal& a, const Decimal& b) { return Compare(a, b) == 0; }

 private:
  bool negative_ = false;
  uint64_t high_ = 0;
  uint64_t low_ = 0;
  int scale_ = 0;
};

}  // namespace hotfix
