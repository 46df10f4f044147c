// Date-time: a double counting days from 30 December 1899, the time of day as the fraction.
// 0 stands for "no date". Before 30 December 1899 the day count is negative and the fraction still
// counts forward from midnight: -1.25 is 29 December 1899, 06:00.
#pragma once

#include "Export.h"

#include <compare>
#include <string>
#include <string_view>

namespace kovrin {

struct CalendarTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

class KOVRIN_API Date {
public:
    // The range the type allows: 1 January 100 to 31 December 9999.
    static constexpr double MinSerial = -657434.0;
    static constexpr double MaxSerial = 2958465.0 + 86399.0 / 86400.0;

    // True for a serial that names a moment of that range: its day is 1 January 100 or later (the
    // fraction counts forward from that midnight) and it rounds to 31 December 9999 23:59:59 or
    // earlier. False for NaN and the infinities.
    static constexpr bool inRange(double serial) { return serial > MinSerial - 1 && serial < MaxSerial + 0.5 / 86400; }

    constexpr Date() = default;
    constexpr explicit Date(double serial) : serial_(serial) {}

    // From calendar fields; out of range or not a real day: error 5 (invalid argument).
    static Date fromCalendar(const CalendarTime& t);
    static Date fromCalendar(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    // The machine's local date and time, and today at midnight.
    static Date now();
    static Date today();

    // The general date parsing of the automation conversions: "2011-08-21 10:25:25", "2011-08-21",
    // "21/08/2011", "21/08/2011 10:25", "10:25:25". Anything else: error 13 (type mismatch).
    static Date parse(std::string_view text);
    static bool tryParse(std::string_view text, Date& out);

    constexpr double serial() const { return serial_; }
    constexpr bool isZero() const { return serial_ == 0.0; }
    // Calendar fields, the time rounded to the nearest second. A serial out of range (inRange) has
    // none: error 6 (overflow).
    CalendarTime toCalendar() const;
    // The date part alone (midnight).
    Date datePart() const;

    // The fixed regional formats: short date "dd/mm/yyyy", time "HH:MM:SS", and the general date,
    // which leaves out a zero time or a zero date the way the automation text conversion does.
    std::string shortDate() const;
    std::string longTime() const;
    std::string generalDate() const;

    friend constexpr auto operator<=>(const Date&, const Date&) = default;

private:
    double serial_ = 0.0;
};

}  // namespace kovrin
