// Money: a signed 64-bit integer counting ten-thousandths (four decimal places).
#pragma once

#include "Export.h"

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace kovrin {

class KOVRIN_API Currency {
public:
    static constexpr int64_t Scale = 10000;

    constexpr Currency() = default;
    // Whole units: Currency(5) is 5.0000.
    constexpr Currency(int32_t units) : scaled_(int64_t{units} * Scale) {}

    // Rounded to four places, halves to even, as the decimal text of the double reads
    // (2.00015 gives 2.0002). Outside the range: error 6 "Overflow".
    static Currency fromDouble(double value);
    static constexpr Currency fromScaled(int64_t scaled) {
        Currency c;
        c.scaled_ = scaled;
        return c;
    }
    // Plain decimal text ("-12.3456", "3.95", " 7 "); more than four decimals round half to even.
    // Not a number: error 13; outside the range: error 6.
    static Currency parse(std::string_view text);
    // Like parse, but answers false instead of raising for text that is not a number.
    static bool tryParse(std::string_view text, Currency& out);

    constexpr int64_t scaled() const { return scaled_; }
    double toDouble() const { return static_cast<double>(scaled_) / Scale; }

    // Plain decimal text, "." separator, no trailing zeros: 3.95, 4.8, 100, -0.5, 0.
    std::string toString() const;

    friend constexpr auto operator<=>(const Currency&, const Currency&) = default;
    friend KOVRIN_API Currency operator+(Currency a, Currency b);
    friend KOVRIN_API Currency operator-(Currency a, Currency b);
    Currency operator-() const;
    Currency& operator+=(Currency b) { return *this = *this + b; }
    Currency& operator-=(Currency b) { return *this = *this - b; }

private:
    int64_t scaled_ = 0;
};

// Rounds the decimal number given by its digits (no sign) and a decimal exponent to `places`
// decimals, halves to even. Used by Currency and by the numeric conversions.
namespace detail {
bool roundDecimalToScaled(bool negative, std::string_view digits, int exponent, int places, int64_t& out);
}

}  // namespace kovrin
