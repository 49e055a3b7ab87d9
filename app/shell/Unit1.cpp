#include "Unit1.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMovie>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/composer/Unit5.h"
#include "app/dialogs/Unit10.h"
#include "app/dialogs/Unit11.h"
#include "app/dialogs/Unit12.h"
#include "app/dialogs/Unit15.h"
#include "app/dialogs/Unit16.h"
#include "app/dialogs/Unit8.h"
#include "app/dialogs/Unit9.h"
#include "app/dialogs/helpviewer.h"
#include "app/flows/receivingflow.h"
#include "app/flows/sendingflow.h"
#include "editingkeys.h"
#include "linkcomposer.h"
#include "firstrun.h"
#include "mainscreen.h"
#include "maillib/dialup/tkRasCmp.h"
#include "maillib/message/nbmsg.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "app/settings/passwordstore.h"
#include "app/settings/settingsfiles.h"
#include "app/settings/storedpasswords.h"
#include "app/shell/application.h"
#include "app/store/fieldnames.h"
#include "app/store/mailtables.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "app/views/Unit7.h"
#include "platform/ui/handler.h"
#include "messagewindows.h"
#include "platform/ui/dialogs.h"

// The pictures, help file and animation are built into the app library.
static void LoadResources() { Q_INIT_RESOURCE(app); }

namespace {
constexpr int LeftPanelWidth = 121;
// Room beside an address in its box: the frame and the text margins.
constexpr int AddressBoxMargins = 14;

// The animation rests on this frame when no transfer runs.
constexpr int AnimationStopFrame = 36;
}  // namespace

TForm1::TForm1(TDatabase& Database) : Table1(Database, Pop3Table()) {
  LoadResources();
  setObjectName("Form1");
  setWindowTitle("Corvalen Pro 98");
  setWindowIcon(QIcon(ProgramIcon));
  Table1.SetIndexName(accountfield::Password);
  Table1.Open();

  CreateCommands();
  CreateToolBand();

  auto* Client = new QWidget;
  auto* Layout = new QHBoxLayout(Client);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  Layout->addWidget(CreateLeftPanel());
  MdiArea = new QMdiArea;
  MdiArea->setObjectName("MdiArea");
  Layout->addWidget(MdiArea, 1);
  setCentralWidget(Client);

  StatusBar2 = new QStatusBar;
  StatusBar2->setObjectName("StatusBar2");
  StatusBar2->setSizeGripEnabled(false);
  FStatusLabel = new QLabel("Status: Offline");
  StatusBar2->addWidget(FStatusLabel, 1);
  setStatusBar(StatusBar2);

  // The windows the main window works with, in their start-up order.
  Form2 = new TForm2(Database);
  MdiArea->addSubWindow(Form2);
  Form3 = new TForm3(Database);
  MdiArea->addSubWindow(Form3);
  Form7 = new TForm7(Database);
  MdiArea->addSubWindow(Form7);
  Form8 = new TForm8(this);
  Form10 = new TForm10(this);
  Form5 = new TForm5(Database, *Form3, this);
  Form9 = new TForm9(Database, this);
  Form5->SetAddressBook(Form9);
  Form11 = new TForm11(this);
  Form12 = new TForm12(Memo1, this);
  ConnectMessageWindows({Form2, Form3, Form7}, *Form5);
  CreateMailObjects();
  FLinks = new TLinkComposer(*Form5, [this] { return TransferRunning(); }, this);
  Form15 = new TForm15(this);
  Form16 = new TForm16(*tkRas1, this);
  // The views report the selected message's correspondent and the Inbox's
  // return to browsing; the left panel's box and the commands follow.
  for (TFolderView* View : FolderViews()) {
    connect(View, &TFolderView::CorrespondentChanged, Edit3, &QLineEdit::setText);
    connect(View, &TFolderView::CorrespondentHintChanged, Edit3, &QLineEdit::setToolTip);
    View->setWindowIcon(windowIcon());  // also the icon at the menu bar's start while maximised
    View->show();
  }
  connect(Form2, &TForm2::BrowsingResumed, this, &TForm1::InboxBrowsing);
  connect(MdiArea, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* Window) {
    if (auto* View = dynamic_cast<TFolderView*>(Window)) ui::RunHandler([View] { View->FormActivate(); });
  });
  // The Inbox starts in front, maximised, with the keyboard in its list.
  ShowFolder(Form2);
  Form2->showMaximized();
  Form2->ListView1->setFocus();
  KeepEditingKeysInTextFields(*this);
}

TForm1::~TForm1() = default;

std::array<TFolderView*, 3> TForm1::FolderViews() const { return {Form2, Form3, Form7}; }

