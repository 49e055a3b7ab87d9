#include "mainscreen.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "app/dialogs/Unit12.h"
#include "app/dialogs/Unit8.h"
#include "app/dialogs/certificatedialog.h"
#include "app/mail/newmailnotice.h"
#include "app/store/mailtables.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "platform/table/table.h"
#include "desktopnotifier.h"
#include "platform/ui/dialogs.h"

TMainScreen::TMainScreen(TTransferWindow& Window, const TTransferWindows& Windows, TDatabase& Database)
    : FWindow(Window), FWindows(Windows), FDatabase(Database) {
  FDirectoryStored = QObject::connect(&FWindows.SaveAttachmentTo, &TForm12::DirectoryStored, &FWindows.Main,
                                     [this](const QString& Directory) { Edit4 = Directory; });
}

// The dialog may outlive this screen.
TMainScreen::~TMainScreen() { QObject::disconnect(FDirectoryStored); }

void TMainScreen::Run(const std::function<void()>& Transfer) {
  if (FRunning) return;
  FWindow.PostFolderEdits();
  FRunning = true;
  FStored.clear();
  FWindow.LockCommands();
  try {
    Transfer();
  } catch (...) {
    Finish();
    throw;
  }
  Finish();
}

void TMainScreen::Finish() {
  FRunning = false;
  StopAnimation();
  CloseProgress();
  FWindow.UnlockCommands();
  AnnounceNewMail();
  if (FCloseWhenDone) QTimer::singleShot(0, &FWindows.Main, &QWidget::close);
}

void TMainScreen::AnnounceNewMail() {
  if (FStored.empty() || FWindows.Main.isActiveWindow()) return;
  TTable Inbox(FDatabase, RmailTable());
  Inbox.Open();
  std::vector<TStoredMessage> Listed;
  for (std::int64_t Id : FStored)
    if (Listed.size() < NoticeListedMessages && Inbox.GotoRecord(Id)) Listed.push_back(ReadStoredMessage(Inbox));
  const TNewMailNotice Notice = NewMailNotice(FStored.size(), Listed);
  if (!FNotifier) {
    FNotifier = std::make_unique<TDesktopNotifier>(TDesktopNotifier::SessionBus());
    QObject::connect(FNotifier.get(), &TDesktopNotifier::Activated, &FWindows.Main,
                     [this] { FWindow.BringToFront(); });
  }
  FNotifier->Show(QString::fromStdString(Notice.Summary), QString::fromStdString(Notice.Body));
}

void TMainScreen::LockCommands() { FWindow.LockCommands(); }

void TMainScreen::UnlockCommands() {
  if (!FRunning) FWindow.UnlockCommands();
}

void TMainScreen::SetStatusText(const std::string& Text) { FWindow.SetStatusText(QString::fromStdString(Text)); }
void TMainScreen::StartAnimation() { FWindow.StartAnimation(); }
void TMainScreen::StopAnimation() { FWindow.StopAnimation(); }

void TMainScreen::ShowProgress(const std::string& Title) {
  FWindows.Progress.setWindowTitle(QString::fromStdString(Title));
  FWindows.Progress.show();
}

void TMainScreen::SetProgressBar(int Percent) { FWindows.Progress.ProgressBar1->setValue(std::clamp(Percent, 0, 100)); }
void TMainScreen::CloseProgress() { FWindows.Progress.hide(); }
void TMainScreen::ShowMessage(const std::string& Text) { ui::ShowMessage(Text); }
void TMainScreen::RefillOutboxList() { FWindows.Outbox.FillList(TFolderView::TFilter::All); }
void TMainScreen::AddInboxEntry(std::int64_t RecordId) {
  FStored.push_back(RecordId);
  FWindows.Inbox.AddRecord(RecordId);
}

std::string TMainScreen::ChooseAttachmentDirectory(const std::string& Configured, const std::string& FileName,
                                                   const std::string& Subject, const std::string& Sender) {
  Edit4.clear();
  FWindows.SaveAttachmentTo.Ask(QString::fromStdString(FileName), QString::fromStdString(Subject),
                                QString::fromStdString(Sender));
  FWindows.SaveAttachmentTo.exec();
  return Edit4.isEmpty() ? Configured : Edit4.toStdString();
}

bool TMainScreen::TrustCertificate(const std::string& Server, const TCertificateFacts& Certificate,
                                   const std::string& Problem) {
  return TCertificateDialog(Server, Certificate, Problem, &FWindows.Main).exec() == QDialog::Accepted;
}
