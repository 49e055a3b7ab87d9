#include "messagestamp.h"

#include <cstdio>
#include <cstdlib>
#include <random>

std::string RfcDateTime(std::time_t Time) {
  static constexpr const char* Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm Local{};
  localtime_r(&Time, &Local);
  const long Minutes = Local.tm_gmtoff / 60;
  char Text[64];
  std::snprintf(Text, sizeof Text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", Days[Local.tm_wday],
                Local.tm_mday, Months[Local.tm_mon], Local.tm_year + 1900, Local.tm_hour, Local.tm_min,
                Local.tm_sec, Minutes < 0 ? '-' : '+', std::labs(Minutes) / 60, std::labs(Minutes) % 60);
  return Text;
}

std::string NewMessageId(const std::string& Host) {
  thread_local std::mt19937_64 Random(std::random_device{}());
  char Text[64];
  std::snprintf(Text, sizeof Text, "%016llx.%llx", static_cast<unsigned long long>(Random()),
                static_cast<unsigned long long>(std::time(nullptr)));
  // A host name is a dot-atom; anything else would make the identifier unreadable.
  const bool Usable = !Host.empty() && Host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                              "0123456789.-_") == std::string::npos;
  return std::string("<") + Text + "@" + (Usable ? Host : "localhost") + ">";
}
