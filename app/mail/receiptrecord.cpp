#include "receiptrecord.h"

#include <algorithm>

#include "app/settings/settingsfiles.h"
#include "platform/runtime/asciicase.h"

namespace {

std::string Entry(const std::string& Address, const std::string& Day) {
  return ToLowerAscii(Day + ' ' + Address);
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
