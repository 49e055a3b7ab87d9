#include "Unit8.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

TForm8::TForm8(QWidget* Parent) : QWidget(Parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName("Form8");
  setWindowTitle("Progress");
  auto* Layout = new QVBoxLayout(this);
  Label1 = new QLabel("Progress Bar");
  ProgressBar1 = new QProgressBar;
  ProgressBar1->setRange(0, 100);
  Layout->addWidget(Label1);
  Layout->addWidget(ProgressBar1);
  resize(320, 80);
}
