#pragma once

#include <string>

#include "platform/runtime/stringlist.h"

// Turns the decoded bytes of a text body into its lines in UTF-8. The bytes
// may come all at once or as they are decoded: where the charset allows it
// (every byte 10 a line feed), complete lines are converted a piece at a
// time, so neither the decoded nor the converted text is ever held whole
// beside the lines.
class TBodyLines {
public:
  // Body is emptied. A charset that is missing or unknown is settled when
  // the whole text is there: UTF-8 when it reads as such, otherwise Latin-1,
  // which maps every byte to a character and so loses nothing.
  // ExpectedBytes, the most text that may come, lets Body take room for
  // its lines at once instead of moving them again and again as it grows
  // (room that is never used costs no memory).
  TBodyLines(TStringList& Body, const std::string& CharSetName, std::size_t ExpectedBytes = 0);

  // Decoded bytes not yet converted; append to it, then call Take.
  std::string Pending;

  // Converts the complete lines gathered so far once they make a piece. The
  // last line break stays pending, since it may still be dropped.
  void Take();
  // Converts everything still pending.
  void Finish();

private:
  void Convert(std::string_view Bytes);

  TStringList& FBody;
  std::string FCharSet;  // empty until settled
  bool FPiecewise = false;
  std::string FText;
  std::size_t FSearched = 0;  // Pending holds no line feed before this
};
