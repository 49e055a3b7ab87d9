#include "datetimetext.h"

std::string DateTimeText(std::time_t Time) {
  std::tm Local{};
  localtime_r(&Time, &Local);
  const bool Midnight = Local.tm_hour == 0 && Local.tm_min == 0 && Local.tm_sec == 0;
  char Text[32];
  const std::size_t Length = std::strftime(Text, sizeof Text, Midnight ? "%Y-%m-%d" : "%Y-%m-%d %H:%M:%S", &Local);
  return std::string(Text, Length);
}

std::string NowDateTimeText() { return DateTimeText(std::time(nullptr)); }
