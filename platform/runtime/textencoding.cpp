#include "textencoding.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/runtime/asciicase.h"
#include "platform/runtime/bytescan.h"

namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::size_t MaxCharSetName = 64;

// Labels that mail programs write and iconv spells differently, with the
// iconv name of what they mean. Where a label names a character set that a
// larger one extends (gb2312 and GBK, euc-kr, shift_jis, tis-620), mail
// labelled so is nearly always written in the larger one, which reads the
// smaller one too: the larger one is taken.
struct TCharSetAlias {
  std::string_view Label;
  const char* Iconv;
};
constexpr TCharSetAlias CharSetAliases[] = {
    {"KS_C_5601-1987", "CP949"},  {"KS_C_5601-1989", "CP949"}, {"KS_C_5601", "CP949"},   {"KSC_5601", "CP949"},
    {"KSC5601", "CP949"},         {"CSKSC56011987", "CP949"},  {"ISO-IR-149", "CP949"},  {"KOREAN", "CP949"},
    {"WINDOWS-949", "CP949"},     {"X-WINDOWS-949", "CP949"},  {"EUC-KR", "CP949"},      {"X-EUC-KR", "CP949"},
    {"CSEUCKR", "CP949"},         {"ISO-8859-8-I", "ISO-8859-8"}, {"ISO_8859-8-I", "ISO-8859-8"},
    {"CSISO88598I", "ISO-8859-8"}, {"LOGICAL", "ISO-8859-8"},  {"ISO-8859-8-E", "ISO-8859-8"},
    {"ISO_8859-8-E", "ISO-8859-8"}, {"CSISO88598E", "ISO-8859-8"}, {"VISUAL", "ISO-8859-8"},
    {"ISO-8859-6-I", "ISO-8859-6"}, {"ISO-8859-6-E", "ISO-8859-6"}, {"CSISO88596I", "ISO-8859-6"},
    {"CSISO88596E", "ISO-8859-6"}, {"GBK", "GB18030"},         {"X-GBK", "GB18030"},     {"GB2312", "GB18030"},
    {"X-GB2312", "GB18030"},      {"CSGB2312", "GB18030"},     {"CN-GB", "GB18030"},     {"EUC-CN", "GB18030"},
    {"X-EUC-CN", "GB18030"},      {"CHINESE", "GB18030"},      {"CP936", "GB18030"},     {"WINDOWS-936", "GB18030"},
    {"WINDOWS-874", "CP874"},     {"DOS-874", "CP874"},        {"ISO-8859-11", "CP874"}, {"ISO8859-11", "CP874"},
    {"TIS-620", "CP874"},         {"X-SJIS", "CP932"},         {"SHIFT_JIS", "CP932"},   {"SHIFT-JIS", "CP932"},
    {"SJIS", "CP932"},            {"MS_KANJI", "CP932"},       {"CSSHIFTJIS", "CP932"},  {"WINDOWS-31J", "CP932"},
    {"X-MS-CP932", "CP932"},      {"X-EUC-JP", "EUC-JP"},      {"CSEUCPKDFMTJAPANESE", "EUC-JP"},
    {"BIG5", "BIG5-HKSCS"},       {"X-X-BIG5", "BIG5-HKSCS"},  {"CN-BIG5", "BIG5-HKSCS"}, {"CSBIG5", "BIG5-HKSCS"},
    {"X-MAC-ROMAN", "MACINTOSH"}, {"MAC", "MACINTOSH"},        {"CSMACINTOSH", "MACINTOSH"},
    {"X-MAC-CYRILLIC", "MAC-CYRILLIC"}, {"X-MAC-UKRAINIAN", "MAC-UKRAINIAN"},
    {"LATIN-1", "ISO-8859-1"},    {"X-CP1250", "CP1250"},      {"X-CP1251", "CP1251"},   {"X-CP1252", "CP1252"},
    {"X-CP1253", "CP1253"},       {"X-CP1254", "CP1254"},      {"X-CP1255", "CP1255"},   {"X-CP1256", "CP1256"},
    {"X-CP1257", "CP1257"},       {"X-CP1258", "CP1258"},      {"CP-1252", "CP1252"},    {"X-UTF-8", "UTF-8"},
    {"UNICODE-1-1-UTF-8", "UTF-8"}, {"UNICODE11UTF8", "UTF-8"}, {"UNICODE20UTF8", "UTF-8"},
    {"X-UNICODE20UTF8", "UTF-8"},
};

