// What the encoder writes, read back by two other parsers: Python's standard
// email package (an independent implementation) and the library's own
// decoder.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "maillib/message/nbmsg.h"
#include "platform/runtime/streams.h"

namespace {

std::string Hex(const std::string& Bytes) {
  static const char Digits[] = "0123456789abcdef";
  std::string Result;
  for (const char Ch : Bytes) {
    const auto C = static_cast<unsigned char>(Ch);
    Result += Digits[C >> 4];
    Result += Digits[C & 15];
  }
  return Result;
}

TnbAttItem& Attach(TnbCustomMessage& M, const std::string& FileName, const std::string& Type,
                   TTransferEncoding Encoding, const std::string& Bytes) {
  auto* Item = M.Attachments().AddItem(std::make_unique<TnbAttItem>());
  Item->SetFileName(FileName);
  Item->SetContentType(Type);
  Item->TransferEncoding = Encoding;
  Item->Data.WriteString(Bytes);
  return *Item;
}

std::string AllBytes() {
  std::string Bytes;
  for (int Round = 0; Round < 3; ++Round)
    for (int C = 0; C < 256; ++C) Bytes += static_cast<char>(C ^ (Round * 37));
  return Bytes;
}

// A message that uses most of what the encoder can write.
void FillRichMessage(TnbMessage& M) {
  M.Sender().SetName("J. Doe");
  M.Sender().SetAddress("jd@example.org");
  M.Recipients().AddAddress("ann@example.com", "Smith, Ann");
  M.Recipients().AddAddress("bob@example.com", "Bob Ünal");
  M.CC().AddAddress("carol@example.com", "Carol");
  M.SetSubject("Grüße \xE2\x80\x94 report\r\nBcc: spy@example.net");
  M.CharSet = TCharSet::csISO8859;
  M.Body() = {"Grüße aus Köln.", ".", "", std::string(300, 'x') + " end", "a=b"};
  Attach(M, "/home/u/data.bin", "application/octet-stream", TTransferEncoding::teBase64, AllBytes());
  Attach(M, "notes.txt", "text/plain", TTransferEncoding::teQuotedPrintable,
         "first line\r\n.\r\nequals = sign\r\n" + std::string(200, 'y') + "\r\n");
}

std::vector<std::string> PeerReading(const std::string& Raw) {
  const std::string Path =
      (std::filesystem::temp_directory_path() / ("corvalen-peer-" + std::to_string(::getpid()) + ".eml")).string();
  std::ofstream(Path, std::ios::binary) << Raw;
  const std::string Command = "python3 " CORVALEN_TESTS_SUPPORT_DIR "/mailpeer.py " + Path;
  std::vector<std::string> Lines;
  if (FILE* Pipe = ::popen(Command.c_str(), "r")) {
    std::string Out;
    char Buffer[4096];
    for (std::size_t N; (N = std::fread(Buffer, 1, sizeof Buffer, Pipe)) > 0;) Out.append(Buffer, N);
    ::pclose(Pipe);
    std::istringstream In(Out);
    for (std::string Line; std::getline(In, Line);) Lines.push_back(Line);
  }
  std::filesystem::remove(Path);
  return Lines;
}

bool Has(const std::vector<std::string>& Lines, const std::string& Line) {
  return std::find(Lines.begin(), Lines.end(), Line) != Lines.end();
}

}  // namespace

TEST(EncoderPeerCheck, PythonEmailReadsTheSameTextAndBytesWithoutDefects) {
  if (std::system("python3 -c 'import email' >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  TnbMessage M;
  FillRichMessage(M);
  TMemoryStream Stream;
  M.SaveToStream(Stream);
  const std::vector<std::string> Lines = PeerReading(std::string(Stream.View()));
  ASSERT_FALSE(Lines.empty());
  for (const std::string& Line : Lines) EXPECT_NE(Line.rfind("defect ", 0), 0u) << Line;

  EXPECT_TRUE(Has(Lines, "header From: \"J. Doe\" <jd@example.org>"));
  EXPECT_TRUE(Has(Lines, "header To: \"Smith, Ann\" <ann@example.com>, Bob Ünal <bob@example.com>"));
  EXPECT_TRUE(Has(Lines, "header CC: Carol <carol@example.com>"));
  EXPECT_TRUE(Has(Lines, "header Subject: Grüße \xE2\x80\x94 report Bcc: spy@example.net"));
  EXPECT_TRUE(Has(Lines, "structure multipart/mixed text/plain application/octet-stream text/plain"));

  std::string Body;
  for (const std::string& Line : M.Body()) Body += Line + "\n";
  EXPECT_TRUE(Has(Lines, "text text/plain iso-8859-1 " + Hex(Body)));
  EXPECT_TRUE(Has(Lines, "attachment application/octet-stream data.bin " + Hex(AllBytes())));
  EXPECT_TRUE(Has(Lines, "attachment text/plain notes.txt " +
                             Hex("first line\r\n.\r\nequals = sign\r\n" + std::string(200, 'y') + "\r\n")));
}

TEST(EncoderPeerCheck, PythonEmailReadsTheNestedAlternativeGroup) {
  if (std::system("python3 -c 'import email' >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  TnbMessage M;
  M.Sender().SetAddress("a@example.org");
  M.Recipients().AddAddress("b@example.org", "B");
  M.Body() = {"plain"};
  Attach(M, "_alt.1", "text/html", TTransferEncoding::teQuotedPrintable, "<p>rich</p>\r\n");
  Attach(M, "pic.gif", "image/gif", TTransferEncoding::teBase64, "GIF89a\x01\x02");
  TMemoryStream Stream;
  M.SaveToStream(Stream);
  const std::vector<std::string> Lines = PeerReading(std::string(Stream.View()));
  ASSERT_FALSE(Lines.empty());
  for (const std::string& Line : Lines) EXPECT_NE(Line.rfind("defect ", 0), 0u) << Line;
  EXPECT_TRUE(Has(Lines, "structure multipart/mixed multipart/alternative text/plain text/html image/gif"));
  EXPECT_TRUE(Has(Lines, "attachment image/gif pic.gif " + Hex("GIF89a\x01\x02")));
}

TEST(EncoderRoundTrip, TheLibrarysDecoderGetsBackWhatWasWritten) {
  TnbMessage M;
  FillRichMessage(M);
  TMemoryStream Stream;
  M.SaveToStream(Stream);

  TnbMessage Back;
  Stream.SetPosition(0);
  Back.LoadFromStream(Stream);
  EXPECT_EQ(Back.Sender().Address(), "jd@example.org");
  ASSERT_EQ(Back.Recipients().Count(), 2);
  EXPECT_EQ(Back.Recipients().Items(0).Address(), "ann@example.com");
  EXPECT_EQ(Back.Recipients().Items(1).Address(), "bob@example.com");
  EXPECT_EQ(Back.Recipients().Items(1).Name(), "Bob Ünal");
  ASSERT_EQ(Back.CC().Count(), 1);
  EXPECT_EQ(Back.Subject(), "Grüße \xE2\x80\x94 report Bcc: spy@example.net");
  EXPECT_EQ(Back.BCC().Count(), 0);
  // The empty line between a part's data and the next delimiter belongs to
  // the delimiter: neither the text nor the attachment gains a line.
  EXPECT_EQ(Back.Body(), M.Body());
  ASSERT_EQ(Back.Attachments().Count(), 2);
  EXPECT_EQ(Back.Attachments().Items(0).Data.View(), AllBytes());
  EXPECT_EQ(Back.Attachments().Items(1).Data.View(), M.Attachments().Items(1).Data.View());
}
