// The main window's command table: menus, toolbar buttons and their handlers.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "Unit1.h"
#include "app/composer/Unit5.h"
#include "app/dialogs/Unit10.h"
#include "app/dialogs/Unit9.h"
#include "app/dialogs/Unit4.h"
#include "app/dialogs/helpviewer.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "app/views/Unit7.h"
#include "platform/ui/handler.h"
#include "deletecommand.h"
#include "messageoutput.h"
#include "messagewindows.h"

namespace {

QAction* Command(QObject* Owner, const char* Name, const QString& Caption, const QKeySequence& Shortcut = {},
                 const QString& Hint = {}, const char* Icon = nullptr) {
  auto* Action = new QAction(Caption, Owner);
  Action->setObjectName(Name);
  Action->setShortcut(Shortcut);
  if (!Hint.isEmpty()) Action->setToolTip(Hint);
  if (Icon) Action->setIcon(QIcon(QString(":/icons/") + Icon));
  return Action;
}

}  // namespace

void TForm1::CreateCommands() {
  auto Bind = [this](QAction* Action, void (TForm1::*Handler)()) {
    connect(Action, &QAction::triggered, this, ui::Guarded([this, Handler] { (this->*Handler)(); }));
    return Action;
  };

  QMenu* File = menuBar()->addMenu("&File");
  File->addAction(Open1 = Bind(Command(this, "Open1", "&Open", QKeySequence("Ctrl+O")), &TForm1::Open1Click));
  File->addAction(SaveAs1 = Bind(Command(this, "SaveAs1", "Save &As", QKeySequence("Ctrl+S")), &TForm1::SaveAs1Click));
  File->addAction(SaveAllAs1 = Bind(Command(this, "SaveAllAs1", "&Save All As"), &TForm1::SaveAllAs1Click));
  File->addAction(Delete1 = Bind(Command(this, "Delete1", "&Delete", QKeySequence("Ctrl+Del")), &TForm1::Delete1Click));
  File->addSeparator();
  File->addAction(Print1 = Bind(Command(this, "Print1", "&Print", QKeySequence("Ctrl+P")), &TForm1::Print1Click));
  File->addAction(PrintAll1 = Bind(Command(this, "PrintAll1", "P&rint All"), &TForm1::PrintAll1Click));
  File->addSeparator();
  File->addAction(Properties1 = Bind(Command(this, "Properties1", "Proper&ties"), &TForm1::Properties1Click));
  File->addSeparator();
  File->addAction(Close1 = Bind(Command(this, "Close1", "E&xit", QKeySequence("Ctrl+X")), &TForm1::Close1Click));

  QMenu* Edit = menuBar()->addMenu("&Edit");
  Edit->addAction(Copy1 = Bind(Command(this, "Copy1", "&Copy"), &TForm1::Copy1Click));
  Edit->addAction(Paste1 = Bind(Command(this, "Paste1", "&Paste"), &TForm1::Paste1Click));
  Edit->addAction(SelectAll1 = Bind(Command(this, "SelectAll1", "Se&lect All"), &TForm1::SelectAll1Click));
  Edit->addSeparator();
  Edit->addAction(MarkasUnread1 = Bind(Command(this, "MarkasUnread1", "Mark As &Unread"), &TForm1::MarkasUnread1Click));
  Edit->addAction(MarkasRead1 = Bind(Command(this, "MarkasRead1", "Mark as &Read"), &TForm1::MarkasRead1Click));

  QMenu* View = menuBar()->addMenu("&View");
  View->addAction(ToolBar1 = Bind(Command(this, "ToolBar1", "&ToolBar"), &TForm1::ToolBar1Click));
  View->addAction(StatusBar1 = Bind(Command(this, "StatusBar1", "Status&Bar"), &TForm1::StatusBar1Click));
  for (QAction* Toggle : {ToolBar1, StatusBar1}) {
    Toggle->setCheckable(true);
    Toggle->setChecked(true);
  }
  QMenu* SortBy = View->addMenu("&Sort by");
  SortBy->addAction(Name1 = Bind(Command(this, "Name1", "&Subject"), &TForm1::Name1Click));
  SortBy->addAction(Date1 = Bind(Command(this, "Date1", "&Date"), &TForm1::Date1Click));

  QMenu* Go = menuBar()->addMenu("&Go");
  Go->addAction(SendReceive1 = Bind(Command(this, "SendReceive1", "Send/Receive", QKeySequence("F9")),
                                    &TForm1::SendReceive1Click));

  QMenu* Message = menuBar()->addMenu("&Message");
  Message->addAction(NewMessage1 = Bind(Command(this, "NewMessage1", "&New Message", QKeySequence("Ctrl+Ins")),
                                        &TForm1::NewMessage1Click));
  Message->addAction(Attachment1 = Bind(Command(this, "Attachment1", "&Attachment"), &TForm1::Attachment1Click));
  Message->addSeparator();
  Message->addAction(Reply1 = Bind(Command(this, "Reply1", "&Reply to Writer"), &TForm1::Reply1Click));
  Message->addAction(ReplytoAll1 = Bind(Command(this, "ReplytoAll1", "R&eply to All"), &TForm1::ReplytoAll1Click));
  Message->addAction(N10 = Bind(Command(this, "N10", "&Forward Mail"), &TForm1::N10Click));
  Message->addSeparator();
  Message->addAction(Preferences1 = Bind(Command(this, "Preferences1", "&Preferences"), &TForm1::Preferences1Click));

  QMenu* Help = menuBar()->addMenu("&Help");
  Help->addAction(Contents1 = Bind(Command(this, "Contents1", "&Contents", QKeySequence("F1")), &TForm1::Contents1Click));
  Help->addAction(AboutCorvalen1 = Bind(Command(this, "AboutCorvalen1", "&About Corvalen", QKeySequence("F12")),
                                        &TForm1::AboutCorvalen1Click));

  ToolButton18 = Bind(Command(this, "ToolButton18", "Send Mail", {}, "Send Mail", "send_mail.svg"), &TForm1::ToolButton18Click);
  ToolButton19 = Bind(Command(this, "ToolButton19", "Get Mail", {}, "Receive Mail", "get_mail.svg"), &TForm1::ToolButton19Click);
  ToolButton21 = Bind(Command(this, "ToolButton21", "New", {}, "New Message", "new_message.svg"), &TForm1::ToolButton21Click);
  ToolButton23 = Bind(Command(this, "ToolButton23", "Stop", {}, "Stop", "stop.svg"), &TForm1::ToolButton23Click);
  ToolButton24 = Bind(Command(this, "ToolButton24", "Reply", {}, "Reply", "reply.svg"), &TForm1::ToolButton24Click);
  ToolButton26 = Bind(Command(this, "ToolButton26", "Forward", {}, "Forward Mail", "forward.svg"), &TForm1::ToolButton26Click);
  ToolButton27 = Bind(Command(this, "ToolButton27", "Delete", {}, "Delete Mail", "delete.svg"), &TForm1::ToolButton27Click);
  ToolButton33 = Bind(Command(this, "ToolButton33", "Address", {}, "Address Book", "address_book.svg"), &TForm1::ToolButton33Click);
  ToolButton34 = Bind(Command(this, "ToolButton34", "Print", {}, "Print Message", "print.svg"), &TForm1::ToolButton34Click);

  ReplyMenu = new QMenu(this);
  ReplyMenu->setObjectName("PopupMenu1");
  ReplyMenu->addAction(ReplytoWriter1 = Bind(Command(this, "ReplytoWriter1", "Reply to Writer"), &TForm1::ReplytoWriter1Click));
  ReplyMenu->addAction(ReplytoAll2 = Bind(Command(this, "ReplytoAll2", "Reply to All"), &TForm1::ReplytoAll2Click));

  // The commands of toolbar buttons alone get menu items and keys too, for
  // the keyboard and for screen readers; each runs its button's command and
  // is enabled while the button is.
  const auto MenuItem = [this](QAction* Button, const char* Name, const QString& Caption, const char* Key) {
    QAction* Item = Command(this, Name, Caption, QKeySequence(Key));
    Item->setIcon(Button->icon());
    connect(Item, &QAction::triggered, Button, &QAction::trigger);
    connect(Button, &QAction::enabledChanged, Item, &QAction::setEnabled);
    return Item;
  };
  Go->addSeparator();
  Go->addAction(MenuItem(ToolButton18, "SendMail1", "&Send Mail", "Ctrl+Shift+S"));
  Go->addAction(MenuItem(ToolButton19, "GetMail1", "&Get Mail", "Ctrl+Shift+G"));
  Go->addAction(MenuItem(ToolButton23, "Stop1", "S&top", "Ctrl+Shift+T"));
  Message->insertAction(Preferences1, MenuItem(ToolButton33, "AddressBook1", "Address &Book", "Ctrl+Shift+B"));
}