// The iconv name for an upper-case label.
std::string IconvName(std::string Name) {
  for (const TCharSetAlias& Alias : CharSetAliases)
    if (Alias.Label == Name) return Alias.Iconv;
  return Name;
}

// The name in upper case without surrounding blanks and quotes, or an empty
// string when it is not a plain character set name.
std::string NormalizedName(std::string_view CharSet) {
  const auto IsTrimmed = [](char C) { return C == ' ' || C == '\t' || C == '"'; };
  while (!CharSet.empty() && IsTrimmed(CharSet.front())) CharSet.remove_prefix(1);
  while (!CharSet.empty() && IsTrimmed(CharSet.back())) CharSet.remove_suffix(1);
  if (CharSet.size() > MaxCharSetName) return {};
  std::string Name;
  Name.reserve(CharSet.size());
  for (const char C : CharSet) {
    const bool Plain = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') ||
                       C == '-' || C == '_' || C == '.' || C == ':' || C == '+';
    if (!Plain) return {};
    Name += ToUpperAscii(C);
  }
  return IconvName(Name);
}

bool IsUTF8Name(const std::string& Name) {
  return Name == "UTF-8" || Name == "UTF8" || Name == "US-ASCII" || Name == "ASCII";
}

bool IsLatin1Name(const std::string& Name) {
  return Name == "ISO-8859-1" || Name == "ISO8859-1" || Name == "ISO_8859-1" || Name == "LATIN1" ||
         Name == "L1";
}

// Length of the valid UTF-8 sequence at P (Left bytes available) with its
// code point in Code, or 0 when P does not start a valid sequence.
std::size_t SequenceLength(const unsigned char* P, std::size_t Left, char32_t& Code) {
  const unsigned char C = P[0];
  if (C < 0x80) {
    Code = C;
    return 1;
  }
  std::size_t Length;
  unsigned char Low = 0x80, High = 0xBF;  // allowed range of the second byte
  if (C >= 0xC2 && C <= 0xDF) {
    Length = 2;
    Code = C & 0x1F;
  } else if (C >= 0xE0 && C <= 0xEF) {
    Length = 3;
    Code = C & 0x0F;
    if (C == 0xE0) Low = 0xA0;   // overlong
    if (C == 0xED) High = 0x9F;  // surrogates
  } else if (C >= 0xF0 && C <= 0xF4) {
    Length = 4;
    Code = C & 0x07;
    if (C == 0xF0) Low = 0x90;   // overlong
    if (C == 0xF4) High = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (Left < Length) return 0;
  if (P[1] < Low || P[1] > High) return 0;
  for (std::size_t I = 1; I < Length; ++I) {
    if ((P[I] & 0xC0) != 0x80) return 0;
    Code = (Code << 6) | (P[I] & 0x3F);
  }
  return Length;
}

// The number of ASCII bytes at the start of P (Left bytes long).
std::size_t AsciiRun(const unsigned char* P, std::size_t Left) {
  std::size_t I = 0;
  for (; Left - I >= 8; I += 8) {
    const std::uint64_t High = bytescan::NonAscii(bytescan::Load(P + I));
    if (High != 0) return I + bytescan::FirstFlagged(High);
  }
  while (I < Left && P[I] < 0x80) ++I;
  return I;
}

void AppendValidUTF8(std::string_view Bytes, std::string& Text) {
  const auto* P = reinterpret_cast<const unsigned char*>(Bytes.data());
  const std::size_t N = Bytes.size();
  Text.reserve(Text.size() + N);
  std::size_t I = 0;
  while (I < N) {
    // Copy runs of ASCII and valid sequences at once.
    const std::size_t Start = I;
    char32_t Code;
    while (I < N) {
      if (P[I] < 0x80) {
        I += AsciiRun(P + I, N - I);
        continue;
      }
      const std::size_t L = SequenceLength(P + I, N - I, Code);
      if (L == 0) break;
      I += L;
    }
    Text.append(Bytes.data() + Start, I - Start);
    if (I < N) {
      Text += Replacement;
      ++I;
    }
  }
}

// The UTF-8 bytes of each Latin-1 byte; for ASCII the second is unused.
constexpr std::array<std::array<char, 2>, 256> Latin1Table = [] {
  std::array<std::array<char, 2>, 256> Table{};
  for (unsigned C = 0; C < 256; ++C)
    Table[C] = C < 0x80 ? std::array<char, 2>{static_cast<char>(C), 0}
                        : std::array<char, 2>{static_cast<char>(0xC0 | (C >> 6)), static_cast<char>(0x80 | (C & 0x3F))};
  return Table;
}();

// Appends the conversion of Bytes at Out, byte by byte through Letter
// (which writes one character and moves Out on), and copies runs of 16 ASCII
// bytes at once where SSE2 is there. Out never falls behind the input, so a
// block store stays in the text. Returns the end of what was written.
template <class F>
char* ConvertBytes(std::string_view Bytes, char* Out, F Letter) {
  const char* P = Bytes.data();
  const char* const E = P + Bytes.size();
#if defined(__SSE2__)
  while (E - P >= 16) {
    const __m128i Block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
    if (_mm_movemask_epi8(Block) == 0) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(Out), Block);
      P += 16;
      Out += 16;
      continue;
    }
    for (const char* BlockEnd = P + 16; P < BlockEnd; ++P) Letter(static_cast<unsigned char>(*P), Out);
  }