QWidget* TForm1::CreateLeftPanel() {
  auto* Panel = new QWidget;
  Panel->setObjectName("LeftPanel");
  Panel->setFixedWidth(LeftPanelWidth);
  auto* Layout = new QVBoxLayout(Panel);
  Layout->setContentsMargins(2, 2, 2, 2);
  Layout->setSpacing(2);

  auto Header = [&](const QString& Text) {
    auto* Label = new QLabel(Text);
    Label->setFrameShape(QFrame::Panel);
    Label->setFrameShadow(QFrame::Raised);
    Label->setAlignment(Qt::AlignCenter);
    Layout->addWidget(Label);
  };
  auto Button = [&](const char* Name, const QString& Caption, const QString& Hint, const char* Icon,
                    void (TForm1::*Handler)()) {
    auto* B = new QToolButton;
    B->setObjectName(Name);
    B->setText(Caption);
    B->setToolTip(Hint);
    // The filter buttons show only a picture: their hint names them.
    B->setAccessibleName(Caption.isEmpty() ? Hint : Caption);
    B->setIcon(QIcon(QString(":/icons/") + Icon));
    B->setAutoRaise(true);
    connect(B, &QToolButton::clicked, this, ui::Guarded([this, Handler] { (this->*Handler)(); }));
    return B;
  };

  Header("E-Mail Addr.");
  auto* Correspondent = new QWidget;
  Correspondent->setToolTip("Alien E-Mail Address");
  auto* CorrespondentLayout = new QVBoxLayout(Correspondent);
  CorrespondentLayout->setContentsMargins(0, 0, 0, 0);
  Edit3 = new QLineEdit;
  Edit3->setObjectName("Edit3");
  Edit3->setReadOnly(true);
  Edit3->setToolTip("Nothing when trashcan selected");
  Edit3->setAccessibleName("Correspondent's e-mail address");
  CorrespondentLayout->addWidget(Edit3);
  Layout->addWidget(Correspondent);

  Header("Adm.");
  auto* Filters = new QHBoxLayout;
  ToolButton4 = Button("ToolButton4", "", "Show All Messages", "filter_all.svg", &TForm1::ToolButton4Click);
  ToolButton5 = Button("ToolButton5", "", "Show Unread/UnAccepted Messages", "filter_unread.svg", &TForm1::ToolButton5Click);
  ToolButton6 = Button("ToolButton6", "", "Show read Messages", "filter_read.svg", &TForm1::ToolButton6Click);
  ToolButton7 = Button("ToolButton7", "", "Show Accepted Messages", "filter_accepted.svg", &TForm1::ToolButton7Click);
  for (QToolButton* B : FilterButtons()) Filters->addWidget(B);
  Layout->addLayout(Filters);

  Header("Contents");
  Edit2 = new QLineEdit;
  Edit2->setObjectName("Edit2");
  Edit2->setReadOnly(true);
  Edit2->setToolTip("Your E-Mail Address");
  Edit2->setAccessibleName("Your e-mail address");
  Layout->addWidget(Edit2);
  ToolButton1 = Button("ToolButton1", "Inbox", "Show Inbox contents", "folder_inbox.svg", &TForm1::ToolButton1Click);
  ToolButton2 = Button("ToolButton2", "Outbox", "Show Outbox contents", "folder_outbox.svg", &TForm1::ToolButton2Click);
  ToolButton3 = Button("ToolButton3", "Trashcan", "Show Trashcan contents", "folder_trash.svg", &TForm1::ToolButton3Click);
  for (QToolButton* B : {ToolButton1, ToolButton2, ToolButton3}) {
    B->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    B->setIconSize(QSize(24, 24));
    B->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Layout->addWidget(B);
  }
  Layout->addStretch(1);

  // The panel widens, never narrows, so that both addresses show whole; it
  // takes at most a third of the window.
  const auto Fit = [this, Panel] {
    int Needed = 0;
    for (const QLineEdit* Box : {Edit2, Edit3})
      Needed = std::max(Needed, Box->fontMetrics().horizontalAdvance(Box->text()) + AddressBoxMargins);
    const int Limit = std::max(LeftPanelWidth, width() / 3);
    const int Margins = Panel->layout()->contentsMargins().left() + Panel->layout()->contentsMargins().right();
    Panel->setFixedWidth(std::max(Panel->minimumWidth(), std::min(Needed + Margins, Limit)));
  };
  connect(Edit2, &QLineEdit::textChanged, Panel, Fit);
  connect(Edit3, &QLineEdit::textChanged, Panel, Fit);
  return Panel;
}

