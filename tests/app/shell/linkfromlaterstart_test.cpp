// A later start given a mailto: link (as the desktop's xdg-open does) hands
// it to the running program, which opens the composer filled in.
#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/composer/Unit5.h"
#include "app/shell/singleinstance.h"
#include "appfixture.h"
#include "support/namedchild.h"

namespace {

class LinkFromLaterStartTest : public AppTest {};

TEST_F(LinkFromLaterStartTest, RunningProgramComposesTheLinkOfALaterStart) {
  OpenWindow();
  const QString Key = QString("corvalen-test-link-%1").arg(::getpid());
  TSingleInstance First(Key);
  ASSERT_TRUE(First.IsFirst());
  QObject::connect(&First, &TSingleInstance::LinkRequested, Window.get(), &TForm1::OpenMailtoLink);
  std::vector<QString> Shown;
  AnswerNextModal([&](QWidget* Modal) {
    Shown = {Modal->windowTitle(), Form5->Recpt->toPlainText(), Form5->Edit3->text()};
    Form5->reject();
  });
  TSingleInstance Later(Key);
  EXPECT_TRUE(StepBackForRunningInstance(Later, "mailto:bob@example.test?subject=Gr%C3%BC%C3%9Fe"));
  ASSERT_TRUE(WaitFor([&] { return !Shown.empty(); }));
  EXPECT_EQ(Shown, (std::vector<QString>{"Corvalen message - Grüße", "bob@example.test", "Grüße"}));
  // Handing over the link is the answer: no "already running" box.
  EXPECT_TRUE(Messages.empty());
}

TEST_F(LinkFromLaterStartTest, LinkWaitsForTheOpenComposerToClose) {
  OpenWindow();
  std::vector<QString> Subjects;
  // The user is writing a message when a link comes: it is not replaced.
  AnswerNextModal([&](QWidget*) {
    Form5->Edit3->setText("mine");
    Window->OpenMailtoLink("mailto:x@example.test?subject=link");
    WaitFor([] { return false; }, 600);
    Subjects.push_back(Form5->Edit3->text());
    AnswerNextModal([&](QWidget*) {
      Subjects.push_back(Form5->Edit3->text());
      Form5->reject();
    });
    Form5->reject();
  });
  Window->NewMessage1Click();
  ASSERT_TRUE(WaitFor([&] { return Subjects.size() == 2; }));
  EXPECT_EQ(Subjects, (std::vector<QString>{"mine", "link"}));
}

}  // namespace