#endif
  for (; P < E; ++P) Letter(static_cast<unsigned char>(*P), Out);
  return Out;
}

void AppendLatin1AsUTF8(std::string_view Bytes, std::string& Text) {
  // Sized exactly first (each byte from 0x80 up takes two), then written:
  // runs of ASCII, the bulk of such text, a block at a time, and accented
  // letters, which come at random, without branches.
  std::size_t High = 0;
  std::size_t I = 0;
#if defined(__SSE2__)
  for (; Bytes.size() - I >= 16; I += 16)
    High += static_cast<std::size_t>(std::popcount(static_cast<unsigned>(
        _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(Bytes.data() + I))))));
#endif
  for (; Bytes.size() - I >= 8; I += 8)
    // Each flag moved down to a 1 in its byte; the multiplication sums the bytes into the top one.
    High += static_cast<std::size_t>(((bytescan::NonAscii(bytescan::Load(Bytes.data() + I)) >> 7) * bytescan::Ones) >> 56);
  for (; I < Bytes.size(); ++I) High += static_cast<unsigned char>(Bytes[I]) >> 7;
  const std::size_t Start = Text.size();
  const std::size_t Length = Bytes.size() + High;
  Text.resize(Start + Length + 1);  // one spare byte for the last two-byte store
  char* Out = Text.data() + Start;
  ConvertBytes(Bytes, Out, [](unsigned char C, char*& To) {
    std::memcpy(To, Latin1Table[C].data(), 2);
    To += 1 + (C >> 7);
  });
  Text.resize(Start + Length);
}

// Owns an iconv descriptor.
class TIconv {
public:
  TIconv(const char* To, const char* From) : FHandle(iconv_open(To, From)) {}
  ~TIconv() {
    if (Valid()) iconv_close(FHandle);
  }
  TIconv(const TIconv&) = delete;
  TIconv& operator=(const TIconv&) = delete;
  bool Valid() const { return FHandle != reinterpret_cast<iconv_t>(-1); }
  iconv_t Handle() const { return FHandle; }

private:
  iconv_t FHandle;
};

