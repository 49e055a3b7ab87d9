#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

// The unique ids (POP3 UIDL) of the messages mailtool fetch has stored in a
// directory, kept per mailbox in the hidden file DIR/.pop3-ids so that a
// message is fetched once, however often fetch runs. One line "MAILBOX ID"
// per message; MAILBOX is "user@server" with every byte outside "!" to "~",
// and "%", written as %XX, so that neither field holds a blank.
class TPop3IdsFile {
public:
  // Reads Dir's file (none yet: no ids) and takes the ids of Mailbox. A line
  // that is not whole and well-formed (a run killed while appending it, a
  // damaged disk) is dropped, so at worst its message is fetched again; the
  // file is then rewritten without it before anything is added.
  TPop3IdsFile(const std::filesystem::path& Dir, const std::string& Mailbox);

  const std::set<std::string>& Known() const { return FAll.at(FMailbox); }
  // How many lines of the file were dropped on reading.
  int DroppedLines() const { return FDropped; }

  // Removes Ids from the mailbox's ids; the file is replaced atomically
  // (temporary file, flush, rename), the other mailboxes' lines kept.
  void Forget(const std::set<std::string>& Ids);
  // Records Id as stored: one line appended to the file. Call it only once
  // the message is safely on disk.
  void Add(const std::string& Id);

private:
  void Rewrite();

  std::filesystem::path FFile;
  std::string FMailbox;
  std::map<std::string, std::set<std::string>> FAll;
  int FDropped = 0;
  bool FClean = true;
};
