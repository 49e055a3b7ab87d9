#include "fetchedids.h"

#include <vector>

#include "fieldnames.h"
#include "mailtables.h"
#include "platform/table/database.h"

namespace {

TDatabase& WithTable(TDatabase& Database) {
  Database.CreateTable(FetchedIdsTable());
  return Database;
}

}  // namespace

TFetchedIds::TFetchedIds(TDatabase& Database) : FTable(WithTable(Database), FetchedIdsTable()) {
  FTable.SetIndexName(fetchedidfield::Account);
  FTable.Open();
}

void TFetchedIds::Visit(std::int64_t Account, const std::function<bool()>& Drops) {
  const std::string Key = std::to_string(Account);
  std::vector<std::int64_t> Dropped;
  for (bool Found = FTable.FindKey(Key);
       Found && !FTable.Eof() && FTable.FieldByName(fetchedidfield::Account).AsString() == Key; FTable.Next())
    if (Drops()) Dropped.push_back(FTable.RecordId());
  for (const std::int64_t Id : Dropped)
    if (FTable.GotoRecord(Id)) FTable.Delete();
}

std::set<std::string> TFetchedIds::Load(std::int64_t Account, const std::string& Mailbox) {
  std::set<std::string> Ids;
  Visit(Account, [&] {
    if (FTable.FieldByName(fetchedidfield::Mailbox).AsString() != Mailbox) return true;
    Ids.insert(FTable.FieldByName(fetchedidfield::Uid).AsString());
    return false;
  });
  return Ids;
}

void TFetchedIds::Add(std::int64_t Account, const std::string& Mailbox, const std::string& Id) {
  try {
    FTable.Append();
    FTable.FieldByName(fetchedidfield::Account).SetAsString(std::to_string(Account));
    FTable.FieldByName(fetchedidfield::Mailbox).SetAsString(Mailbox);
    FTable.FieldByName(fetchedidfield::Uid).SetAsString(Id);
    FTable.Post();
  } catch (...) {
    FTable.Cancel();
    throw;
  }
}

void TFetchedIds::Forget(std::int64_t Account, const std::set<std::string>& Ids) {
  if (Ids.empty()) return;
  Visit(Account, [&] { return Ids.contains(FTable.FieldByName(fetchedidfield::Uid).AsString()); });
}

void TFetchedIds::ForgetAccount(std::int64_t Account) {
  Visit(Account, [] { return true; });
}
