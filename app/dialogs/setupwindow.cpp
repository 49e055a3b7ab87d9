#include "setupwindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QMovie>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

TSetupWindow::TSetupWindow(const char* Name, const QString& Caption, QWidget* Parent) : QDialog(Parent) {
  setObjectName(Name);
  setWindowTitle(Caption);
  Animate1 = new QLabel;
  Animate1->setObjectName("Animate1");
  FAnimation = new QMovie(":/SearchComputer.gif", QByteArray(), this);
  Animate1->setMovie(FAnimation);
  FAnimation->jumpToFrame(0);
  Animate1->setFixedSize(FAnimation->currentPixmap().size());
}

void TSetupWindow::FixSize(int MinimumWidth) {
  QLayout* Layout = layout();
  const int Width = std::max(MinimumWidth, Layout->totalSizeHint().width());
  setFixedSize(Width, Layout->hasHeightForWidth() ? Layout->totalHeightForWidth(Width) : Layout->totalSizeHint().height());
}

bool TSetupWindow::Animating() const { return FAnimation->state() == QMovie::Running; }

void TSetupWindow::StartAnimation() { FAnimation->start(); }

void TSetupWindow::StopAnimation() {
  FAnimation->stop();
  FAnimation->jumpToFrame(0);
}

void TSetupWindow::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (QScreen* Screen = screen()) move(Screen->availableGeometry().center() - rect().center());
  StartAnimation();
}

void TSetupWindow::done(int Result) {
  StopAnimation();
  QDialog::done(Result);
}

void TSetupWindow::AddButtons(QBoxLayout* Layout) {
  BitBtn1 = new QPushButton("OK");
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton("Cancel");
  BitBtn2->setObjectName("BitBtn2");
  auto* Buttons = new QHBoxLayout;
  Buttons->addStretch(1);
  Buttons->addWidget(BitBtn1);
  Buttons->addWidget(BitBtn2);
  Layout->addLayout(Buttons);
}