// Converts through iconv; every byte iconv rejects becomes U+FFFD. Each pass
// of the loop either converts input, grows the output or skips one input
// byte, so it always ends.
void AppendThroughIconv(TIconv& Converter, std::string_view Bytes, std::string& Text) {
  std::string Out(Bytes.size() * 2 + 64, '\0');
  std::size_t Used = 0;
  char* In = const_cast<char*>(Bytes.data());  // iconv does not write to its input
  std::size_t InLeft = Bytes.size();
  for (;;) {
    if (Out.size() - Used < 16) Out.resize(Out.size() * 2);
    char* OutPtr = Out.data() + Used;
    std::size_t OutLeft = Out.size() - Used;
    const bool Flushing = InLeft == 0;
    const std::size_t Result = Flushing
                                   ? iconv(Converter.Handle(), nullptr, nullptr, &OutPtr, &OutLeft)
                                   : iconv(Converter.Handle(), &In, &InLeft, &OutPtr, &OutLeft);
    Used = static_cast<std::size_t>(OutPtr - Out.data());
    if (Result != static_cast<std::size_t>(-1)) {
      if (Flushing) break;
      continue;
    }
    if (errno == E2BIG) {
      Out.resize(Out.size() * 2);
    } else if (errno == EILSEQ && !Flushing) {
      Out.replace(Used, Replacement.size(), Replacement);
      Used += Replacement.size();
      ++In;
      --InLeft;
    } else if (errno == EINVAL && !Flushing) {
      // An incomplete sequence at the end of the input.
      for (; InLeft > 0; --InLeft) {
        if (Out.size() - Used < Replacement.size()) Out.resize(Out.size() * 2);
        Out.replace(Used, Replacement.size(), Replacement);
        Used += Replacement.size();
      }
    } else {
      break;
    }
  }
  Text.append(Out.data(), Used);
}

// The characters of windows-1252's bytes 0x80 to 0x9F; the unassigned ones
// stand for themselves.
constexpr char16_t Windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendCodePoint(char32_t Code, std::string& Text) {
  if (Code < 0x80) {
    Text += static_cast<char>(Code);
  } else if (Code < 0x800) {
    Text += static_cast<char>(0xC0 | (Code >> 6));
    Text += static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    Text += static_cast<char>(0xE0 | (Code >> 12));
    Text += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    Text += static_cast<char>(0x80 | (Code & 0x3F));
  }
}

// The UTF-8 form of every byte of a single-byte character set (ISO-8859-x,
// windows-125x, KOI8...), worked out once through iconv: converting such
// text by table is several times faster than iconv, and most mail text is
// in one of them.
struct TByteTable {
  std::array<std::array<char, 4>, 256> Bytes{};
  std::array<unsigned char, 256> Length{};
  std::size_t MaxLength = 1;
};

// The table of the character set Name (upper case), or nullptr when it is
// not an ASCII-compatible single-byte set: some byte then begins a longer
// sequence, a shift or a different ASCII.
const TByteTable* ByteTableFor(const std::string& Name) {
  static std::mutex Guard;
  static std::map<std::string, std::unique_ptr<TByteTable>> Tables;
  const std::lock_guard<std::mutex> Lock(Guard);
  if (const auto It = Tables.find(Name); It != Tables.end()) return It->second.get();
  std::unique_ptr<TByteTable> Table;
  const bool Excluded = Name.starts_with("UTF") || Name.starts_with("UCS") || Name.starts_with("ISO-2022") ||
                        Name.starts_with("ISO2022") || Name.starts_with("HZ") || Name.starts_with("UNICODE");
  TIconv Converter("UTF-8", Name.c_str());
  // Only names iconv knows are kept, so names taken from hostile mail
  // cannot make the cache grow without end.
  if (!Converter.Valid()) return nullptr;
  if (!Excluded) {
    Table = std::make_unique<TByteTable>();
    for (int Byte = 0; Byte < 256 && Table; ++Byte) {
      char In = static_cast<char>(Byte);
      char Out[8];
      char* InPtr = &In;
      char* OutPtr = Out;
      std::size_t InLeft = 1, OutLeft = sizeof Out;
      iconv(Converter.Handle(), nullptr, nullptr, nullptr, nullptr);
      const std::size_t Result = iconv(Converter.Handle(), &InPtr, &InLeft, &OutPtr, &OutLeft);
      const std::size_t Written = sizeof Out - OutLeft;
      if (Result == static_cast<std::size_t>(-1) && errno == EILSEQ) {
        std::memcpy(Table->Bytes[Byte].data(), Replacement.data(), 3);  // no character there
        Table->Length[Byte] = 3;
      } else if (Result != static_cast<std::size_t>(-1) && Written >= 1 && Written <= 4 &&
                 (Byte >= 0x80 || (Written == 1 && Out[0] == In))) {
        std::memcpy(Table->Bytes[Byte].data(), Out, Written);
        Table->Length[Byte] = static_cast<unsigned char>(Written);
      } else {
        Table.reset();
      }
    }
  }
  if (Table)
    for (const unsigned char Length : Table->Length) Table->MaxLength = std::max<std::size_t>(Table->MaxLength, Length);
  return (Tables[Name] = std::move(Table)).get();
}

