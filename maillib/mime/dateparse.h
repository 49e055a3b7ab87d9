#pragma once

#include <string>
#include <string_view>

// A date-time is a double: days since 30 December 1899 00:00 (the zero
// date-time), the fraction being the time of day; 36053.5 is 15 September
// 1998 12:00. The scale is linear, so floor() of any value is its day, also
// before the zero date (-0.75 is 29 December 1899 06:00).
//
// A parsed Date header: the date-time as written (the zone is not applied)
// and the zone text that followed the time, such as "+0200", "GMT" or "EST".
// Text that is no date gives DateTime 0 and an empty Zone.
struct TParsedDate {
  double DateTime = 0;
  std::string Zone;
};

// Parses an RFC 822 date such as "Tue, 15 Sep 1998 13:19:20 +0200": day,
// month name (any case, English, first three letters), year (two-digit years
// 0-50 are 2000-2050, 51-99 are 1951-1999), then an optional time
// (hh:mm or hh:mm:ss) and the zone. A weekday before the day is skipped. An
// impossible calendar date (31 Feb) gives 0; a time that does not read gives
// midnight of the date. Never raises.
TParsedDate ParseDate(std::string_view Text);
