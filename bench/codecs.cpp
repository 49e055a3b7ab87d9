// Times base64 line encoding and decoding and quoted-printable encoding and
// decoding over 64 MiB, beside a plain memcpy of the same bytes, and prints
// MiB/s of unencoded data for each (median of a few rounds).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "maillib/mime/base64.h"
#include "maillib/mime/quotedprintable.h"
#include "platform/runtime/streams.h"
#include "platform/runtime/stringlist.h"

namespace {

constexpr std::size_t DataSize = 64u << 20;
constexpr std::size_t Base64Block = 57;  // bytes per wire line
constexpr int Rounds = 5;

std::uint64_t NextRandom(std::uint64_t& State) {
  State ^= State << 13;
  State ^= State >> 7;
  State ^= State << 17;
  return State;
}

std::string RandomBytes(std::size_t Size) {
  std::string Bytes(Size, '\0');
  std::uint64_t State = 0x9E3779B97F4A7C15ull;
  for (std::size_t I = 0; I + 8 <= Size; I += 8) {
    const std::uint64_t V = NextRandom(State);
    std::memcpy(Bytes.data() + I, &V, 8);
  }
  return Bytes;
}

// Mail-like text: words of Latin-1 text, now and then an "=", a tab or an
// accented letter, in lines of 40 to 100 characters ending in CR LF.
std::string MailText(std::size_t Size) {
  static const char* const Words[] = {"the",  "mail",     "message",    "caf\xE9",
                                      "x=1",  "na\xEFve", "server",     "quoted-printable",
                                      "text", "and",      "\tindented", "r\xE9sum\xE9"};
  std::string Text;
  Text.reserve(Size + 128);
  std::uint64_t State = 12345;
  std::size_t LineStart = 0;
  std::size_t LineLength = 60;
  while (Text.size() < Size) {
    Text += Words[NextRandom(State) % 12];
    if (Text.size() - LineStart >= LineLength) {
      Text += "\r\n";
      LineStart = Text.size();
      LineLength = 40 + NextRandom(State) % 61;
    } else {
      Text += ' ';
    }
  }
  Text.resize(Size - 2);
  Text += "\r\n";
  return Text;
}

double MiBPerSecond(std::size_t Bytes, std::chrono::steady_clock::duration Time) {
  return Bytes / 1048576.0 / std::chrono::duration<double>(Time).count();
}

// Runs Prepare (untimed) and Work Rounds times and returns the median rate
// for Bytes of data.
double Measure(std::size_t Bytes, const std::function<void()>& Prepare, const std::function<void()>& Work) {
  std::vector<double> Rates;
  for (int Round = 0; Round < Rounds; ++Round) {
    Prepare();
    const auto Start = std::chrono::steady_clock::now();
    Work();
    Rates.push_back(MiBPerSecond(Bytes, std::chrono::steady_clock::now() - Start));
  }
  std::sort(Rates.begin(), Rates.end());
  return Rates[Rates.size() / 2];
}

int Fail(const char* What) {
  std::fprintf(stderr, "%s: result differs from the input\n", What);
  return 1;
}

}  // namespace

int main() {
  const std::string Data = RandomBytes(DataSize);

  std::string Copy(DataSize, '\0');
  const auto Nothing = [] {};
  const double Memcpy = Measure(DataSize, Nothing, [&] { std::memcpy(Copy.data(), Data.data(), DataSize); });
  if (Copy != Data) return Fail("memcpy");

  // Base64: 57 bytes per line, lines ending in CR LF, as the encoder writes them.
  std::string Encoded;
  const double Base64Encode = Measure(
      DataSize,
      [&] {
        Encoded.clear();
        Encoded.reserve(DataSize / Base64Block * 78 + 80);
      },
      [&] {
        const std::string_view In = Data;
        for (std::size_t I = 0; I < In.size(); I += Base64Block) {
          EncodeBase64Line(In.substr(I, Base64Block), Encoded);
          Encoded += "\r\n";
        }
      });
  std::string Decoded;
  const double Base64Decode = Measure(
      DataSize,
      [&] {
        Decoded.clear();
        Decoded.reserve(DataSize);
      },
      [&] {
        const std::string_view In = Encoded;
        for (std::size_t I = 0; I < In.size();) {
          const std::size_t End = In.find("\r\n", I);
          DecodeBase64Line(In.substr(I, End - I), Decoded);
          I = End + 2;
        }
      });
  if (Decoded != Data) return Fail("base64");

  // Quoted-printable over mail-like text.
  const std::string Text = MailText(DataSize);
  TMemoryStream Source;
  Source.WriteString(Text);
  TStringList Lines;
  const double QPEncode = Measure(
      DataSize, [&] { TStringList().swap(Lines); }, [&] { TQuotedPrintable(Source, Lines).Encode(); });
  TMemoryStream Target;
  const double QPDecode = Measure(
      DataSize,
      [&] {
        Target.Clear();
        Target.Reserve(DataSize + 64);
      },
      [&] { TQuotedPrintable(Target, Lines).Decode(); });
  if (Target.View() != Text) return Fail("quoted-printable");

  std::printf("Content codecs, 64 MiB of unencoded data, median of %d rounds\n", Rounds);
  std::printf("  memcpy:                  %8.1f MiB/s\n", Memcpy);
  std::printf("  base64 line encoding:    %8.1f MiB/s\n", Base64Encode);
  std::printf("  base64 line decoding:    %8.1f MiB/s\n", Base64Decode);
  std::printf("  quoted-printable encode: %8.1f MiB/s\n", QPEncode);
  std::printf("  quoted-printable decode: %8.1f MiB/s\n", QPDecode);
  return 0;
}
