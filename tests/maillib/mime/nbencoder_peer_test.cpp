// What the encoder writes, read back by two other parsers: Python's standard
// email package (an independent implementation) and the library's own
// decoder.

#include <gtest/gtest.h>

#include <algorithm>
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

namespace {

// Writes M, checks that Python and the library's decoder both read every
// attachment back byte for byte, and returns the wire text.
std::string ExpectAttachmentsComeBack(TnbMessage& M) {
  TMemoryStream Stream;
  M.SaveToStream(Stream);
  const std::string Wire(Stream.View());
  TnbMessage Back;
  Stream.SetPosition(0);
  Back.LoadFromStream(Stream);
  EXPECT_EQ(Back.Attachments().Count(), M.Attachments().Count());
  for (int I = 0; I < M.Attachments().Count() && I < Back.Attachments().Count(); ++I)
    EXPECT_EQ(Hex(std::string(Back.Attachments().Items(I).Data.View())), Hex(std::string(M.Attachments().Items(I).Data.View())))
        << M.Attachments().Items(I).FileName();
  if (std::system("python3 -c 'import email' >/dev/null 2>&1") != 0) return Wire;
  const std::vector<std::string> Lines = PeerReading(Wire);
  for (int I = 0; I < M.Attachments().Count(); ++I) {
    const TnbAttItem& Item = M.Attachments().Items(I);
    // Python reads a message part as a message, not as bytes.
    if (Wire.find("Content-Type: message/rfc822; name=\"" + Item.FileName()) != std::string::npos) continue;
    const std::string Suffix = " " + Item.FileName() + " " + Hex(std::string(Item.Data.View()));
    EXPECT_TRUE(std::any_of(Lines.begin(), Lines.end(), [&](const std::string& L) { return L.ends_with(Suffix); }))
        << "Python reads " << Item.FileName() << " otherwise";
  }
  return Wire;
}

}  // namespace

TEST(EncoderPeerCheck, TextAttachmentsArriveByteForByte) {
  TnbMessage M;
  M.Sender().SetAddress("a@example.org");
  M.Recipients().AddAddress("b@example.org", "B");
  M.Body() = {"files"};
  const std::string Utf16("\xFF\xFEH\0i\0\r\0\n\0", 10);
  Attach(M, "lf.txt", "text/plain", TTransferEncoding::teQuotedPrintable, "one \ntwo\t\nthree\n");
  Attach(M, "nofinal.txt", "text/plain", TTransferEncoding::teQuotedPrintable, "first line\r\nno final break");
  Attach(M, "utf16.txt", "text/plain", TTransferEncoding::teQuotedPrintable, Utf16);
  Attach(M, "crlf.txt", "text/plain", TTransferEncoding::teQuotedPrintable, "a\r\nb = c\r\n");
  ExpectAttachmentsComeBack(M);
}

TEST(EncoderPeerCheck, SevenBitItemsStayWithinSmtpLinesAndSevenBits) {
  TnbMessage M;
  M.Sender().SetAddress("a@example.org");
  M.Recipients().AddAddress("b@example.org", "B");
  M.Body() = {"forwarded"};
  Attach(M, "long.eml", "message/rfc822", TTransferEncoding::te7Bit,
         "Subject: long\r\n\r\n" + std::string(3000, 'x') + "\r\n");
  Attach(M, "latin.eml", "message/rfc822", TTransferEncoding::te7Bit, "Subject: x\r\n\r\nK\xF6ln\r\n");
  Attach(M, "fine.eml", "message/rfc822", TTransferEncoding::te7Bit, "Subject: y\r\n\r\nplain\r\n.\r\n");
  // As a received message part is decoded: its last line break belonged to the delimiter.
  Attach(M, "received.eml", "message/rfc822", TTransferEncoding::te7Bit, "Subject: z\r\n\r\nlast");
  const std::string Wire = ExpectAttachmentsComeBack(M);
  EXPECT_NE(Wire.find("Content-Type: message/rfc822; name=\"received.eml\""), std::string::npos);
  std::size_t Start = 0;
  for (std::size_t End; (End = Wire.find("\r\n", Start)) != std::string::npos; Start = End + 2)
    EXPECT_LE(End - Start, 998u);
  EXPECT_TRUE(std::all_of(Wire.begin(), Wire.end(), [](char C) { return static_cast<unsigned char>(C) < 0x80; }));
  EXPECT_EQ(Wire.find("8bit"), std::string::npos);
}

TEST(EncoderPeerCheck, DisplayNamesWithStrayQuotesKeepTheAddressList) {
  TnbMessage M;
  M.Sender().SetAddress("a@example.org");
  const std::vector<std::string> Names = {"Smith, \"Ann", "Bob \"the builder\" Jones", "C\\D \"x", "Dee"};
  for (std::size_t I = 0; I < Names.size(); ++I)
    M.Recipients().AddAddress("r" + std::to_string(I) + "@example.org", Names[I]);
  M.Body() = {"hi"};
  TMemoryStream Stream;
  M.SaveToStream(Stream);
  TnbMessage Back;
  Stream.SetPosition(0);
  Back.LoadFromStream(Stream);
  ASSERT_EQ(Back.Recipients().Count(), 4);
  for (int I = 0; I < 4; ++I) EXPECT_EQ(Back.Recipients().Items(I).Address(), "r" + std::to_string(I) + "@example.org");
  EXPECT_EQ(Back.Recipients().Items(0).Name(), "Smith, \"Ann");
  if (std::system("python3 -c 'import email' >/dev/null 2>&1") != 0) return;
  const std::vector<std::string> Lines = PeerReading(std::string(Stream.View()));
  EXPECT_EQ(std::count_if(Lines.begin(), Lines.end(), [](const std::string& L) { return L.starts_with("address To: "); }), 4);
  EXPECT_TRUE(Has(Lines, "address To: Smith, \"Ann <r0@example.org>"));
}
