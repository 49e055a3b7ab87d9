#include "maillib/addressdlg/nbaddred.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

namespace {

// Answers the address dialog once it is the active modal window: a timer
// polls for it, so the answer never comes before the dialog is up. After the
// deadline any dialog still open is rejected, so a failing test cannot hang.
class TDialogAnswer {
public:
  explicit TDialogAnswer(std::function<void(TMailAddressDlg&)> Answer) : FAnswer(std::move(Answer)) {
    FClock.start();
    FTimer.setInterval(10);
    QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
    FTimer.start();
  }
  bool Answered() const { return FAnswered; }

private:
  void Poll() {
    if (auto* Dlg = qobject_cast<TMailAddressDlg*>(QApplication::activeModalWidget())) {
      if (!Dlg->isVisible()) return;
      FTimer.stop();
      FAnswered = true;
      FAnswer(*Dlg);
      return;
    }
    if (FClock.hasExpired(5000)) {
      FTimer.stop();
      for (QWidget* W : QApplication::topLevelWidgets())
        if (auto* Dlg = qobject_cast<TMailAddressDlg*>(W)) Dlg->reject();
    }
  }

  std::function<void(TMailAddressDlg&)> FAnswer;
  QTimer FTimer;
  QElapsedTimer FClock;
  bool FAnswered = false;
};

// Types into the boxes and clicks OK.
std::function<void(TMailAddressDlg&)> EnterAndConfirm(const QString& Name, const QString& Address) {
  return [=](TMailAddressDlg& Dlg) {
    Dlg.NameEdit->setText(Name);
    Dlg.AddressEdit->setText(Address);
    QTest::mouseClick(Dlg.OKButton, Qt::LeftButton);
  };
}

// The widget Tab moves to from W.
QWidget* NextTabStop(QWidget* W) {
  for (QWidget* Next = W->nextInFocusChain(); Next != W; Next = Next->nextInFocusChain())
    if (Next->focusPolicy() & Qt::TabFocus) return Next;
  return nullptr;
}

}  // namespace

TEST(MailAddressDlg, ShowsTheAddressAndOkCopiesBothBoxesBack) {
  TnbMailAddress A("ann@example.org", "Ann");
  QString ShownName, ShownAddress;
  TDialogAnswer Answer([&](TMailAddressDlg& Dlg) {
    ShownName = Dlg.NameEdit->text();
    ShownAddress = Dlg.AddressEdit->text();
    EnterAndConfirm("Ann B. Example", "ann.b@example.org")(Dlg);
  });
  EXPECT_TRUE(EditMailAddress(A));
  EXPECT_TRUE(Answer.Answered());
  EXPECT_EQ(ShownName, "Ann");
  EXPECT_EQ(ShownAddress, "ann@example.org");
  EXPECT_EQ(A.Name(), "Ann B. Example");
  EXPECT_EQ(A.Address(), "ann.b@example.org");
}

TEST(MailAddressDlg, OkCutsLongValuesTo255BytesAndEmptyBoxesClear) {
  TnbMailAddress A("a@x", "A");
  QString Umlauts(200, QChar(0x00FC));  // 400 bytes in UTF-8
  TDialogAnswer Answer(EnterAndConfirm(Umlauts, QString(300, 'm')));
  ASSERT_TRUE(EditMailAddress(A));
  EXPECT_EQ(A.Name().size(), 254u);  // 127 whole characters, none split
  EXPECT_EQ(A.Name().substr(250), "\xC3\xBC\xC3\xBC");
  EXPECT_EQ(A.Address(), std::string(255, 'm'));

  TDialogAnswer Clearing(EnterAndConfirm("", ""));
  ASSERT_TRUE(EditMailAddress(A));
  EXPECT_EQ(A.Name(), "");
  EXPECT_EQ(A.Address(), "");
}

TEST(MailAddressDlg, CancelEscapeAndClosingLeaveTheAddressUnchanged) {
  const std::function<void(QWidget&)> Leave[] = {
      [](QWidget& Dlg) { QTest::mouseClick(static_cast<TMailAddressDlg&>(Dlg).CancelButton, Qt::LeftButton); },
      [](QWidget& Dlg) { QTest::keyClick(static_cast<TMailAddressDlg&>(Dlg).NameEdit, Qt::Key_Escape); },
      [](QWidget& Dlg) { Dlg.close(); },
  };
  int Way = 0;
  for (const auto& How : Leave) {
    TnbMailAddress A("keep@x", "Keep");
    TDialogAnswer Answer([&](TMailAddressDlg& Dlg) {
      Dlg.NameEdit->setText("changed");
      Dlg.AddressEdit->setText("changed@x");
      How(Dlg);
    });
    EXPECT_FALSE(EditMailAddress(A)) << "way " << Way;
    EXPECT_TRUE(Answer.Answered());
    EXPECT_EQ(A.Name(), "Keep") << "way " << Way;
    EXPECT_EQ(A.Address(), "keep@x") << "way " << Way;
    ++Way;
  }
}

TEST(MailAddressDlg, ReturnInABoxConfirmsThroughTheDefaultButton) {
  TnbMailAddress A;
  TDialogAnswer Answer([](TMailAddressDlg& Dlg) {
    Dlg.NameEdit->setText("Typed");
    QTest::keyClick(Dlg.AddressEdit, Qt::Key_Return);
  });
  EXPECT_TRUE(EditMailAddress(A));
  EXPECT_EQ(A.Name(), "Typed");
}

TEST(MailAddressDlg, TheAddressObjectsEditReachesTheDialogOnceInstalled) {
  const auto Saved = TnbMailAddress::EditHook;
  InstallMailAddressEditor();
  TnbMailAddress A("old@x", "Old");
  TDialogAnswer Answer(EnterAndConfirm("New", "new@x"));
  EXPECT_TRUE(A.Edit());
  EXPECT_EQ(A.Address(), "new@x");
  TnbMailAddress::EditHook = Saved;
}

TEST(MailAddressDlg, IsAFixedSizeDialogTitledAddressWithNameFirstInTabOrder) {
  TMailAddressDlg Dlg;
  EXPECT_EQ(Dlg.windowTitle(), "Address");
  EXPECT_EQ(Dlg.size(), QSize(240, 124));
  EXPECT_EQ(Dlg.minimumSize(), Dlg.maximumSize());
  EXPECT_EQ(NextTabStop(Dlg.NameEdit), Dlg.AddressEdit);
  EXPECT_EQ(NextTabStop(Dlg.AddressEdit), Dlg.OKButton);
}
