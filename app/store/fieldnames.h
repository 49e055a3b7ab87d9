#pragma once

// The names of the mail store's fields, as they are on disk (stores written
// by earlier versions rely on them). Code names a field through these, so a
// misspelt name does not compile. Each index is named after its one field.

// The fields all three mail folders have: the Inbox (Rmail), the Trashcan
// (TRASH) and the Outbox (Smail).
namespace folderfield {
inline constexpr char Subject[] = "SUBJECT";
inline constexpr char Date[] = "DATE";
inline constexpr char Data[] = "DATA";
inline constexpr char Recpt[] = "RECPT";
inline constexpr char Cc[] = "CC";
inline constexpr char Attach[] = "ATTACH";
inline constexpr char State[] = "STATE";
inline constexpr char References[] = "REFERENCES";
}  // namespace folderfield

// The received-folder layout of the Inbox and the Trashcan.
namespace inboxfield {
using namespace folderfield;
inline constexpr char From[] = "FROM";
inline constexpr char Email[] = "EMAIL";
inline constexpr char MessageId[] = "MESSAGEID";
inline constexpr char BodyType[] = "BODYTYPE";
}  // namespace inboxfield

// The Outbox.
namespace outboxfield {
using namespace folderfield;
inline constexpr char To[] = "TO";
inline constexpr char InReplyTo[] = "INREPLYTO";
}  // namespace outboxfield

// The POP3 accounts (POP3).
namespace accountfield {
inline constexpr char Server[] = "SERVER";
inline constexpr char User[] = "USERA";
inline constexpr char Password[] = "PSWRD";
inline constexpr char Security[] = "SECURITY";
inline constexpr char Port[] = "PORT";
inline constexpr char TrustedCertificate[] = "TRUSTCERT";
inline constexpr char Keyring[] = "KEYRING";
}  // namespace accountfield

// The address book (address).
namespace addressfield {
inline constexpr char FirstName[] = "FIRST_NAME";
inline constexpr char LastName[] = "LAST_NAME";
inline constexpr char Address1[] = "ADDRESS_1";
inline constexpr char Address2[] = "ADDRESS_2";
inline constexpr char Address3[] = "ADDRESS_3";
inline constexpr char Email[] = "EMAIL";
inline constexpr char Mobile[] = "MOBIL";
inline constexpr char Phone[] = "PHONE";
inline constexpr char JobPhone[] = "JOBPHONE";
}  // namespace addressfield

// The ids of the messages fetched for each POP3 account (UIDL).
namespace fetchedidfield {
inline constexpr char Account[] = "ACCOUNT";
inline constexpr char Mailbox[] = "MAILBOX";
inline constexpr char Uid[] = "UID";
}  // namespace fetchedidfield
