#include "maillib/mime/dateparse.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>

#include "maillib/mime/headerfields.h"
#include "maillib/mime/mimetext.h"
#include "platform/runtime/asciicase.h"

using namespace mimetext;

namespace {

constexpr std::array<std::string_view, 12> MonthNames = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

constexpr double SecondsPerDay = 86400.0;

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

std::size_t FindDigit(std::string_view Text) {
  for (std::size_t I = 0; I < Text.size(); ++I)
    if (IsDigit(Text[I])) return I;
  return std::string_view::npos;
}

// A whole decimal integer with an optional sign; nothing else may follow.
// Nine digits at most, which is more than any date field needs.
std::optional<int> ToInt(std::string_view Text) {
  bool Negative = false;
  if (!Text.empty() && (Text.front() == '+' || Text.front() == '-')) {
    Negative = Text.front() == '-';
    Text.remove_prefix(1);
  }
  if (Text.empty() || Text.size() > 9) return std::nullopt;
  int Value = 0;
  for (char C : Text) {
    if (!IsDigit(C)) return std::nullopt;
    Value = Value * 10 + (C - '0');
  }
  return Negative ? -Value : Value;
}

// Month number (1-12) of the first month, in calendar order, whose three
// letters occur in Text; 0 when none does.
int FindMonth(std::string_view Text) {
  for (std::size_t I = 0; I < MonthNames.size(); ++I)
    if (Text.find(MonthNames[I]) != std::string_view::npos) return static_cast<int>(I) + 1;
  return 0;
}

// The time of day of "h:mm" or "h:mm:ss" (optionally with a decimal fraction
// of seconds) as a fraction of a day; nullopt when the text is no time.
std::optional<double> ParseTimeOfDay(std::string_view Text) {
  std::array<int, 3> Parts = {0, 0, 0};
  std::size_t Count = 0;
  double Fraction = 0;
  while (true) {
    std::size_t End = 0;
    while (End < Text.size() && IsDigit(Text[End])) ++End;
    if (End == 0 || End > 2 || Count == Parts.size()) return std::nullopt;
    Parts[Count++] = (End == 2) ? (Text[0] - '0') * 10 + (Text[1] - '0') : Text[0] - '0';
    Text.remove_prefix(End);
    if (Text.empty()) break;
    if (Text.front() == '.' && Count == 3) {
      double Scale = 0.1;
      Text.remove_prefix(1);
      if (Text.empty()) return std::nullopt;
      for (char C : Text) {
        if (!IsDigit(C)) return std::nullopt;
        Fraction += (C - '0') * Scale;
        Scale /= 10;
      }
      break;
    }
    if (Text.front() != ':') return std::nullopt;
    Text.remove_prefix(1);
  }
  if (Count < 2) return std::nullopt;
  const auto [Hours, Minutes, Seconds] = Parts;
  if (Hours > 23 || Minutes > 59 || Seconds > 59) return std::nullopt;
  return (Hours * 3600 + Minutes * 60 + Seconds + Fraction) / SecondsPerDay;
}

// Days from the zero date-time to the given calendar date; nullopt for an
// impossible date.
std::optional<double> DaysOfDate(int Year, int Month, int Day) {
  using namespace std::chrono;
  if (Year < 1 || Year > 9999) return std::nullopt;
  const year_month_day Date{year{Year}, month{static_cast<unsigned>(Month)},
                            day{static_cast<unsigned>(Day < 0 ? 0 : Day)}};
  if (Day < 1 || !Date.ok()) return std::nullopt;
  constexpr sys_days ZeroDate = 1899y / December / 30;
  return static_cast<double>((sys_days(Date) - ZeroDate).count());
}

// The text up to the first of Terminators (or all of it), and the text after
// that terminator.
std::pair<std::string_view, std::string_view> SplitAt(std::string_view Text, std::string_view Terminators) {
  const std::size_t Pos = Text.find_first_of(Terminators);
  if (Pos == std::string_view::npos) return {Text, {}};
  return {Text.substr(0, Pos), Text.substr(Pos + 1)};
}

}  // namespace

TParsedDate ParseDate(std::string_view Value) {
  const std::string Upper = ToUpperAscii(StripQuotes(Value));
  std::string_view Text = Upper;
  if (Text.empty()) return {};

  // Day: the first number; a weekday before it ("TUE,") is skipped.
  std::size_t Digit = FindDigit(Text);
  if (Digit == std::string_view::npos || Digit + 1 == Text.size()) return {};
  auto [DayText, AfterDay] = SplitAt(Text.substr(Digit), " \t");
  const auto Day = ToInt(TrimView(DayText));
  if (!Day) return {};
  Text = TrimView(AfterDay);

  // Month: looked for in the word after the day first, so that a later word
  // that happens to hold a month's letters cannot stand in for it.
  int Month = FindMonth(SplitAt(Text, " \t").first);
  if (Month == 0) Month = FindMonth(Text);
  if (Month == 0) return {};

  Digit = FindDigit(Text);
  if (Digit == std::string_view::npos || Digit + 1 == Text.size()) return {};
  auto [YearText, AfterYear] = SplitAt(Text.substr(Digit), " \t,");
  YearText = TrimView(YearText);
  if (!YearText.empty() && YearText.back() == ',') YearText.remove_suffix(1);
  auto Year = ToInt(YearText);
  if (!Year) return {};
  if (*Year >= 0 && *Year <= 50)
    *Year += 2000;
  else if (*Year >= 51 && *Year <= 99)
    *Year += 1900;
  Text = TrimView(AfterYear);

  auto [TimeText, AfterTime] = SplitAt(Text, " \t");
  TimeText = TrimView(TimeText);
  if (!TimeText.empty() && TimeText.back() == ',') TimeText.remove_suffix(1);

  const auto Days = DaysOfDate(*Year, Month, *Day);
  if (!Days) return {};
  TParsedDate Result;
  Result.DateTime = *Days + ParseTimeOfDay(TimeText).value_or(0.0);
  Result.Zone = Trim(AfterTime);
  return Result;
}
