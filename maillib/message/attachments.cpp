#include "attachments.h"

#include <algorithm>
#include <utility>

#include "maillib/message/attachmentfile.h"
#include "maillib/message/itemsfiler.h"
#include "maillib/message/contenttype.h"
#include "platform/runtime/asciicase.h"

namespace {

std::unique_ptr<TnbAttItem> CopyOf(const TnbAttItem& Source) {
  auto Item = std::make_unique<TnbAttItem>();
  Item->Assign(Source);
  return Item;
}

}  // namespace

TTransferEncoding TransferEncodingFor(std::string_view ContentType) {
  const std::string Type = ToUpperAscii(ContentType);
  if (Type == "TEXT/PLAIN" || Type == "TEXT/RTF" || Type == "TEXT/HTML")
    return TTransferEncoding::teQuotedPrintable;
  if (Type == "MESSAGE/RFC822") return TTransferEncoding::te7Bit;
  return TTransferEncoding::teBase64;
}

void TnbAttItem::SetFileName(std::string_view Value) {
  FFileName = ShortFileName(Value);
  if (FFileName.empty()) return;
  SetContentType(ContentTypeForFile(FFileName));
  TransferEncoding = TransferEncodingFor(FContentType);
}

void TnbAttItem::Assign(const TnbAttItem& Source) {
  if (&Source == this) return;
  Data.Clear();
  Data.WriteString(Source.Data.View());
  Data.SetPosition(0);
  AssignDescription(Source);
}

void TnbAttItem::AssignDescription(const TnbAttItem& Source) {
  FFileName = Source.FFileName;
  FContentType = Source.FContentType;
  TransferEncoding = Source.TransferEncoding;
}

void TnbAttItem::LoadDataFromFile() {
  TFileStream File(FFileName, TFileMode::fmOpenRead);
  TMemoryStream Bytes;
  char Buffer[65536];
  for (;;) {
    const std::size_t N = File.Read(Buffer, sizeof Buffer);
    if (N == 0) break;
    Bytes.Write(Buffer, N);
  }
  Bytes.SetPosition(0);
  Data = std::move(Bytes);
}

const TnbAttItem& TnbAttList::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return *FItems[static_cast<std::size_t>(Index)];
}

TnbAttItem& TnbAttList::Items(int Index) {
  return const_cast<TnbAttItem&>(std::as_const(*this).Items(Index));
}

TnbAttItem* TnbAttList::AddItem(std::unique_ptr<TnbAttItem> Item) {
  if (!Item) return nullptr;
  FItems.push_back(std::move(Item));
  return FItems.back().get();
}

TnbAttItem* TnbAttList::AddFile(const std::string& Path) {
  auto Item = std::make_unique<TnbAttItem>();
  Item->SetFileName(Path);
  Item->LoadDataFromFile();
  return AddItem(std::move(Item));
}

void TnbAttList::Clear() { FItems.clear(); }

void TnbAttList::Delete(int Index) {
  Items(Index);  // checks the index
  FItems.erase(FItems.begin() + Index);
}

void TnbAttList::Assign(const TnbAttList& Source) {
  std::vector<std::unique_ptr<TnbAttItem>> Copy;
  Copy.reserve(Source.FItems.size());
  for (const auto& Item : Source.FItems) Copy.push_back(CopyOf(*Item));
  FItems = std::move(Copy);
}

void TnbAttList::WriteItems(TItemsWriter& Writer) const {
  if (FItems.empty()) return;
  Writer.WriteProperty("Items");
  Writer.WriteListBegin();
  for (const auto& Item : FItems) {
    Writer.WriteString(Item->FileName());
    Writer.WriteString(Item->ContentType());
    Writer.WriteInteger(static_cast<long>(Item->TransferEncoding));
    Writer.EndEntry();
  }
  Writer.WriteListEnd();
}

void TnbAttList::ReadItems(TItemsReader& Reader) {
  std::vector<std::unique_ptr<TnbAttItem>> Read;
  Reader.ReadListBegin();
  while (!Reader.EndOfList()) {
    auto Item = std::make_unique<TnbAttItem>();
    Item->SetFileName(Reader.ReadString());
    Item->SetContentType(Reader.ReadString());
    const long Encoding = Reader.ReadInteger();
    if (Encoding < static_cast<long>(TTransferEncoding::te7Bit) ||
        Encoding > static_cast<long>(TTransferEncoding::teQuotedPrintable))
      throw EReadError("Invalid stream format: transfer encoding " + std::to_string(Encoding) +
                       " out of range");
    Item->TransferEncoding = static_cast<TTransferEncoding>(Encoding);
    Read.push_back(std::move(Item));
  }
  Reader.ReadListEnd();
  FItems = std::move(Read);
}
