#pragma once

#include <filesystem>

#include "platform/table/tabledef.h"

// The six tables of the mail store, with the fields, widths and indexes the
// rest of the application relies on. Field order is the order of the layouts.

// The Inbox (Rmail): index DATE. MESSAGEID and REFERENCES hold the message's
// own id and the ids it answers, which a reply to it threads with.
const TTableDef& RmailTable();
// The Outbox (Smail): index DATE. An answer's INREPLYTO and REFERENCES are
// the threading headers it is sent with (empty for other messages).
const TTableDef& SmailTable();
// The Inbox's BODYTYPE is the media type of DATA ("text/html" when the
// message came without a plain text), empty in rows stored before it.
// The Trashcan (TRASH): the Inbox's layout under its own name, index DATE.
const TTableDef& TrashTable();
// The POP3 accounts (POP3): index PSWRD, so accounts are visited in password
// order. Besides server, account and password: the security mode by name
// (empty: None), the port (empty: the mode's default), the SHA-256
// fingerprint of a certificate the user trusted for the server, and KEYRING,
// true when the password is kept in the keyring and PSWRD is empty: such
// accounts come first, in the order they were added.
const TTableDef& Pop3Table();
// The address book (address): indexes MOBIL and EMAIL.
const TTableDef& AddressTable();
// The ids of the messages fetched for each POP3 account (UIDL): ACCOUNT is
// the account row's record id as text, MAILBOX the USERA@SERVER the id was
// listed for, UID the message's unique id (RFC 1939); index ACCOUNT.
const TTableDef& FetchedIdsTable();

// Creates the database file DatabaseFile with the six empty tables. The file
// appears only once it is complete (it is built under a temporary name and
// renamed), so a stopped installation never leaves a store without tables.
// An existing file is kept and only gains the tables and fields it lacks.
void CreateMailStore(const std::filesystem::path& DatabaseFile);

inline constexpr int MailTableCount = 6;
// How many of the six tables the database file lacks (all for an empty file).
int MissingMailTables(const std::filesystem::path& DatabaseFile);