void TForm1::Close1Click() { close(); }

void TForm1::ToolBar1Click() {
  ToolBar3->setVisible(!ToolBar3->isVisible());
  ToolBar1->setChecked(ToolBar3->isVisible());
}

void TForm1::StatusBar1Click() {
  StatusBar2->setVisible(!StatusBar2->isVisible());
  StatusBar1->setChecked(StatusBar2->isVisible());
}

void TForm1::Contents1Click() {
  if (!FHelpViewer) FHelpViewer = new THelpViewer(this);
  FHelpViewer->ShowContents("Corvalen.hlp");
}

void TForm1::AboutCorvalen1Click() { Form10->exec(); }

void TForm1::ToolButton24Click() {
  // The drop-down opens just below the Reply button, wherever the window and its frame are.
  QWidget* Button = ToolBar3->widgetForAction(ToolButton24);
  ReplyMenu->popup(Button->mapToGlobal(QPoint(0, Button->height())));
}

void TForm1::ToolButton1Click() { ShowFolder(Form2); }
void TForm1::ToolButton2Click() { ShowFolder(Form3); }
void TForm1::ToolButton3Click() { ShowFolder(Form7); }

void TForm1::ToolButton4Click() {
  TFolderView* View = ActiveView();
  if (View == Form2 || View == Form3) View->FillList(TFolderView::TFilter::All);
}