void AppendThroughTable(const TByteTable& Table, std::string_view Bytes, std::string& Text) {
  const std::size_t Start = Text.size();
  // Room for the longest character for each byte, and four spare bytes
  // for the last store.
  Text.resize(Start + Bytes.size() * Table.MaxLength + 4);
  char* Out = Text.data() + Start;
  Out = ConvertBytes(Bytes, Out, [&Table](unsigned char C, char*& To) {
    std::memcpy(To, Table.Bytes[C].data(), 4);
    To += Table.Length[C];
  });
  Text.resize(static_cast<std::size_t>(Out - Text.data()));
}

}  // namespace

std::string UndeclaredTextToUTF8(std::string_view Bytes) {
  if (IsValidUTF8(Bytes)) return std::string(Bytes);
  std::string Text;
  Text.reserve(Bytes.size() * 2);
  for (const char Ch : Bytes) {
    const auto C = static_cast<unsigned char>(Ch);
    AppendCodePoint(C >= 0x80 && C < 0xA0 ? Windows1252High[C - 0x80] : C, Text);
  }
  return Text;
}

bool IsKnownCharSet(std::string_view CharSet) {
  const std::string Name = NormalizedName(CharSet);
  if (Name.empty()) return false;
  if (IsUTF8Name(Name) || IsLatin1Name(Name)) return true;
  return TIconv("UTF-8", Name.c_str()).Valid();
}

bool CharSetToUTF8(std::string_view Bytes, std::string_view CharSet, std::string& Text) {
  const std::string Name = NormalizedName(CharSet);
  if (Name.empty()) {
    Text.assign(Bytes);
    return false;
  }
  // Text's own buffer is written again (it is usually reused for piece
  // after piece of a body, and stays in the cache), unless Bytes lies in it.
  const bool Aliased = Bytes.data() >= Text.data() && Bytes.data() < Text.data() + Text.capacity();
  std::string Local;
  std::string& Out = Aliased ? Local : Text;
  if (IsUTF8Name(Name)) {
    Out.clear();
    AppendValidUTF8(Bytes, Out);
  } else if (IsLatin1Name(Name)) {
    Out.clear();
    AppendLatin1AsUTF8(Bytes, Out);
  } else if (const TByteTable* Table = ByteTableFor(Name)) {
    Out.clear();
    AppendThroughTable(*Table, Bytes, Out);
  } else {
    TIconv Converter("UTF-8", Name.c_str());
    if (!Converter.Valid()) {
      Text.assign(Bytes);
      return false;
    }
    Out.clear();
    AppendThroughIconv(Converter, Bytes, Out);
  }
  if (Aliased) Text = std::move(Local);
  return true;
}

std::string CharSetToUTF8(std::string_view Bytes, std::string_view CharSet) {
  std::string Text;
  CharSetToUTF8(Bytes, CharSet, Text);
  return Text;
}

std::size_t UTF8SequenceLength(std::string_view Text) {
  if (Text.empty()) return 0;
  char32_t Code;
  return SequenceLength(reinterpret_cast<const unsigned char*>(Text.data()), Text.size(), Code);
}

bool IsValidUTF8(std::string_view Text) {
  const auto* P = reinterpret_cast<const unsigned char*>(Text.data());
  const std::size_t N = Text.size();
  for (std::size_t I = AsciiRun(P, N); I < N; I += AsciiRun(P + I, N - I)) {
    char32_t Code;
    const std::size_t L = SequenceLength(P + I, N - I, Code);
    if (L == 0) return false;
    I += L;
  }
  return true;
}

std::string ValidUTF8(std::string_view Text) {
  std::string Result;
  AppendValidUTF8(Text, Result);
  return Result;
}

bool UTF8ToLatin1(std::string_view Text, std::string& Bytes) {
  std::string Result;
  Result.reserve(Text.size());
  const auto* P = reinterpret_cast<const unsigned char*>(Text.data());
  for (std::size_t I = 0; I < Text.size();) {
    char32_t Code;
    const std::size_t L = SequenceLength(P + I, Text.size() - I, Code);
    if (L == 0 || Code > 0xFF) return false;
    Result += static_cast<char>(Code);
    I += L;
  }
  Bytes = std::move(Result);
  return true;
}
