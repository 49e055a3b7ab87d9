#include "maillib/mime/headerwords.h"

#include <string_view>

#include "maillib/mime/base64.h"
#include "maillib/mime/mimetext.h"
#include "maillib/mime/quotedprintable.h"
#include "maillib/transport/nberrors.h"
#include "platform/runtime/asciicase.h"
#include "platform/runtime/textencoding.h"

namespace {

constexpr char Escape = 0x1B;

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

// The parts of one encoded word "=?charset?letter?text?=".
struct TEncodedWord {
  std::string_view CharSet;
  char Letter = 0;
  std::string_view Text;
  std::size_t End = 0;  // just after the closing "?="
};

// Reads the encoded word that starts at Start (at its "=?"). The closing "?="
// is looked for only after the letter, so a "Q" text that begins with "="
// cannot end the word early. Text that does not have this form is not an
// encoded word and is left as it is.
bool ParseWord(std::string_view Text, std::size_t Start, TEncodedWord& Word) {
  const std::size_t CharSetEnd = Text.find('?', Start + 2);
  if (CharSetEnd == std::string_view::npos || CharSetEnd + 2 >= Text.size()) return false;
  if (Text[CharSetEnd + 2] != '?') return false;
  const std::string_view CharSet = Text.substr(Start + 2, CharSetEnd - Start - 2);
  for (const char C : CharSet)
    if (IsBlank(C) || C == '\r' || C == '\n') return false;
  const std::size_t Close = Text.find("?=", CharSetEnd + 3);
  if (Close == std::string_view::npos) return false;
  Word.CharSet = CharSet;
  Word.Letter = Text[CharSetEnd + 1];
  Word.Text = Text.substr(CharSetEnd + 3, Close - CharSetEnd - 3);
  Word.End = Close + 2;
  return true;
}

// The character set a word names: "charset*language" (RFC 2231) names the
// character set before the "*".
std::string_view CharSetOf(const TEncodedWord& Word) { return Word.CharSet.substr(0, Word.CharSet.find('*')); }

// The bytes of a B or Q word's text; false when a B word is not base64.
bool WordBytes(const TEncodedWord& Word, std::string& Bytes) {
  if (Word.Letter == 'B' || Word.Letter == 'b') {
    try {
      Bytes = DecodeBase64Line(Word.Text);
    } catch (const EMessageParserError&) {
      return false;
    }
    return true;
  }
  // "_" stands for a space; an encoded "=5F" stays an underscore.
  std::string Text(Word.Text);
  for (char& C : Text)
    if (C == '_') C = ' ';
  Bytes = DecodeQPText(Text);
  return true;
}

bool IsKnownEncoding(char Letter) { return Letter == 'B' || Letter == 'b' || Letter == 'Q' || Letter == 'q'; }

// Collects the bytes of adjacent words in one character set, so that a
// character split across two words is converted whole.
class TWordText {
public:
  explicit TWordText(std::string& Out) : FOut(Out) {}
  void Add(std::string_view CharSet, const std::string& Bytes) {
    if (FPending && !EqualsNoCaseAscii(CharSet, FCharSet)) Flush();
    FPending = true;
    FCharSet = CharSet;
    FBytes += Bytes;
  }
  // Converts what was collected into UTF-8 and appends it; text in an
  // unknown character set is read as undeclared text.
  void Flush() {
    if (!FPending) return;
    std::string Text;
    FOut += CharSetToUTF8(FBytes, FCharSet, Text) ? Text : UndeclaredTextToUTF8(FBytes);
    FBytes.clear();
    FPending = false;
  }

private:
  std::string& FOut;
  bool FPending = false;
  std::string_view FCharSet;
  std::string FBytes;
};

}  // namespace

std::string DecodeHeaderWords(const std::string& Text) {
  const std::string_view In = Text;
  std::string Out;
  Out.reserve(In.size());
  TWordText Words(Out);
  std::size_t I = 0;       // start of the text not yet copied
  bool AfterWord = false;  // In[I..] follows an encoded word
  for (;;) {
    const std::size_t Start = In.find("=?", I);
    if (Start == std::string_view::npos) break;
    TEncodedWord Word;
    if (!ParseWord(In, Start, Word)) {
      // A literal "=?": keep it and look on from its "?".
      Words.Flush();
      Out += UndeclaredTextToUTF8(In.substr(I, Start + 1 - I));
      I = Start + 1;
      AfterWord = false;
      continue;
    }
    const std::string_view Between = In.substr(I, Start - I);
    bool OnlyBlanks = true;
    for (const char C : Between)
      if (!IsBlank(C)) OnlyBlanks = false;
    std::string Bytes;
    // A word in an encoding other than B or Q cannot be read, so it is
    // shown as it stands (RFC 2047, section 6.3), like a damaged word.
    const bool Undecodable = !IsKnownEncoding(Word.Letter) || !WordBytes(Word, Bytes);
    // Blanks between two adjacent encoded words are not part of the text;
    // an undecodable word is text, and so are the blanks beside it.
    if (!(AfterWord && OnlyBlanks && !Undecodable)) {
      Words.Flush();
      Out += UndeclaredTextToUTF8(Between);
    }
    if (Undecodable) {
      // Shown as it was received; the words around it are still decoded.
      Words.Flush();
      Out += UndeclaredTextToUTF8(In.substr(Start, Word.End - Start));
      I = Word.End;
      AfterWord = false;
      continue;
    }
    Words.Add(CharSetOf(Word), Bytes);
    I = Word.End;
    AfterWord = true;
  }
  Words.Flush();
  Out += UndeclaredTextToUTF8(In.substr(I));
  return Out;
}

std::string MaskEncodedWords(std::string_view Text) {
  std::string Shape(Text);
  // A word needs a "?=" after its start: not looking for words from the last
  // one on keeps a long run of unclosed "=?" from costing a search each.
  const std::size_t LastClose = Text.rfind("?=");
  if (LastClose == std::string_view::npos) return Shape;
  for (std::size_t I = 0;;) {
    const std::size_t Start = Text.find("=?", I);
    if (Start == std::string_view::npos || Start >= LastClose) break;
    TEncodedWord Word;
    if (!ParseWord(Text, Start, Word)) {
      I = Start + 1;
      continue;
    }
    Shape.replace(Start, Word.End - Start, Word.End - Start, 'x');
    I = Word.End;
  }
  return Shape;
}

std::string EncodeHeaderJIS(const std::string& Text) {
  if (Text.empty() || Text.front() != Escape) return Text;
  return "=?ISO-2022-JP?B?" + EncodeBase64Line(Text) + "?=";
}
