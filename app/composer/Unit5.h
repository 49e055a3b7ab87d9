#pragma once

#include <QDialog>

#include "app/mail/openplan.h"
#include "app/mail/outboxrow.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabWidget;
class QToolButton;
class TDatabase;
class TFolderView;
class TForm9;
class TFormattedView;

// The message composer: recipients, carbon copies, subject, body and
// attached files. Its send button does not send anything: it puts the
// message into the Outbox (table and list) as waiting, from where Send Mail
// takes it. The main window keeps one composer for New Message, Reply,
// Forward and Open; it is always shown modally and keeps its content between
// uses.
class TForm5 : public QDialog {
  Q_OBJECT
public:
  // Database: the mail store, whose Outbox table the send button adds a row
  // to; Outbox: the Outbox view, whose list gains the row's entry.
  TForm5(TDatabase& Database, TFolderView& Outbox, QWidget* Parent);

  // The caption of the address box; its left position tells the kind of address.
  QLabel* Label1 = nullptr;
  // Pick To addresses.
  QToolButton* SpeedButton1 = nullptr;
  // To addresses, one a line.
  QPlainTextEdit* Recpt = nullptr;
  QLabel* Label2 = nullptr;
  // Pick carbon-copy addresses.
  QToolButton* SpeedButton2 = nullptr;
  // Carbon-copy addresses, one a line.
  QPlainTextEdit* Cc = nullptr;
  QLabel* Label3 = nullptr;
  // The subject.
  QLineEdit* Edit3 = nullptr;
  // "To Outbox" (the default and confirming button), "&Attach File", "&Remove Attach ".
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QPushButton* BitBtn3 = nullptr;
  // The body; Tab types a tab character.
  QPlainTextEdit* Memo1 = nullptr;
  QSplitter* Splitter1 = nullptr;
  // The body's views: the text (Memo1) and, for an HTML message, a tab with
  // the message as its writer laid it out. The tabs show only when both do.
  QTabWidget* BodyViews = nullptr;
  TFormattedView* Formatted = nullptr;
  // The attached files: one entry per file, captioned with its full path, or
  // with name and size for the files of a received message. Double-click or
  // Enter opens a file; its context menu opens or saves a copy.
  QListWidget* ListView1 = nullptr;

  // Empties the composer for a new message and shows it modally.
  void NewMessage();
  // Shows what an opened message fills in, keeping its threading headers
  // for the message queued; the caller then shows the window.
  void Fill(const TMessageWindowFill& Fill);

  // The address box's caption and left position in pixels.
  void SetAddressLabel(const QString& Caption, int Left);
  // Enables or disables the send, attach and remove buttons and the pickers.
  void SetSendingEnabled(bool Enabled);
  // Shows Html in the formatted view, its cid: images taken from Files; an
  // empty Html removes that view. The text view is the one in front.
  void ShowFormatted(const std::string& Html, const TStringList& Files);
  // Adds a file to the end of the attachment list.
  void AddAttachment(const QString& Path);
  // What the composer holds now, as it would be queued.
  TComposedMessage Message() const;
  // Where the send button puts messages.
  TDatabase& Database() const { return FDatabase; }
  TFolderView& Outbox() const { return FOutbox; }

  // The window caption follows the subject.
  void Edit3Change();
  // To Outbox: queues the message, or says that a recipient is missing, and closes.
  void BitBtn1Click();
  // Attach File: adds the file chosen in a file dialog.
  void BitBtn2Click();
  // Remove Attach: removes every selected attachment.
  void BitBtn3Click();
  // The address book the pickers open; without one they do nothing.
  void SetAddressBook(TForm9* AddressBook) { FAddressBook = AddressBook; }
  // The pickers open the address book, whose Select puts the chosen contact's
  // address into the To or the CC box as a line of its own.
  void SpeedButton1Click();
  void SpeedButton2Click();

signals:
  // A message was stored in the Outbox as the row with this record id.
  void MessageQueued(qint64 RecordId);

private:
  // Stores Message in the Outbox table and adds its entry to the Outbox list.
  void QueueMessage(const TComposedMessage& Message);

  TDatabase& FDatabase;
  TFolderView& FOutbox;
  // Holds the address label, so that its left position can be set.
  QWidget* FLabelHolder = nullptr;
  TForm9* FAddressBook = nullptr;
  // The threading headers of the answer being written; empty otherwise.
  std::string FInReplyTo;
  std::string FReferences;
};
