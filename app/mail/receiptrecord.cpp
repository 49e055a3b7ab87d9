#include "receiptrecord.h"

#include <algorithm>
#include <cctype>

#include "app/settings/settingsfiles.h"

namespace {

std::string Entry(const std::string& Address, const std::string& Day) {
  std::string Line = Day + ' ' + Address;
  std::transform(Line.begin(), Line.end(), Line.begin(),
                 [](unsigned char C) { return static_cast<char>(std::tolower(C)); });
  return Line;
}

TStringList Load(const std::string& File) {
  try {
    return settings::LoadLines(File);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

bool ReceiptSentOn(const std::string& File, const std::string& Address, const std::string& Day) {
  const TStringList Lines = Load(File);
  return std::find(Lines.begin(), Lines.end(), Entry(Address, Day)) != Lines.end();
}

void RecordReceipt(const std::string& File, const std::string& Address, const std::string& Day) {
  TStringList Lines = Load(File);
  std::erase_if(Lines, [&Day](const std::string& Line) { return !Line.starts_with(Day + ' '); });
  Lines.push_back(Entry(Address, Day));
  settings::SaveLines(File, Lines);
}
