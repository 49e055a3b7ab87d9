#pragma once

#include <vector>

#include "maillib/message/nbmsg.h"

class TnbListMessage;

// The messages a POP3 client has fetched, in the order they arrived. The
// list owns them; they enter and leave it by themselves.
class TnbMessageList : public TComponent {
public:
  using TComponent::TComponent;
  // The messages go before the list they would leave.
  ~TnbMessageList() override { Clear(); }

  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError for an index outside the list.
  TnbListMessage& Items(int Index) const;
  // Destroys every message, from the last to the first.
  void Clear();

private:
  friend class TnbListMessage;
  std::vector<TnbListMessage*> FItems;
};

// A fetched message: a TnbMessage bound to the list that owns it. Its owner
// can only be a message list, so the bond cannot be broken by mistake.
class TnbListMessage : public TnbMessage {
public:
  explicit TnbListMessage(TnbMessageList& AOwner);
  ~TnbListMessage() override;

private:
  TnbMessageList& FList;
};
