#include "datetimetext.h"

#include <algorithm>
#include <string_view>

std::string DateTimeText(std::time_t Time) {
  std::tm Local{};
  localtime_r(&Time, &Local);
  const bool Midnight = Local.tm_hour == 0 && Local.tm_min == 0 && Local.tm_sec == 0;
  char Text[32];
  const std::size_t Length = std::strftime(Text, sizeof Text, Midnight ? "%Y-%m-%d" : "%Y-%m-%d %H:%M:%S", &Local);
  return std::string(Text, Length);
}

std::string NowDateTimeText() { return DateTimeText(std::time(nullptr)); }

std::string ShownDateText(const std::string& Stored) {
  // "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss", then " N" with N all digits.
  constexpr std::size_t DateLength = 10, DateTimeLength = 19;
  const std::size_t Blank = Stored.rfind(' ');
  if (Blank != DateLength && Blank != DateTimeLength) return Stored;
  const std::string_view Number = std::string_view(Stored).substr(Blank + 1);
  const bool Digits =
      !Number.empty() && std::all_of(Number.begin(), Number.end(), [](char C) { return C >= '0' && C <= '9'; });
  return Digits ? Stored.substr(0, Blank) : Stored;
}
