#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "platform/table/table.h"

class TDatabase;

// The unique ids (RFC 1939 UIDL) of the messages Get Mail has stored, per
// POP3 account and the mailbox (USERA@SERVER) they were listed for, so that
// a message left on the server is fetched once. Ids of a mailbox the account
// no longer names are never trusted. Reads and writes go through a cursor of
// its own over the UIDL table.
class TFetchedIds {
public:
  // Creates the UIDL table when the store lacks it (a store of an earlier version).
  explicit TFetchedIds(TDatabase& Database);

  // Writes become part of Host's cached batch while it holds one (see
  // TTable::JoinCachedUpdates), so an id is durable exactly when the row
  // of its message is.
  void JoinCachedUpdates(TTable& Host) { FTable.JoinCachedUpdates(&Host); }

  // The ids stored for Account under Mailbox; the account's ids of any other
  // mailbox are dropped.
  std::set<std::string> Load(std::int64_t Account, const std::string& Mailbox);
  void Add(std::int64_t Account, const std::string& Mailbox, const std::string& Id);
  // Drops the ids of Ids stored for Account.
  void Forget(std::int64_t Account, const std::set<std::string>& Ids);
  // Drops every id of Account (the account is being deleted).
  void ForgetAccount(std::int64_t Account);

private:
  // Visits the rows of Account and deletes those for which Drops, called on
  // the current row, says so.
  void Visit(std::int64_t Account, const std::function<bool()>& Drops);

  TTable FTable;
};
