#pragma once

#include <QMainWindow>

#include <array>
#include <memory>
#include <vector>

#include "app/settings/serversettings.h"
#include "mainscreen.h"
#include "platform/runtime/stringlist.h"
#include "platform/table/table.h"

class QAction;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMenu;
class QMovie;
class QStatusBar;
class QToolBar;
class QToolButton;
class TDatabase;
class TFolderView;
class TForm2;
class TForm3;
class TForm5;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
class TForm12;
class TForm15;
class TForm16;
class THelpViewer;
class TLinkComposer;
class TReceivingFlow;
class TSendingFlow;
class TnbMessage;
class TnbPOP;
class TnbSMTP;
class TtkRas;

// The main window: menus and toolbar with every command, the left panel with
// the folder buttons, the folder views as child windows, the status bar and
// the progress window. It owns the settings and banner lists and the POP3
// account table for the life of the program.
class TForm1 : public QMainWindow, public TTransferWindow {
  Q_OBJECT
public:
  // Creates the main window and, in their start-up order, the windows it works with.
  explicit TForm1(TDatabase& Database);
  ~TForm1() override;

  // The settings list (Config.ini), which Preferences and the first run
  // rewrite, and the banner list (BANNER.BAN).
  TStringList& Settings() { return Memo1; }
  const TStringList& Banner() const { return Memo3; }
  // The mail objects every flow shares: the POP3 and SMTP clients, the one
  // outgoing message and the dial-up component.
  TnbPOP& Pop() const { return *nbPOP1; }
  TnbSMTP& Smtp() const { return *nbSMTP1; }
  TnbMessage& Message() const { return *nbMessage1; }
  TtkRas& Ras() const { return *tkRas1; }

  // Disables every command that would disturb a transfer, or that does
  // nothing while one runs; Stop stays enabled.
  void LockCommands() override;
  void UnlockCommands() override;

  QString StatusText() const;
  void SetStatusText(const QString& Text) override;
  void StartAnimation() override;
  void StopAnimation() override;
  bool Animating() const;

  // The folder view that is the active child window, if any.
  TFolderView* ActiveView() const;
  // Shows one folder view at the top left of the client area; the others are minimised.
  void ShowFolder(TFolderView* View);

  // Gives the mail objects the sender, SMTP server and its security and
  // login, connection type, return receipt and priority of the settings.
  void ApplySettings();
  // Opens the composer filled in as a mailto: link asks, once no transfer
  // runs and no modal window is open.
  void OpenMailtoLink(const QString& Link);
  // Shows the window maximised, at the top and active.
  void BringToFront() override;
  // Writes what was typed into the folder views' body panes, and rows left in edit state.
  void PostFolderEdits() override;

