#pragma once

#include <string>

#include "platform/runtime/stringlist.h"
#include "storedmessage.h"

// The ways of opening a stored message in a message window.
enum class TOpening { FileOpen, DoubleClick };

// Everything a message window shows for one opened message. Every opening
// sets all of it, so a reused window never shows what an earlier message
// left behind (addresses, attachments, an old send caption).
struct TMessageWindowFill {
  std::string LabelCaption;  // the caption of the address box
  int LabelLeft = 8;         // its left position in pixels
  TStringList Recpt;
  TStringList Cc;
  std::string Subject;
  // The body as text; for an HTML message its readable text.
  TStringList Body;
  // An HTML message's document, for the formatted view (empty otherwise),
  // and the saved files its cid: images may name.
  std::string Html;
  TStringList HtmlFiles;
  // Send, attach, remove and the address pickers are enabled: the window is
  // an editable copy that its send button puts into the Outbox.
  bool Editable = false;
  // Whether the To box, the CC box (each with its picker) and the subject
  // may be changed; a reply to the writer locks its addresses.
  bool RecptEditable = true;
  bool CcEditable = true;
  bool SubjectEditable = true;
  std::string SendCaption;
  std::string WindowCaption;
  TStringList Attachments;
  // The attachments are files saved from a received message: listed by
  // name and size, a file gone from disk marked missing.
  bool AttachmentsReceived = false;
  // The threading headers the message is queued with (an answer's).
  std::string InReplyTo;
  std::string References;
};

// How the message window is filled when Source, a message of Folder, is
// opened the given way. Inbox messages opened with Open and all Trashcan
// messages are view-only; an Inbox message opened by double-click is ready to
// be forwarded (empty addresses, send caption "Forward"); an Outbox message
// opened either way is an editable copy with its addresses, attachments and
// threading headers. Inbox and Trashcan messages list their saved files.
// A Trashcan message opened by double-click is titled with its bare subject.
TMessageWindowFill PlanOpening(TFolderKind Folder, TOpening Way, const TStoredMessage& Source);

// The composer's caption after its subject changed.
std::string ComposerCaption(const std::string& Subject);
