#include "Unit8.h"

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

TForm8::TForm8(QWidget* Parent) : QWidget(Parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName("Form8");
  setWindowTitle("Progress");
  auto* Layout = new QVBoxLayout(this);
  Label1 = new QLabel("Progress Bar");
  ProgressBar1 = new QProgressBar;
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setAccessibleName("Progress");
  Layout->addWidget(Label1);
  Layout->addWidget(ProgressBar1);
  resize(320, 80);
}

void TForm8::showEvent(QShowEvent* Event) {
  // A window that stays on top must not sit over the toolbar, where Stop is.
  if (QWidget* Main = parentWidget() ? parentWidget()->window() : nullptr) {
    const QRect Area = Main->geometry();
    QRect Frame = frameGeometry();
    Frame.moveCenter(Area.center());
    auto* MainWindow = qobject_cast<QMainWindow*>(Main);
    if (QWidget* Below = MainWindow ? MainWindow->centralWidget() : nullptr)
      Frame.moveTop(std::max(Frame.top(), Below->mapToGlobal(QPoint(0, 0)).y()));
    move(Frame.topLeft());
  }
  QWidget::showEvent(Event);
}
