#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QToolButton>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/composer/Unit5.h"
#include "app/dialogs/Unit12.h"
#include "app/dialogs/Unit8.h"
#include "app/shell/Unit1.h"
#include "app/shell/installation.h"
#include "app/store/mailtables.h"
#include "app/views/Unit2.h"
#include "app/views/Unit3.h"
#include "app/views/Unit7.h"
#include "platform/net/posixsockets.h"
#include "platform/net/tkwinsock.h"
#include "platform/runtime/processmessages.h"
#include "platform/table/database.h"
#include "platform/ui/dialogs.h"
#include "support/modalanswer.h"
#include "support/namedchild.h"

// A fresh data directory as the working directory, with the mail store
// installed and the first-run setup behind it; message boxes are recorded
// instead of shown.
class AppTest : public ::testing::Test {
protected:
  void SetUp() override {
    OldDir = std::filesystem::current_path();
    Dir = std::filesystem::temp_directory_path() /
          ("corvalen-test-" + std::to_string(::getpid()) + "-" + std::to_string(++Counter()));
    std::filesystem::create_directories(Dir);
    std::filesystem::current_path(Dir);
    installation::InstallIfMissing(Dir);
    // A later start: the first-run setup is done. Its own tests put the marker back.
    std::filesystem::remove(Dir / installation::FirstRunMarkerName);
    ui::Hooks().ShowMessage = [this](const std::string& Text) { Messages.push_back(Text); };
    ui::Hooks().ShowError = [this](const std::string& Text) { Messages.push_back("error: " + Text); };
    ui::Hooks().ShowInformation = [this](const std::string& Text, const std::string& Caption) {
      Messages.push_back(Caption + ": " + Text);
    };
    ui::Hooks().Confirm = [this](const std::string& Text) {
      Messages.push_back("? " + Text);
      return ConfirmAnswer;
    };
    // No test starts a desktop application.
    ui::Hooks().OpenUrl = [this](const std::string& Url) {
      OpenedUrls.push_back(Url);
      return true;
    };
    Database = std::make_unique<TDatabase>(installation::DatabaseFileName);
  }

  void TearDown() override {
    Window.reset();
    Database.reset();
    ui::Hooks() = ui::DefaultHooks();
    std::filesystem::current_path(OldDir);
    std::filesystem::remove_all(Dir);
  }

  // Creates and shows the main window with all its windows.
  void OpenWindow() {
    Window = std::make_unique<TForm1>(*Database);
    Window->resize(1024, 768);
    Window->show();
    WaitFor([this] { return Window->isVisible(); });
    Form2 = Child<TForm2>(*Window, "Form2");
    Form3 = Child<TForm3>(*Window, "Form3");
    Form7 = Child<TForm7>(*Window, "Form7");
    Form5 = Child<TForm5>(*Window, "Form5");
  }

  // The main window's command (menu item or toolbar button) and left-panel button called Name.
  QAction* Command(const char* Name) const { return Child<QAction>(*Window, Name); }
  QToolButton* Button(const char* Name) const { return Child<QToolButton>(*Window, Name); }

  // A transfer screen over the open window's own windows, like the one the
  // window keeps for its flows.
  TMainScreen MakeScreen() {
    return TMainScreen(*Window, {*Window, *Form2, *Form3, *Child<TForm8>(*Window, "Form8"),
                                 *Child<TForm12>(*Window, "Form12")}, *Database);
  }

  struct TRow {
    std::string Subject, From, Email, Date;
    bool State = false;
    std::vector<std::string> Recipients, CarbonCopies, Attachments;
    std::string Body;
    // A received message's own id and the ids it answers.
    std::string MessageId, References;
  };

  // Appends the POP3 account User with Password on Server; returns its record id.
  std::int64_t AddAccount(const std::string& Server, const std::string& User = "alice",
                          const std::string& Password = "secret") {
    TTable Accounts(*Database, Pop3Table());
    Accounts.Open();
    Accounts.Append();
    Accounts.FieldByName("SERVER").SetAsString(Server);
    Accounts.FieldByName("USERA").SetAsString(User);
    Accounts.FieldByName("PSWRD").SetAsString(Password);
    Accounts.Post();
    return Accounts.RecordId();
  }

  // Appends a row to a folder table, as the mail flows will.
  void AddRow(const TTableDef& Def, const TRow& Row) {
    TTable Table(*Database, Def);
    Table.Open();
    Table.Append();
    Table.FieldByName("SUBJECT").SetAsString(Row.Subject);
    if (Def.TableName != SmailTable().TableName) {
      Table.FieldByName("FROM").SetAsString(Row.From);
      Table.FieldByName("EMAIL").SetAsString(Row.Email);
      Table.FieldByName("MESSAGEID").SetAsString(Row.MessageId);
    }
    Table.FieldByName("REFERENCES").SetAsString(Row.References);
    Table.FieldByName("DATE").SetAsString(Row.Date);
    Table.FieldByName("STATE").SetAsBoolean(Row.State);
    Table.FieldByName("RECPT").SetAsLines(Row.Recipients);
    Table.FieldByName("CC").SetAsLines(Row.CarbonCopies);
    Table.FieldByName("ATTACH").SetAsLines(Row.Attachments);
    Table.FieldByName("DATA").SetAsString(Row.Body);
    Table.Post();
  }

  static int& Counter() {
    static int N = 0;
    return N;
  }

  std::filesystem::path OldDir;
  std::filesystem::path Dir;
  // Message boxes as shown: "error: " before an error, the caption and ": "
  // before an information box's text, "? " before a question.
  std::vector<std::string> Messages;
  // The URLs handed to the desktop, in order.
  std::vector<std::string> OpenedUrls;
  // The answer to the next question.
  bool ConfirmAnswer = true;
  std::unique_ptr<TDatabase> Database;
  std::unique_ptr<TForm1> Window;
  // The Inbox, Outbox and Trashcan views of the open window.
  TForm2* Form2 = nullptr;
  TForm3* Form3 = nullptr;
  TForm7* Form7 = nullptr;
  // The shared composer.
  TForm5* Form5 = nullptr;
};

// For tests in which mail work waits on the interface thread, as it does in
// the program: the library's waits run the event loop, and the socket
// library is the system's.
class PumpingAppTest : public AppTest {
protected:
  void SetUp() override {
    AppTest::SetUp();
    TtkWinsock::Instance().SetLoader(PosixSocketLibrary);
    SetMessagePump([] { QApplication::processEvents(); });
  }
  void TearDown() override {
    SetMessagePump(nullptr);
    AppTest::TearDown();
  }
};
