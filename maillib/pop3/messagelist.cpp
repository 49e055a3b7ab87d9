#include "messagelist.h"

#include <algorithm>
#include <string>

#include "maillib/message/msgtypes.h"

TnbListMessage& TnbMessageList::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return *FItems[static_cast<std::size_t>(Index)];
}

void TnbMessageList::Clear() {
  while (!FItems.empty()) delete FItems.back();
}

TnbListMessage::TnbListMessage(TnbMessageList& AOwner) : TnbMessage(&AOwner), FList(AOwner) {
  FList.FItems.push_back(this);
}

TnbListMessage::~TnbListMessage() { std::erase(FList.FItems, this); }
