#include <KovrinAPI/runtime/Date.h>
#include <KovrinAPI/runtime/Error.h>

#include <KovrinAPI/runtime/Variant.h>

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "support/Checks.h"

using kovrin::Date;

TEST(Date, SerialNumbersMatchTheAutomationEpoch) {
    EXPECT_EQ(Date::fromCalendar(1899, 12, 30).serial(), 0.0);
    EXPECT_EQ(Date::fromCalendar(1900, 1, 1).serial(), 2.0);
    EXPECT_EQ(Date::fromCalendar(2011, 8, 21).serial(), 40776.0);
    EXPECT_EQ(Date::fromCalendar(1899, 12, 29, 6, 0, 0).serial(), -1.25);  // time counts forward
    EXPECT_EQ(Date::fromCalendar(100, 1, 1).serial(), Date::MinSerial);
    EXPECT_EQ(Date::fromCalendar(9999, 12, 31, 23, 59, 59).serial(), Date::MaxSerial);
}

TEST(Date, CalendarRoundTripIsExactOverTheWholeRange) {
    // Every day from year 100 to 9999, at a time with seconds: back to the same fields.
    for (double day = Date::MinSerial; day <= 2958465; day += 1) {
        Date d(day < 0 ? day - 0.5 : day + 0.5);
        kovrin::CalendarTime t = d.toCalendar();
        ASSERT_EQ(t.hour, 12);
        ASSERT_EQ(Date::fromCalendar(t).serial(), d.serial()) << day;
    }
    kovrin::CalendarTime t = Date::fromCalendar(1600, 2, 29, 23, 59, 59).toCalendar();
    EXPECT_EQ(t.year, 1600);
    EXPECT_EQ(t.month, 2);
    EXPECT_EQ(t.day, 29);
    EXPECT_EQ(t.second, 59);
    EXPECT_THROW(Date::fromCalendar(1900, 2, 29), kovrin::Error);  // 1900 was not a leap year
    EXPECT_THROW(Date::fromCalendar(10000, 1, 1), kovrin::Error);
}

TEST(Date, GeneralDateParsingAcceptsTheFormsTheLibraryMeets) {
    EXPECT_EQ(Date::parse("2011-08-21 10:25:25"), Date::fromCalendar(2011, 8, 21, 10, 25, 25));
    EXPECT_EQ(Date::parse("2011-08-21"), Date::fromCalendar(2011, 8, 21));
    EXPECT_EQ(Date::parse("21/08/2011"), Date::fromCalendar(2011, 8, 21));
    EXPECT_EQ(Date::parse("21/08/2011 09:05"), Date::fromCalendar(2011, 8, 21, 9, 5, 0));
    EXPECT_EQ(Date::parse("10:25:25"), Date::fromCalendar(1899, 12, 30, 10, 25, 25));
    EXPECT_EQ(Date::parse("1850-03-01"), Date::fromCalendar(1850, 3, 1));
    for (const char* bad : {"", "abc", "2011-08-21T10:25:25", "2011-08-21 10:25:25+02:00", "2011-13-01",
                            "31/02/2011", "2011-08-21Z", "25:00"}) {
        try {
            Date::parse(bad);
            ADD_FAILURE() << bad;
        } catch (const kovrin::Error& e) {
            EXPECT_EQ(e.number(), 13) << bad;
        }
    }
}

TEST(Date, FixedRegionalFormats) {
    Date d = Date::fromCalendar(2011, 8, 21, 9, 5, 7);
    EXPECT_EQ(d.shortDate(), "21/08/2011");
    EXPECT_EQ(d.longTime(), "09:05:07");
    EXPECT_EQ(d.generalDate(), "21/08/2011 09:05:07");
    EXPECT_EQ(Date::fromCalendar(2012, 1, 1).generalDate(), "01/01/2012");
    EXPECT_EQ(Date::parse("10:00").generalDate(), "10:00:00");
    EXPECT_EQ(Date().generalDate(), "00:00:00");
    EXPECT_EQ(Date(40776.99999999).generalDate(), "22/08/2011");  // rounds to the next midnight
    EXPECT_EQ(d.datePart(), Date::fromCalendar(2011, 8, 21));
}

TEST(Date, SerialsOutsideTheRangeOverflow) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double serial : {std::nan(""), inf, -inf, 1e300, Date::MinSerial - 1, Date::MaxSerial + 1.0 / 86400}) {
        EXPECT_EQ(kovrin::test::errorOf([&] { Date(serial).shortDate(); }).number(), 6) << serial;
        EXPECT_EQ(kovrin::test::errorOf([&] { kovrin::CDate(kovrin::Variant(serial)); }).description(), "Overflow");
    }
    EXPECT_EQ(Date(Date::MinSerial - 0.5).generalDate(), "01/01/0100 12:00:00");  // the first day's noon
    EXPECT_EQ(kovrin::CDate(kovrin::Variant(Date::MaxSerial)).generalDate(), "31/12/9999 23:59:59");
}
