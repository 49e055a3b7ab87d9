#include "propertiestext.h"

namespace {

const char* const Rule = "--------------------------------------";  // 38 hyphens

void AppendReversed(TStringList& Lines, const TStringList& Items) { Lines.insert(Lines.end(), Items.rbegin(), Items.rend()); }

}  // namespace

TStringList PropertiesText(TFolderKind Folder, const TStoredMessage& Message) {
  TStringList Lines;
  Lines.push_back(Folder == TFolderKind::Inbox ? "Date of EMail Download:" : "Date of EMail:");
  Lines.push_back(Message.Date);
  Lines.push_back(Rule);
  Lines.push_back("Sender:");
  if (Folder == TFolderKind::Outbox) {
    Lines.push_back("Local (From this machine)");
  } else {
    Lines.push_back(Message.From);
    Lines.push_back(Message.Email);
  }
  Lines.push_back(Rule);
  Lines.push_back("Recipients:");
  AppendReversed(Lines, Message.Recpt);
  Lines.push_back(Rule);
  Lines.push_back("Cc:");
  AppendReversed(Lines, Message.Cc);
  Lines.push_back(Rule);
  Lines.insert(Lines.end(), Message.Data.begin(), Message.Data.end());
  return Lines;
}
