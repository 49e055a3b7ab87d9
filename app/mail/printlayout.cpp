#include "printlayout.h"

#include <algorithm>

int LinesPerPage(int PrintableHeight, int LineHeight) {
  if (LineHeight <= 0) return 1;
  return std::max(1, PrintableHeight / LineHeight);
}

std::vector<TSheet> PrintSheets(int LineCount, int PerPage, int Copies, bool Collate) {
  PerPage = std::max(1, PerPage);
  Copies = std::max(1, Copies);
  std::vector<TSheet> Pages;
  for (int First = 0; First < LineCount; First += PerPage)
    Pages.push_back({First, std::min(PerPage, LineCount - First)});
  if (Pages.empty()) Pages.push_back({0, 0});

  std::vector<TSheet> Sheets;
  Sheets.reserve(Pages.size() * static_cast<std::size_t>(Copies));
  if (Collate) {
    for (int Copy = 0; Copy < Copies; ++Copy) Sheets.insert(Sheets.end(), Pages.begin(), Pages.end());
  } else {
    for (const TSheet& Page : Pages) Sheets.insert(Sheets.end(), static_cast<std::size_t>(Copies), Page);
  }
  return Sheets;
}
