#include "mailaddress.h"

#include <utility>

#include "maillib/message/itemsfiler.h"

void TnbMailAddress::Assign(const TnbMailAddress& Source) {
  FName = Source.FName;
  FAddress = Source.FAddress;
}

void TnbMailAddress::Clear() {
  FName.clear();
  FAddress.clear();
}

bool TnbMailAddress::Edit() {
  if (!EditHook) return false;
  return EditHook(*this);
}

const TnbMailAddress& TnbAddressList::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return *FItems[static_cast<std::size_t>(Index)];
}

TnbMailAddress& TnbAddressList::Items(int Index) {
  return const_cast<TnbMailAddress&>(std::as_const(*this).Items(Index));
}

TnbMailAddress* TnbAddressList::AddItem(std::unique_ptr<TnbMailAddress> Item) {
  if (!Item) return nullptr;
  FItems.push_back(std::move(Item));
  return FItems.back().get();
}

TnbMailAddress* TnbAddressList::AddAddress(std::string_view Address, std::string_view Name) {
  return AddItem(std::make_unique<TnbMailAddress>(Address, Name));
}

void TnbAddressList::Clear() { FItems.clear(); }

void TnbAddressList::Assign(const TnbAddressList& Source) {
  std::vector<std::unique_ptr<TnbMailAddress>> Copy;
  Copy.reserve(Source.FItems.size());
  for (const auto& Item : Source.FItems) Copy.push_back(std::make_unique<TnbMailAddress>(*Item));
  FItems = std::move(Copy);
}

void TnbAddressList::WriteItems(TItemsWriter& Writer) const {
  if (FItems.empty()) return;
  Writer.WriteProperty("Items");
  Writer.WriteListBegin();
  for (const auto& Item : FItems) {
    Writer.WriteString(Item->Name());
    Writer.WriteString(Item->Address());
    Writer.EndEntry();
  }
  Writer.WriteListEnd();
}

void TnbAddressList::ReadItems(TItemsReader& Reader) {
  std::vector<std::unique_ptr<TnbMailAddress>> Read;
  Reader.ReadListBegin();
  while (!Reader.EndOfList()) {
    auto Item = std::make_unique<TnbMailAddress>();
    Item->SetName(Reader.ReadString());
    Item->SetAddress(Reader.ReadString());
    Read.push_back(std::move(Item));
  }
  Reader.ReadListEnd();
  FItems = std::move(Read);
}
