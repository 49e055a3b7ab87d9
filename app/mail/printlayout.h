#pragma once

#include <vector>

// How a printed text is laid out on sheets: a page holds as many lines as
// fit its printable height, every page starts at the top of the printable
// area, and copies repeat either the whole text or each page.

// The lines that fit a printable height, whole lines only; at least one, so
// a line taller than the page still gets printed (cut off) instead of none.
int LinesPerPage(int PrintableHeight, int LineHeight);

// One printed sheet: the lines FirstLine to FirstLine + LineCount - 1 of the text.
struct TSheet {
  int FirstLine = 0;
  int LineCount = 0;
  bool operator==(const TSheet&) const = default;
};

// The sheets of a text of LineCount lines, in printing order. Collated
// copies print the whole text Copies times in a row; uncollated ones print
// each page Copies times before the next. An empty text still gives one
// blank page per copy; fewer than one copy counts as one.
std::vector<TSheet> PrintSheets(int LineCount, int PerPage, int Copies, bool Collate);
