#include "maillib/mime/bodylines.h"

#include <algorithm>

#include "maillib/mime/mimetext.h"
#include "platform/runtime/asciicase.h"
#include "platform/runtime/bytescan.h"
#include "platform/runtime/textencoding.h"

namespace {

// Text is converted into lines a piece of about this size at a time.
constexpr std::size_t PieceSize = 64 * 1024;

// Character sets in which the byte 10 is always a line feed, so text in them
// may be cut after any line feed byte.
bool IsAsciiCompatible(const std::string& CharSet) {
  for (const char* Wide : {"UTF-16", "UTF16", "UTF-32", "UTF32", "UCS-2", "UCS2", "UCS-4", "UCS4", "UNICODE"})
    if (EqualsNoCaseAscii(std::string_view(CharSet).substr(0, std::string_view(Wide).size()), Wide))
      return false;
  return true;
}

// Appends the lines of Text (ended by CR LF, CR or LF) to Body; a line break
// at the very end starts no further line.
void AppendLines(std::string_view Text, TStringList& Body) {
  const char* P = Text.data();
  const char* const E = P + Text.size();
  while (P < E) {
    const char* Q = bytescan::FindLineBreak(P, E);
    Body.emplace_back(P, static_cast<std::size_t>(Q - P));
    if (Q == E) break;
    P = (*Q == '\r' && Q + 1 < E && Q[1] == '\n') ? Q + 2 : Q + 1;
  }
}

}  // namespace

TBodyLines::TBodyLines(TStringList& Body, const std::string& CharSetName, std::size_t ExpectedBytes)
    : FBody(Body), FCharSet(mimetext::Trim(CharSetName)) {
  FBody.clear();
  // Mail lines are rarely shorter than this on average.
  constexpr std::size_t ShortLine = 24;
  FBody.reserve(ExpectedBytes / ShortLine + 1);
  if (!FCharSet.empty() && IsKnownCharSet(FCharSet))
    FPiecewise = IsAsciiCompatible(FCharSet);
  else
    FCharSet.clear();
}

void TBodyLines::Take() {
  if (!FPiecewise || Pending.size() < PieceSize + 2) return;
  // Only bytes added since the last look can hold a new line feed: a long
  // paragraph is searched once, not once per decoded line.
  const std::size_t From = std::min(FSearched, Pending.size() - 2);
  const std::size_t Found = std::string_view(Pending).substr(From, Pending.size() - 2 - From).rfind('\n');
  FSearched = Pending.size() - 2;
  if (Found == std::string_view::npos) return;
  const std::size_t Lf = From + Found;
  Convert(std::string_view(Pending).substr(0, Lf + 1));
  Pending.erase(0, Lf + 1);
  FSearched = Pending.size() - 2;
}

void TBodyLines::Finish() {
  if (FCharSet.empty()) {
    FCharSet = IsValidUTF8(Pending) ? "UTF-8" : "ISO-8859-1";
    FPiecewise = true;
  }
  const std::string_view Bytes = Pending;
  const std::size_t Piece = FPiecewise ? PieceSize : Bytes.size();
  for (std::size_t Start = 0; Start < Bytes.size();) {
    std::size_t End = Bytes.size();
    if (Bytes.size() - Start > Piece) {
      const std::size_t Lf = Bytes.find('\n', Start + Piece);
      if (Lf != std::string_view::npos) End = Lf + 1;
    }
    Convert(Bytes.substr(Start, End - Start));
    Start = End;
  }
  Pending.clear();
}

void TBodyLines::Convert(std::string_view Bytes) {
  CharSetToUTF8(Bytes, FCharSet, FText);
  AppendLines(FText, FBody);
}
