#include "Currency.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "Error.h"
#include "Text.h"

namespace kovrin {

namespace detail {

// value = 0.digits... scaled: digits "12345" with exponent e means 12345 * 10^(e).
bool roundDecimalToScaled(bool negative, std::string_view digits, int exponent, int places, int64_t& out) {
    // Shift so that the integer we want is digits * 10^(exponent + places).
    int shift = exponent + places;
    std::string_view keep = digits;
    std::string_view dropped;
    if (shift < 0) {
        std::size_t cut = static_cast<std::size_t>(-shift) >= digits.size() ? 0 : digits.size() - static_cast<std::size_t>(-shift);
        keep = digits.substr(0, cut);
        dropped = digits.substr(cut);
        // Digits that were "before" the kept ones and are implicit zeros still count as dropped zeros.
        if (static_cast<std::size_t>(-shift) > digits.size()) {
            // The whole number is below half a unit unless... it is at most 0.0..0d: always below half.
            out = 0;
            return true;
        }
    }
    unsigned __int128 acc = 0;
    const unsigned __int128 limit = static_cast<unsigned __int128>(std::numeric_limits<int64_t>::max()) + 1;
    for (char c : keep) {
        acc = acc * 10 + static_cast<unsigned>(c - '0');
        if (acc > limit * 10) return false;
    }
    for (int i = 0; i < shift; ++i) {
        acc *= 10;
        if (acc > limit * 10) return false;
    }
    if (!dropped.empty()) {
        char first = dropped.front();
        bool restNonZero = dropped.find_first_not_of('0', 1) != std::string_view::npos;
        bool roundUp = first > '5' || (first == '5' && (restNonZero || (acc & 1)));
        if (roundUp) ++acc;
    }
    if (acc > limit || (!negative && acc == limit)) return false;
    out = negative ? static_cast<int64_t>(-static_cast<__int128>(acc)) : static_cast<int64_t>(acc);
    return true;
}

}  // namespace detail

namespace {

// Splits plain decimal text ("-12.34", "1.5E-3") into sign, digits and exponent. False if not a number.
bool splitDecimal(std::string_view text, bool& negative, std::string& digits, int& exponent) {
    std::string t = text::trim(text);
    std::string_view s = t;
    negative = false;
    digits.clear();
    exponent = 0;
    if (s.empty()) return false;
    if (s.front() == '+' || s.front() == '-') {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    bool sawDigit = false, sawPoint = false;
    int fraction = 0;
    std::size_t i = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c >= '0' && c <= '9') {
            sawDigit = true;
            digits += c;
            if (sawPoint) ++fraction;
        } else if (c == '.' && !sawPoint) {
            sawPoint = true;
        } else {
            break;
        }
    }
    if (!sawDigit) return false;
    if (i < s.size()) {
        if (s[i] != 'e' && s[i] != 'E') return false;
        ++i;
        int expSign = 1;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) expSign = s[i++] == '-' ? -1 : 1;
        if (i >= s.size()) return false;
        int e = 0;
        for (; i < s.size(); ++i) {
            if (s[i] < '0' || s[i] > '9') return false;
            if (e < 100000) e = e * 10 + (s[i] - '0');
        }
        exponent = expSign * e;
    }
    exponent -= fraction;
    // Strip leading zeros so the digit count stays small.
    std::size_t nz = digits.find_first_not_of('0');
    digits = nz == std::string::npos ? "0" : digits.substr(nz);
    return true;
}

}  // namespace

bool Currency::tryParse(std::string_view text, Currency& out) {
    bool negative;
    std::string digits;
    int exponent;
    if (!splitDecimal(text, negative, digits, exponent)) return false;
    int64_t scaled;
    if (!detail::roundDecimalToScaled(negative, digits, exponent, 4, scaled)) raiseError(err::Overflow);
    out = fromScaled(scaled);
    return true;
}

Currency Currency::parse(std::string_view text) {
    Currency c;
    if (!tryParse(text, c)) raiseError(err::TypeMismatch);
    return c;
}

Currency Currency::fromDouble(double value) {
    if (!std::isfinite(value)) raiseError(err::Overflow);
    // A value of at most four places (every stored amount) is that many ten-thousandths exactly:
    // below 1e11 a double's spacing is far under half a ten-thousandth, so the shortest text
    // below rounds to the same number.
    if (std::fabs(value) < 1e11) {
        const double scaled = std::nearbyint(value * Scale);
        if (scaled / Scale == value) return fromScaled(static_cast<int64_t>(scaled));
    }
    // The shortest text that reads back as the same double is what people wrote; round that.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    if (res.ec != std::errc()) raiseError(err::Overflow);
    Currency c;
    if (!tryParse(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)), c)) raiseError(err::Overflow);
    return c;
}

std::string Currency::toString() const {
    bool negative = scaled_ < 0;
    unsigned __int128 v = negative ? static_cast<unsigned __int128>(-static_cast<__int128>(scaled_))
                                   : static_cast<unsigned __int128>(scaled_);
    uint64_t whole = static_cast<uint64_t>(v / Scale);
    uint64_t frac = static_cast<uint64_t>(v % Scale);
    std::string out = negative ? "-" : "";
    out += std::to_string(whole);
    if (frac != 0) {
        std::string f = std::to_string(frac);
        f.insert(0, 4 - f.size(), '0');
        f.erase(f.find_last_not_of('0') + 1);
        out += "." + f;
    }
    return out;
}

Currency operator+(Currency a, Currency b) {
    int64_t r;
    if (__builtin_add_overflow(a.scaled_, b.scaled_, &r)) raiseError(err::Overflow);
    return Currency::fromScaled(r);
}

Currency operator-(Currency a, Currency b) {
    int64_t r;
    if (__builtin_sub_overflow(a.scaled_, b.scaled_, &r)) raiseError(err::Overflow);
    return Currency::fromScaled(r);
}

Currency Currency::operator-() const {
    if (scaled_ == std::numeric_limits<int64_t>::min()) raiseError(err::Overflow);
    return fromScaled(-scaled_);
}

}  // namespace kovrin
