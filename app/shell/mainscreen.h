#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QString>

#include "app/flows/screenservices.h"

class QWidget;
class TDatabase;
class TDesktopNotifier;
class TForm2;
class TForm3;
class TForm8;
class TForm12;

// What a transfer changes on the main window itself.
class TTransferWindow {
public:
  // Writes what was typed into the folder views' body panes.
  virtual void PostFolderEdits() = 0;
  virtual void LockCommands() = 0;
  virtual void UnlockCommands() = 0;
  virtual void SetStatusText(const QString& Text) = 0;
  virtual void StartAnimation() = 0;
  virtual void StopAnimation() = 0;
  // Shows the window maximised, at the top and active.
  virtual void BringToFront() = 0;

protected:
  ~TTransferWindow() = default;
};

// The windows a transfer reports in: the main window (parent of its
// dialogs), the Inbox and Outbox views, the progress window and Save
// Attachment To.
struct TTransferWindows {
  QWidget& Main;
  TForm2& Inbox;
  TForm3& Outbox;
  TForm8& Progress;
  TForm12& SaveAttachmentTo;
};

// The main window as the transfer flows see it. It also runs each transfer
// as one command that nothing else may interrupt: while it runs, a second
// transfer is refused, the commands stay locked (the flows' unlocking between
// two messages waits for the end), and closing the window waits for it.
class TMainScreen : public TScreenServices {
public:
  // Database is the store the Inbox rows are read from for a notification.
  TMainScreen(TTransferWindow& Window, const TTransferWindows& Windows, TDatabase& Database);
  ~TMainScreen() override;

  // Runs Transfer unless one is already running: what was typed into a body
  // pane is stored first, so the flows read it, and the commands are locked
  // throughout. Afterwards, also after an error (which is passed on), the
  // screen is restored: animation stopped, progress window closed, commands
  // unlocked; a close asked for meanwhile then takes place. When it stored
  // messages in the Inbox while the main window was not the active one, a
  // desktop notification says so; clicking it brings the window to the top.
  void Run(const std::function<void()>& Transfer);
  bool Running() const { return FRunning; }
  // The main window is to close once the running transfer has ended.
  void CloseWhenDone() { FCloseWhenDone = true; }

  void LockCommands() override;
  void UnlockCommands() override;
  void SetStatusText(const std::string& Text) override;
  void StartAnimation() override;
  void StopAnimation() override;
  void ShowProgress(const std::string& Title) override;
  void SetProgressBar(int Percent) override;
  void CloseProgress() override;
  void ShowMessage(const std::string& Text) override;
  void RefillOutboxList() override;
  void AddInboxEntry(std::int64_t RecordId) override;
  std::string ChooseAttachmentDirectory(const std::string& Configured, const std::string& FileName,
                                        const std::string& Subject, const std::string& Sender) override;
  bool TrustCertificate(const std::string& Server, const TCertificateFacts& Certificate,
                        const std::string& Problem) override;

private:
  void Finish();
  void AnnounceNewMail();

  TTransferWindow& FWindow;
  TTransferWindows FWindows;
  TDatabase& FDatabase;
  // The directory Save Attachment To stored for the attachment being saved.
  QString Edit4;
  QMetaObject::Connection FDirectoryStored;
  // The Inbox rows the running transfer stored.
  std::vector<std::int64_t> FStored;
  // Made when there is first something to announce.
  std::unique_ptr<TDesktopNotifier> FNotifier;
  bool FRunning = false;
  bool FCloseWhenDone = false;
};