void TForm1::CreateToolBand() {
  ToolBar3 = new QToolBar("Toolbar");
  ToolBar3->setObjectName("ToolBar3");
  ToolBar3->setAccessibleName("Toolbar");
  ToolBar3->setMovable(false);
  ToolBar3->setFloatable(false);
  ToolBar3->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  ToolBar3->setIconSize(QSize(24, 24));
  QFont Small = ToolBar3->font();
  Small.setPixelSize(10);
  ToolBar3->setFont(Small);
  for (QAction* Action : {ToolButton18, ToolButton19, ToolButton21, ToolButton23, ToolButton24, ToolButton26,
                          ToolButton27, ToolButton33, ToolButton34}) {
    ToolBar3->addAction(Action);
    if (QWidget* Button = ToolBar3->widgetForAction(Action)) Button->setFixedSize(54, 50);
  }
  auto* Spacer = new QWidget;
  Spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  ToolBar3->addWidget(Spacer);
  Animate1 = new QLabel;
  Animate1->setObjectName("Animate1");
  FAnimation = new QMovie(":/CorvalenLogo.gif", QByteArray(), this);
  FAnimation->setCacheMode(QMovie::CacheAll);  // so that it can rest on any frame
  FAnimation->jumpToFrame(AnimationStopFrame);
  Animate1->setMovie(FAnimation);
  Animate1->setFixedSize(FAnimation->currentPixmap().size().expandedTo(QSize(48, 48)));
  ToolBar3->addWidget(Animate1);
  addToolBar(Qt::TopToolBarArea, ToolBar3);
}

std::vector<QAction*> TForm1::LockedActions() const {
  return {ToolButton18, ToolButton19,  ToolButton21, ToolButton24, ToolButton26, ToolButton27, ToolButton33,
          ToolButton34, NewMessage1,   Reply1,       ReplytoAll1,  N10,          SendReceive1, Delete1,
          Paste1,       MarkasUnread1, MarkasRead1,  Date1};
}

std::vector<QToolButton*> TForm1::FilterButtons() const { return {ToolButton4, ToolButton5, ToolButton6, ToolButton7}; }

void TForm1::SetLocked(bool Locked, bool AllViews) {
  for (TFolderView* View : FolderViews()) {
    if (!View || (!AllViews && View != Form2)) continue;
    View->ListView1->setEnabled(!Locked);
    View->DBMemo1->setEnabled(!Locked);
  }
  for (QToolButton* Button : FilterButtons()) Button->setEnabled(!Locked);
  for (QAction* Action : LockedActions()) Action->setEnabled(!Locked);
}

void TForm1::LockCommands() { SetLocked(true, true); }
void TForm1::UnlockCommands() { SetLocked(false, true); }

void TForm1::InboxBrowsing() {
  StopAnimation();
  SetLocked(false, false);
}

QString TForm1::StatusText() const { return FStatusLabel->text(); }
void TForm1::SetStatusText(const QString& Text) { FStatusLabel->setText(Text); }

void TForm1::StartAnimation() { FAnimation->start(); }

void TForm1::StopAnimation() {
  FAnimation->stop();
  FAnimation->jumpToFrame(AnimationStopFrame);
}

bool TForm1::Animating() const { return FAnimation->state() == QMovie::Running; }

TFolderView* TForm1::ActiveView() const { return dynamic_cast<TFolderView*>(MdiArea->activeSubWindow()); }

void TForm1::ShowFolder(TFolderView* View) {
  for (TFolderView* Other : FolderViews())
    if (Other != View) Other->showMinimized();
  View->showNormal();
  // The area the views live in, between the tool band, the left panel and the status bar.
  const QSize Area = MdiArea->viewport()->size();
  View->setGeometry(0, 0, std::max(100, Area.width() - 4), std::max(100, Area.height() - 4));
  MdiArea->setActiveSubWindow(View);
}

void TForm1::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  if (FShown) return;
  FShown = true;
  ui::RunHandler([this] { FormShow(); });
}

void TForm1::FormShow() {
  Memo3 = settings::LoadLines(settings::BannerFileName);
  RunFirstRunSetup(*Form15, *Form16, Table1, std::filesystem::current_path());
  Memo1 = settings::LoadLines(settings::ConfigFileName);
  Edit2->setText(QString::fromStdString(StringAt(Memo1, settings::clEmail)));
  SmtpSettings = settings::LoadSmtpSettings(settings::SmtpFileName, settings::PasswordStore());
  settings::MovePasswordsToKeyring(Table1.Database(), settings::SmtpFileName, SmtpSettings, settings::PasswordStore());
  ApplySettings();
}

void TForm1::FormCloseQuery() { PostFolderEdits(); }

void TForm1::OpenMailtoLink(const QString& Link) { FLinks->Open(Link); }

void TForm1::BringToFront() {
  showNormal();
  showMaximized();
  raise();
  activateWindow();
}

void TForm1::PostFolderEdits() {
  for (TFolderView* View : FolderViews())
    View->PostEdits();
}
