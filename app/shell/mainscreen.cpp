#include "mainscreen.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "Unit1.h"
#include "app/dialogs/Unit12.h"
#include "app/dialogs/Unit8.h"
#include "app/dialogs/certificatedialog.h"
#include "app/mail/newmailnotice.h"
#include "app/store/mailtables.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "desktopnotifier.h"
#include "platform/ui/dialogs.h"

TMainScreen::TMainScreen(TForm1& AForm1) : Form1(AForm1) {}

TMainScreen::~TMainScreen() = default;

void TMainScreen::Run(const std::function<void()>& Transfer) {
  if (FRunning) return;
  Form1.PostFolderEdits();
  FRunning = true;
  FStored.clear();
  Form1.LockCommands();
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
  Form1.UnlockCommands();
  AnnounceNewMail();
  if (FCloseWhenDone) QTimer::singleShot(0, &Form1, &QWidget::close);
}

void TMainScreen::AnnounceNewMail() {
  if (FStored.empty() || Form1.isActiveWindow()) return;
  TTable Inbox(Form1.Table1.Database(), RmailTable());
  Inbox.Open();
  std::vector<TStoredMessage> Listed;
  for (std::int64_t Id : FStored)
    if (Listed.size() < NoticeListedMessages && Inbox.GotoRecord(Id)) Listed.push_back(ReadStoredMessage(Inbox));
  const TNewMailNotice Notice = NewMailNotice(FStored.size(), Listed);
  if (!FNotifier) {
    FNotifier = std::make_unique<TDesktopNotifier>(TDesktopNotifier::SessionBus());
    QObject::connect(FNotifier.get(), &TDesktopNotifier::Activated, &Form1, &TForm1::BringToFront);
  }
  FNotifier->Show(QString::fromStdString(Notice.Summary), QString::fromStdString(Notice.Body));
}

void TMainScreen::LockCommands() { Form1.LockCommands(); }

void TMainScreen::UnlockCommands() {
  if (!FRunning) Form1.UnlockCommands();
}

void TMainScreen::SetStatusText(const std::string& Text) { Form1.SetStatusText(QString::fromStdString(Text)); }
void TMainScreen::StartAnimation() { Form1.StartAnimation(); }
void TMainScreen::StopAnimation() { Form1.StopAnimation(); }

void TMainScreen::ShowProgress(const std::string& Title) {
  Form1.Form8->setWindowTitle(QString::fromStdString(Title));
  Form1.Form8->show();
}

void TMainScreen::SetProgressBar(int Percent) { Form1.Form8->ProgressBar1->setValue(std::clamp(Percent, 0, 100)); }
void TMainScreen::CloseProgress() { Form1.Form8->hide(); }
void TMainScreen::ShowMessage(const std::string& Text) { ui::ShowMessage(Text); }
void TMainScreen::RefillOutboxList() { Form3->FillList(TFolderView::TFilter::All); }
void TMainScreen::AddInboxEntry(std::int64_t RecordId) {
  FStored.push_back(RecordId);
  Form2->AddRecord(RecordId);
}

std::string TMainScreen::ChooseAttachmentDirectory(const std::string& Configured, const std::string& FileName,
                                                   const std::string& Subject, const std::string& Sender) {
  Form1.Edit4.clear();
  Form1.Form12->Ask(QString::fromStdString(FileName), QString::fromStdString(Subject), QString::fromStdString(Sender));
  Form1.Form12->exec();
  return Form1.Edit4.isEmpty() ? Configured : Form1.Edit4.toStdString();
}

bool TMainScreen::TrustCertificate(const std::string& Server, const TCertificateFacts& Certificate,
                                   const std::string& Problem) {
  return TCertificateDialog(Server, Certificate, Problem, &Form1).exec() == QDialog::Accepted;
}
