#include "Date.h"

#include <cmath>
#include <ctime>
#include <fmt/format.h>

#include "Error.h"
#include "Text.h"

namespace kovrin {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm), exact for any year.
constexpr long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

// Computed at compile time: other files' static dates are made before this file's statics.
constexpr long long Epoch = daysFromCivil(1899, 12, 30);

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

bool validFields(const CalendarTime& t) {
    return t.year >= 100 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= daysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

Date fromValidFields(const CalendarTime& t) {
    double days = static_cast<double>(daysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - Epoch);
    double time = (t.hour * 3600.0 + t.minute * 60.0 + t.second) / 86400.0;
    return Date(days < 0 ? days - time : days + time);
}

// Reads an unsigned number of 1 to maxDigits digits at s[i].
bool readNumber(std::string_view s, std::size_t& i, int maxDigits, int& out) {
    std::size_t start = i;
    out = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && static_cast<int>(i - start) < maxDigits) out = out * 10 + (s[i++] - '0');
    return i > start && !(i < s.size() && s[i] >= '0' && s[i] <= '9');
}

bool parseTime(std::string_view s, CalendarTime& t) {
    std::size_t i = 0;
    if (!readNumber(s, i, 2, t.hour) || i >= s.size() || s[i] != ':') return false;
    ++i;
    if (!readNumber(s, i, 2, t.minute)) return false;
    t.second = 0;
    if (i < s.size()) {
        if (s[i] != ':') return false;
        ++i;
        if (!readNumber(s, i, 2, t.second)) return false;
    }
    return i == s.size();
}

bool parseDate(std::string_view s, CalendarTime& t) {
    std::size_t i = 0;
    int a, b, c;
    if (!readNumber(s, i, 4, a) || i >= s.size()) return false;
    char sep = s[i];
    if (sep != '-' && sep != '/' && sep != '.') return false;
    ++i;
    if (!readNumber(s, i, 2, b) || i >= s.size() || s[i] != sep) return false;
    ++i;
    std::size_t yearStart = i;
    if (!readNumber(s, i, 4, c) || i != s.size()) return false;
    if (i - yearStart != 4 && a < 100) return false;  // two-digit years are not read
    if (a >= 100) {
        t.year = a, t.month = b, t.day = c;  // yyyy-mm-dd
    } else {
        t.day = a, t.month = b, t.year = c;  // dd/mm/yyyy, the short date of the regional settings
    }
    return true;
}

}  // namespace

Date Date::fromCalendar(const CalendarTime& t) {
    if (!validFields(t)) raiseError(err::InvalidCall);
    return fromValidFields(t);
}

Date Date::fromCalendar(int year, int month, int day, int hour, int minute, int second) {
    return fromCalendar(CalendarTime{year, month, day, hour, minute, second});
}

Date Date::now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return fromCalendar(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59));
}

Date Date::today() { return now().datePart(); }

bool Date::tryParse(std::string_view textIn, Date& out) {
    std::string trimmed = text::trim(textIn);
    std::string_view s = trimmed;
    if (s.empty()) return false;
    CalendarTime t;
    std::size_t blank = s.find(' ');
    bool ok;
    if (blank == std::string_view::npos) {
        ok = s.find(':') != std::string_view::npos ? parseTime(s, t) : parseDate(s, t);
    } else {
        std::string_view timePart = s.substr(s.find_first_not_of(' ', blank));
        ok = parseDate(s.substr(0, blank), t) && parseTime(timePart, t);
    }
    if (!ok || !validFields(t)) return false;
    out = fromValidFields(t);
    return true;
}

Date Date::parse(std::string_view text) {
    Date d;
    if (!tryParse(text, d)) raiseError(err::TypeMismatch);
    return d;
}

CalendarTime Date::toCalendar() const {
    // A serial outside the type's range (NaN and infinities included) has no calendar day; the
    // conversions below would overflow on it.
    if (!inRange(serial_)) raiseError(err::Overflow);
    double days = std::trunc(serial_);
    long long seconds = std::llround(std::fabs(serial_ - days) * 86400.0);
    long long day = static_cast<long long>(days);
    if (seconds >= 86400) {  // rounding reached the next midnight
        seconds -= 86400;
        ++day;
    }
    CalendarTime t;
    civilFromDays(day + Epoch, t.year, t.month, t.day);
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>(seconds / 60 % 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
}

Date Date::datePart() const {
    CalendarTime t = toCalendar();
    t.hour = t.minute = t.second = 0;
    return fromValidFields(t);
}

std::string Date::shortDate() const {
    CalendarTime t = toCalendar();
    return fmt::format("{:02}/{:02}/{:04}", t.day, t.month, t.year);
}

std::string Date::longTime() const {
    CalendarTime t = toCalendar();
    return fmt::format("{:02}:{:02}:{:02}", t.hour, t.minute, t.second);
}

std::string Date::generalDate() const {
    CalendarTime t = toCalendar();
    bool noTime = t.hour == 0 && t.minute == 0 && t.second == 0;
    bool noDate = t.year == 1899 && t.month == 12 && t.day == 30;
    if (noDate) return longTime();  // the zero date shows as its time, 00:00:00 included
    if (noTime) return shortDate();
    return shortDate() + " " + longTime();
}

}  // namespace kovrin
