#include "maillib/mime/dateparse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

// Days since 30 Dec 1899 of some dates, worked out independently.
constexpr double Sep15_1998 = 36053;
constexpr double Jan1_2005 = 38353;
constexpr double Feb29_2000 = 36585;
constexpr double Jan1_2050 = 54789;
constexpr double Jan1_1951 = 18629;
constexpr double Dec1_2004 = 38322;
constexpr double Jan1_1850 = -18260;

constexpr double Hour = 1.0 / 24;
constexpr double Minute = Hour / 60;
constexpr double Second = Minute / 60;

// Compares date-times to well below a second.
void ExpectDate(std::string_view Text, double Expected, const std::string& Zone = "") {
  const TParsedDate Date = ParseDate(Text);
  EXPECT_NEAR(Date.DateTime, Expected, 1e-7) << Text;
  EXPECT_EQ(Date.Zone, Zone) << Text;
}

void ExpectNoDate(std::string_view Text) {
  const TParsedDate Date = ParseDate(Text);
  EXPECT_EQ(Date.DateTime, 0) << Text;
  EXPECT_EQ(Date.Zone, "") << Text;
}

}  // namespace

TEST(ParseDate, ReadsTheCommonForms) {
  const double At131920 = 13 * Hour + 19 * Minute + 20 * Second;
  ExpectDate("Tue, 15 Sep 1998 13:19:20 +0200", Sep15_1998 + At131920, "+0200");
  ExpectDate("15 Sep 1998 13:19:20 +0200", Sep15_1998 + At131920, "+0200");
  ExpectDate("  \"Tue, 15 Sep 1998 13:19:20 -0500\"  ", Sep15_1998 + At131920, "-0500");
  ExpectDate("15 Sep 98 13:19", Sep15_1998 + 13 * Hour + 19 * Minute);
  ExpectDate("1 Jan 05 10:00:00 GMT", Jan1_2005 + 10 * Hour, "GMT");
  ExpectDate("Sat, 01 Jan 2005 10:00:00 +0000 (UTC)", Jan1_2005 + 10 * Hour, "+0000 (UTC)");
  ExpectDate("tue, 15 sep 1998 01:02:03 est", Sep15_1998 + Hour + 2 * Minute + 3 * Second, "EST");
  ExpectDate("Tuesday, 15 September 1998 13:19:20", Sep15_1998 + At131920);
  ExpectDate("15 Sep 1998, 13:19:20, +0200", Sep15_1998 + At131920, "+0200");
  ExpectDate("15  Sep  1998  13:19:20  +0200", Sep15_1998 + At131920, "+0200");
  ExpectDate("15 Sep 1998 13:19:20.5 +0200", Sep15_1998 + At131920 + 0.5 * Second, "+0200");
}

TEST(ParseDate, WithoutATimeTheDateIsAtMidnight) {
  ExpectDate("15 Sep 1998", Sep15_1998);
  ExpectDate("Tue, 15 Sep 1998 ", Sep15_1998);
  // A time that does not read leaves the date standing.
  ExpectDate("15 Sep 1998 25:00 +0200", Sep15_1998, "+0200");
  ExpectDate("15 Sep 1998 13:60", Sep15_1998);
  ExpectDate("15 Sep 1998 1pm EST", Sep15_1998, "EST");
  ExpectDate("15 Sep 1998 13", Sep15_1998);
  ExpectDate("15 Sep 1998 13:19:20:00", Sep15_1998);
}

TEST(ParseDate, TwoDigitYearsAreWindowed) {
  ExpectDate("1 Jan 50", Jan1_2050);
  ExpectDate("1 Jan 51", Jan1_1951);
  ExpectDate("1 Jan 00 00:00", 36526);
  ExpectDate("31 Dec 99", 36525);
  ExpectDate("1 Jan 2050", Jan1_2050);
  ExpectDate("1 Jan 1951", Jan1_1951);
}

TEST(ParseDate, ImpossibleDatesGiveNoDate) {
  ExpectNoDate("31 Feb 1998 10:00");
  ExpectNoDate("29 Feb 1900");
  ExpectNoDate("0 Jan 2000");
  ExpectNoDate("32 Jan 2000");
  ExpectNoDate("1 Jan 10000");
  ExpectNoDate("99999999999 Jan 2000");
  ExpectNoDate("1 Jan 99999999999");
  ExpectDate("29 Feb 2000", Feb29_2000);
  ExpectDate("29 Feb 04", 38046);
}

TEST(ParseDate, TextThatIsNoDateGivesNoDate) {
  ExpectNoDate("");
  ExpectNoDate("  \"\"  ");
  ExpectNoDate("no digits at all");
  ExpectNoDate("Sep 5");                     // the only digit is the last character
  ExpectNoDate("15 Sep 8");                  // so is the year's
  ExpectNoDate("15 1998 13:19:20");          // no month
  ExpectNoDate("15");                        // nothing after the day
  ExpectNoDate("15-Sep-1998 13:19:20");      // the day is no number
  ExpectNoDate("Tue Sep 15 13:19:20 1998");  // the month before the day is skipped
  ExpectNoDate("15 Sep");
  ExpectNoDate("15 Sep year");
}

TEST(ParseDate, TheMonthAfterTheDayWinsOverOneInALaterWord) {
  ExpectDate("1 Dec 2004 10:00:00 -0300 (Mar del Plata)", Dec1_2004 + 10 * Hour, "-0300 (MAR DEL PLATA)");
  // With no month name after the day, a later one still counts.
  ExpectDate("1 x 2004 Dec", Dec1_2004);
}

TEST(ParseDate, DatesBeforeTheZeroDateCountDownLinearly) {
  const TParsedDate Date = ParseDate("1 Jan 1850 06:00");
  EXPECT_NEAR(Date.DateTime, Jan1_1850 + 6 * Hour, 1e-7);
  EXPECT_EQ(std::floor(Date.DateTime), Jan1_1850);
}

TEST(ParseDate, HugeInputIsHandled) {
  ExpectNoDate(std::string(1 << 20, '9'));
  ExpectNoDate("1 " + std::string(1 << 20, 'X') + " 1998");
  const std::string Zone(1 << 20, 'Z');
  const TParsedDate Date = ParseDate("15 Sep 1998 13:19 " + Zone);
  EXPECT_NEAR(Date.DateTime, Sep15_1998 + 13 * Hour + 19 * Minute, 1e-7);
  EXPECT_EQ(Date.Zone, Zone);
}
