#include "mailtables.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <system_error>

#include "fieldnames.h"
#include "platform/table/database.h"
#include "platform/table/table.h"

namespace {

// Widths of the character fields.
constexpr int SubjectWidth = 254;
constexpr int AddressWidth = 254;
constexpr int DateWidth = 50;
// A media type such as "text/html".
constexpr int BodyTypeWidth = 50;
// "STARTTLS" is the longest mode name; a port has at most five digits; a
// SHA-256 fingerprint is 32 hex pairs joined by colons.
constexpr int SecurityWidth = 10;
constexpr int PortWidth = 5;
constexpr int FingerprintWidth = 95;
// POP3 server and account names; an account's mailbox is both joined by "@".
constexpr int Pop3NameWidth = 50;
constexpr int MailboxWidth = 2 * Pop3NameWidth + 1;
// A record id in decimal; a unique id has at most 70 characters (RFC 1939, 7).
constexpr int RecordIdWidth = 20;
constexpr int UniqueIdWidth = 70;

TFieldDef Character(const char* Name, int Width) { return {Name, TFieldType::ftString, Width}; }
TFieldDef Memo(const char* Name) { return {Name, TFieldType::ftMemo, 0}; }
TFieldDef Logical(const char* Name) { return {Name, TFieldType::ftBoolean, 0}; }

TTableDef ReceivedFolder(const char* TableName) {
  using namespace inboxfield;
  return {TableName,
          {Character(Subject, SubjectWidth), Character(From, AddressWidth), Character(Email, AddressWidth),
           Character(Date, DateWidth), Memo(Data), Memo(Recpt), Memo(Cc), Memo(Attach), Logical(State),
           Memo(MessageId), Memo(References), Character(BodyType, BodyTypeWidth)},
          {{Date, Date}}};
}

// Makes a rename in Dir survive a crash.
void SyncDirectory(const std::filesystem::path& Dir) {
  const int Fd = ::open(Dir.empty() ? "." : Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) return;
  ::fsync(Fd);
  ::close(Fd);
}

void RemoveDatabaseFiles(const std::filesystem::path& File) {
  std::error_code Ignored;
  for (const char* Suffix : {"", "-wal", "-shm", "-journal"})
    std::filesystem::remove(File.string() + Suffix, Ignored);
}

const TTableDef* const MailTables[] = {&RmailTable(), &SmailTable(), &TrashTable(), &Pop3Table(), &AddressTable(),
                                     &FetchedIdsTable()};
static_assert(std::size(MailTables) == MailTableCount);

void CreateTables(TDatabase& Database) {
  for (const TTableDef* Def : MailTables) Database.CreateTable(*Def);
}

// Moves From to To unless To exists; false when it does.
bool RenameNoReplace(const std::filesystem::path& From, const std::filesystem::path& To) {
  if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EEXIST) return false;
  if (errno != EINVAL && errno != ENOSYS)
    throw ETableError("Cannot create database \"" + To.string() + "\": " + std::strerror(errno));
  // A file system without the exclusive rename: the check and the rename are two steps.
  if (std::filesystem::exists(To)) return false;
  std::filesystem::rename(From, To);
  return true;
}

void CompleteMailStore(const std::filesystem::path& DatabaseFile) {
  TDatabase Database(DatabaseFile.string());
  CreateTables(Database);
}

}  // namespace

const TTableDef& RmailTable() {
  static const TTableDef Def = ReceivedFolder("Rmail");
  return Def;
}

const TTableDef& SmailTable() {
  using namespace outboxfield;
  static const TTableDef Def = {"Smail",
                                {Character(Subject, SubjectWidth), Character(To, AddressWidth),
                                 Character(Date, DateWidth), Memo(Cc), Memo(Recpt), Memo(Data), Memo(Attach),
                                 Logical(State), Memo(InReplyTo), Memo(References)},
                                {{Date, Date}}};
  return Def;
}

const TTableDef& TrashTable() {
  static const TTableDef Def = ReceivedFolder("TRASH");
  return Def;
}

const TTableDef& Pop3Table() {
  using namespace accountfield;
  static const TTableDef Def = {
      "POP3",
      {Character(Server, Pop3NameWidth), Character(User, Pop3NameWidth), Character(Password, 20),
       Character(Security, SecurityWidth), Character(Port, PortWidth), Character(TrustedCertificate, FingerprintWidth),
       Logical(Keyring)},
      {{Password, Password}}};
  return Def;
}

const TTableDef& AddressTable() {
  using namespace addressfield;
  static const TTableDef Def = {"address",
                                {Character(FirstName, 20), Character(LastName, 20), Character(Address1, 40),
                                 Character(Address2, 40), Character(Address3, 40), Character(Email, 30),
                                 Character(Mobile, 15), Character(Phone, 15), Character(JobPhone, 15)},
                                {{Mobile, Mobile}, {Email, Email}}};
  return Def;
}

const TTableDef& FetchedIdsTable() {
  static const TTableDef Def = {
      "UIDL",
      {Character(fetchedidfield::Account, RecordIdWidth), Character(fetchedidfield::Mailbox, MailboxWidth),
       Character(fetchedidfield::Uid, UniqueIdWidth)},
      {{fetchedidfield::Account, fetchedidfield::Account}}};
  return Def;
}

int MissingMailTables(const std::filesystem::path& DatabaseFile) {
  TDatabase Database(DatabaseFile.string());
  int Missing = 0;
  for (const TTableDef* Def : MailTables) Missing += Database.TableExists(Def->TableName) ? 0 : 1;
  return Missing;
}

void CreateMailStore(const std::filesystem::path& DatabaseFile) {
  if (std::filesystem::exists(DatabaseFile)) {
    CompleteMailStore(DatabaseFile);
    return;
  }
  // Build the store under a temporary name; closing the last connection
  // folds the log into the file, and the rename then publishes it whole.
  std::filesystem::path Temporary = DatabaseFile;
  Temporary += ".new";
  RemoveDatabaseFiles(Temporary);
  try {
    {
      TDatabase Database(Temporary.string());
      CreateTables(Database);
    }
    std::error_code Error;
    // The tables must be in the file itself before it is published alone.
    std::filesystem::path Log = Temporary;
    Log += "-wal";
    if (std::filesystem::exists(Log) && std::filesystem::file_size(Log, Error) > 0)
      throw ETableError("Cannot create database \"" + DatabaseFile.string() + "\": its log was not folded in");
    // A store that appeared meanwhile (another start) is never replaced.
    if (!RenameNoReplace(Temporary, DatabaseFile)) {
      RemoveDatabaseFiles(Temporary);
      CompleteMailStore(DatabaseFile);
      return;
    }
  } catch (const std::filesystem::filesystem_error& E) {
    RemoveDatabaseFiles(Temporary);
    throw ETableError("Cannot create database \"" + DatabaseFile.string() + "\": " + E.what());
  } catch (...) {
    RemoveDatabaseFiles(Temporary);
    throw;
  }
  SyncDirectory(DatabaseFile.parent_path());
}