  // Command handlers.
  void Open1Click();
  void SaveAs1Click();
  void SaveAllAs1Click();
  void Delete1Click();
  void Print1Click();
  void PrintAll1Click();
  void Properties1Click();
  void Close1Click();
  void Copy1Click();
  void Paste1Click();
  void SelectAll1Click();
  void MarkasUnread1Click();
  void MarkasRead1Click();
  void ToolBar1Click();
  void StatusBar1Click();
  void Name1Click();
  void Date1Click();
  void SendReceive1Click();
  void NewMessage1Click();
  void Attachment1Click();
  void Reply1Click();
  void ReplytoAll1Click();
  void N10Click();
  void Preferences1Click();
  void Contents1Click();
  void AboutCorvalen1Click();
  void ToolButton18Click();
  void ToolButton19Click();
  void ToolButton21Click();
  void ToolButton23Click();
  void ToolButton24Click();
  void ToolButton26Click();
  void ToolButton27Click();
  void ToolButton33Click();
  void ToolButton34Click();
  void ReplytoWriter1Click();
  void ReplytoAll2Click();
  void ToolButton1Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton4Click();
  void ToolButton5Click();
  void ToolButton6Click();
  void ToolButton7Click();

protected:
  void showEvent(QShowEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;

private:
  // What the Inbox's return to browsing enables: UnlockCommands, of the
  // folder views only the Inbox's list and body pane; the animation stops.
  void InboxBrowsing();
  // Loads BANNER.BAN, runs the first-run setup on a new installation, then
  // loads Config.ini and Smtp.ini and applies the settings; runs when the
  // window is first shown.
  void FormShow();
  // Whether a transfer (sending or receiving) is running.
  bool TransferRunning() const;
  // The dial-up connection went down.
  void tkRas1Disconnected();
  // Posts rows left in edit state and lets the window close.
  void FormCloseQuery();

  void CreateCommands();
  QWidget* CreateLeftPanel();
  void CreateToolBand();
  // The commands LockCommands disables, the folder views aside.
  std::vector<QAction*> LockedActions() const;
  std::vector<QToolButton*> FilterButtons() const;
  void SetLocked(bool Locked, bool AllViews);
  void CreateMailObjects();
  // The three folder views in their start-up order.
  std::array<TFolderView*, 3> FolderViews() const;

  // The settings list (Config.ini) and the banner list (BANNER.BAN).
  TStringList Memo1;
  TStringList Memo3;
  // The SMTP server's security, port, login and trusted certificate (Smtp.ini).
  settings::TSmtpSettings SmtpSettings;
  // The user's address (read-only) and the correspondent of the selected message.
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  // The POP3 accounts in ascending PSWRD order.
  TTable Table1;
  std::unique_ptr<TnbPOP> nbPOP1;
  std::unique_ptr<TnbSMTP> nbSMTP1;
  std::unique_ptr<TnbMessage> nbMessage1;
  std::unique_ptr<TtkRas> tkRas1;

  // The folder views: Inbox, Outbox, Trashcan.
  TForm2* Form2 = nullptr;
  TForm3* Form3 = nullptr;
  TForm7* Form7 = nullptr;
  QMdiArea* MdiArea = nullptr;
  QToolBar* ToolBar3 = nullptr;
  QLabel* Animate1 = nullptr;
  QStatusBar* StatusBar2 = nullptr;
  TForm8* Form8 = nullptr;
  // The address book.
  TForm9* Form9 = nullptr;
  TForm10* Form10 = nullptr;
  // The shared message composer, the Properties window and Save Attachment To.
  TForm5* Form5 = nullptr;
  TForm11* Form11 = nullptr;
  TForm12* Form12 = nullptr;
  // The first-run windows: user information, then connection type.
  TForm15* Form15 = nullptr;
  TForm16* Form16 = nullptr;

  // Menu commands, by their handlers' names.
  QAction *Open1, *SaveAs1, *SaveAllAs1, *Delete1, *Print1, *PrintAll1, *Properties1, *Close1;
  QAction *Copy1, *Paste1, *SelectAll1, *MarkasUnread1, *MarkasRead1;
  QAction *ToolBar1, *StatusBar1, *Name1, *Date1;
  QAction* SendReceive1;
  QAction *NewMessage1, *Attachment1, *Reply1, *ReplytoAll1, *N10, *Preferences1;
  QAction *Contents1, *AboutCorvalen1;
  // Toolbar buttons and the reply drop-down.
  QAction *ToolButton18, *ToolButton19, *ToolButton21, *ToolButton23, *ToolButton24, *ToolButton26, *ToolButton27,
      *ToolButton33, *ToolButton34;
  QMenu* ReplyMenu = nullptr;
  QAction *ReplytoWriter1, *ReplytoAll2;
  // Left panel: folder buttons and filter buttons.
  QToolButton *ToolButton1, *ToolButton2, *ToolButton3;
  QToolButton *ToolButton4, *ToolButton5, *ToolButton6, *ToolButton7;

  QLabel* FStatusLabel = nullptr;
  QMovie* FAnimation = nullptr;
  THelpViewer* FHelpViewer = nullptr;
  TLinkComposer* FLinks = nullptr;
  bool FShown = false;
  std::unique_ptr<TMainScreen> FScreen;
  // The flows' own cursors on the store: a flow never moves a view's
  // cursor, nor a view a flow's.
  std::unique_ptr<TTable> FOutboxCursor, FInboxCursor, FAccountsCursor;
  std::unique_ptr<TSendingFlow> FSending;
  std::unique_ptr<TReceivingFlow> FReceiving;
};

