#include "maillib/message/attachments.h"

#include <gtest/gtest.h>

#include <string>

#include "maillib/message/nbmsg.h"
#include "msgtesthelpers.h"

class AttItem : public TMimeTableFixture {};

TEST_F(AttItem, FileNameDerivesTypeAndEncodingFromTheRegisteredExtension) {
  struct Case {
    const char* Name;
    const char* Type;
    TTransferEncoding Encoding;
  };
  const Case Cases[] = {
      {"NOTES.TXT", "text/plain", TTransferEncoding::teQuotedPrintable},
      {"/home/u/site/index.html", "text/html", TTransferEncoding::teQuotedPrintable},
      {"letter.rtf", "text/rtf", TTransferEncoding::teQuotedPrintable},
      {"forwarded.eml", "message/rfc822", TTransferEncoding::te7Bit},
      {"logo.gif", "image/gif", TTransferEncoding::teBase64},
      {"data.unregistered", "application/octet-stream", TTransferEncoding::teBase64},
      {"README", "application/octet-stream", TTransferEncoding::teBase64},
  };
  for (const Case& C : Cases) {
    TnbAttItem Item;
    Item.SetFileName(C.Name);
    EXPECT_EQ(Item.ContentType(), C.Type) << C.Name;
    EXPECT_EQ(Item.TransferEncoding, C.Encoding) << C.Name;
  }
  EXPECT_EQ(TransferEncodingFor("Text/HTML"), TTransferEncoding::teQuotedPrintable);
  EXPECT_EQ(TransferEncodingFor("message/RFC822"), TTransferEncoding::te7Bit);
}

TEST_F(AttItem, AssignCopiesBytesAndFieldsAsTheyAreWithoutDerivingAgain) {
  TnbAttItem Source;
  Source.SetFileName("photo.txt");
  Source.SetContentType("image/jpeg");
  Source.TransferEncoding = TTransferEncoding::teBase64;
  Source.Data.WriteString(std::string("\0\xFF\r\n.", 5));
  TnbAttItem Copy;
  Copy.Assign(Source);
  Source.Data.Clear();
  EXPECT_EQ(Copy.FileName(), "photo.txt");
  EXPECT_EQ(Copy.ContentType(), "image/jpeg");
  EXPECT_EQ(Copy.TransferEncoding, TTransferEncoding::teBase64);
  EXPECT_EQ(Copy.Data.View(), std::string_view("\0\xFF\r\n.", 5));
  Copy.Assign(Copy);
  EXPECT_EQ(Copy.Data.Size(), 5);
}

TEST_F(AttItem, AddFileLoadsTheWholeFileOrAppendsNothing) {
  TTempDir Dir;
  std::string Bytes(200000, '\0');
  for (std::size_t I = 0; I < Bytes.size(); ++I) Bytes[I] = static_cast<char>(I * 7);
  Dir.Write("big.gif", Bytes);
  TnbAttList List;
  TnbAttItem* Item = List.AddFile(Dir / "big.gif");
  ASSERT_EQ(List.Count(), 1);
  EXPECT_EQ(Item->ContentType(), "image/gif");
  EXPECT_EQ(Item->Data.View(), Bytes);
  EXPECT_THROW(List.AddFile(Dir / "missing.txt"), EFOpenError);
  EXPECT_THROW(List.AddFile(Dir.Path().string()), EStreamError);  // a directory
  EXPECT_EQ(List.Count(), 1);
}

TEST_F(AttItem, LoadedFillsEveryStoredAttachmentFromItsFile) {
  TTempDir Dir;
  Dir.Write("one.txt", "first file");
  TnbMessage M;
  M.Attachments().AddItem(std::make_unique<TnbAttItem>())->SetFileName(Dir / "one.txt");
  M.Loaded();
  M.Loaded();  // loading again replaces the bytes rather than adding to them
  EXPECT_EQ(M.Attachments().Items(0).Data.View(), "first file");
  M.Attachments().AddItem(std::make_unique<TnbAttItem>())->SetFileName(Dir / "gone.pdf");
  EXPECT_THROW(M.Loaded(), EFOpenError);
}