void TForm1::ToolButton5Click() {
  TFolderView* View = ActiveView();
  if (View == Form2 || View == Form3) View->FillList(TFolderView::TFilter::StateFalse);
}

void TForm1::ToolButton6Click() {
  if (ActiveView() == Form2) Form2->FillList(TFolderView::TFilter::StateTrue);
}

void TForm1::ToolButton7Click() {
  if (ActiveView() == Form3) Form3->FillList(TFolderView::TFilter::StateTrue);
}

// The commands below belong to the message, transfer and address book flows;
// they are wired here. Those that write to a folder are locked while a
// transfer runs; File Open then leaves the read mark as it is.
void TForm1::Open1Click() { OpenMessage(ActiveView(), *Form5, !TransferRunning()); }
void TForm1::SaveAs1Click() { SaveMessageAs(ActiveView(), [this](const QString& Text) { SetStatusText(Text); }); }
void TForm1::SaveAllAs1Click() {
  SaveAllMessagesAs(ActiveView(), [this](const QString& Text) { SetStatusText(Text); });
}
void TForm1::Delete1Click() { DeleteMessages(ActiveView(), *Form7); }
void TForm1::Print1Click() { PrintMessage(ActiveView()); }
void TForm1::PrintAll1Click() { PrintAllMessages(ActiveView()); }
void TForm1::Properties1Click() { ShowProperties(ActiveView(), *Form11); }
void TForm1::Copy1Click() {
  if (TFolderView* View = ActiveView()) View->CopyBody();
}
void TForm1::Paste1Click() {
  if (TFolderView* View = ActiveView()) View->PasteBody();
}
void TForm1::SelectAll1Click() {
  if (TFolderView* View = ActiveView()) View->SelectAllBody();
}
void TForm1::MarkasUnread1Click() {
  if (ActiveView() == Form2) Form2->MarkSelected(false);
}
void TForm1::MarkasRead1Click() {
  if (ActiveView() == Form2) Form2->MarkSelected(true);
}
void TForm1::Name1Click() {
  if (TFolderView* View = ActiveView()) View->SortBySubject();
}
void TForm1::Date1Click() {
  if (TFolderView* View = ActiveView()) View->SortByDate();
}
void TForm1::NewMessage1Click() { Form5->NewMessage(); }
void TForm1::Attachment1Click() { ShowAttachments(ActiveView(), Memo1, this); }
void TForm1::Reply1Click() { AnswerMessage(ActiveView(), TAnswer::ReplyToWriter, TAnswerEntry::Menu, *Form5, Memo1); }
void TForm1::ReplytoAll1Click() { AnswerMessage(ActiveView(), TAnswer::ReplyToAll, TAnswerEntry::Menu, *Form5, Memo1); }
void TForm1::N10Click() { AnswerMessage(ActiveView(), TAnswer::Forward, TAnswerEntry::Menu, *Form5, Memo1); }
void TForm1::Preferences1Click() {
  TForm4({Memo1, SmtpSettings, Memo3, Table1, *nbMessage1, *nbSMTP1, *tkRas1, Edit2}, this).exec();
}
void TForm1::ToolButton21Click() { NewMessage1Click(); }
void TForm1::ToolButton26Click() {
  AnswerMessage(ActiveView(), TAnswer::Forward, TAnswerEntry::Toolbar, *Form5, Memo1);
}
void TForm1::ToolButton27Click() { Delete1Click(); }
void TForm1::ToolButton33Click() { Form9->Browse(); }
void TForm1::ToolButton34Click() { Print1Click(); }
void TForm1::ReplytoWriter1Click() {
  AnswerMessage(ActiveView(), TAnswer::ReplyToWriter, TAnswerEntry::Toolbar, *Form5, Memo1);
}
void TForm1::ReplytoAll2Click() {
  AnswerMessage(ActiveView(), TAnswer::ReplyToAll, TAnswerEntry::Toolbar, *Form5, Memo1);
}
