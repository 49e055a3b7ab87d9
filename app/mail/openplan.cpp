#include "openplan.h"

namespace {
constexpr const char* ToOutbox = "To Outbox";
}

std::string ComposerCaption(const std::string& Subject) { return "Corvalen message - " + Subject; }

TMessageWindowFill PlanOpening(TFolderKind Folder, TOpening Way, const TStoredMessage& Source) {
  TMessageWindowFill Fill;
  Fill.Subject = Source.Subject;
  Fill.Body = ReadableBody(Source);
  if (Source.Html) {
    for (const std::string& Line : Source.Data) Fill.Html += Line + '\n';
    Fill.HtmlFiles = Source.Attach;
  }
  Fill.SendCaption = ToOutbox;
  Fill.WindowCaption = ComposerCaption(Source.Subject);
  const bool FromOutbox = Source.From == NoSenderName;
  if (Folder == TFolderKind::Outbox) {
    Fill.InReplyTo = Source.InReplyTo;
    Fill.References = Source.References;
  } else {
    Fill.Attachments = Source.Attach;
    Fill.AttachmentsReceived = true;
  }

  // A view of a received message: the sender's name in the address box.
  auto ShowSender = [&] {
    Fill.LabelCaption = "From:";
    Fill.LabelLeft = 26;
    Fill.Recpt = {Source.From};
  };

  switch (Folder) {
    case TFolderKind::Inbox:
      if (Way == TOpening::FileOpen) {
        ShowSender();
      } else {
        Fill.LabelCaption = "Send To";
        Fill.LabelLeft = 8;
        Fill.Editable = true;
        Fill.SendCaption = "Forward";
      }
      break;
    case TFolderKind::Outbox:
      Fill.LabelCaption = "To:";
      Fill.LabelLeft = 59;
      Fill.Recpt = Source.Recpt;
      Fill.Cc = Source.Cc;
      Fill.Editable = true;
      Fill.Attachments = Source.Attach;
      break;
    case TFolderKind::Trashcan:
      if (!FromOutbox) {
        ShowSender();
      } else {
        if (Way == TOpening::FileOpen) {
          Fill.LabelCaption = "To:";
          Fill.LabelLeft = 36;
        } else {
          Fill.LabelCaption = "Send To:";
          Fill.LabelLeft = 8;
        }
        Fill.Recpt = Source.Recpt;
        Fill.Cc = Source.Cc;
      }
      if (Way == TOpening::DoubleClick) Fill.WindowCaption = Source.Subject;
      break;
  }
  return Fill;
}
