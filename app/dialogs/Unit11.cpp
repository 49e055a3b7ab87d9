#include "Unit11.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm11::TForm11(QWidget* Parent) : QDialog(Parent) {
  setObjectName("Form11");
  setWindowTitle("Properties");
  setSizeGripEnabled(true);
  resize(544, 375);

  Memo1 = new QPlainTextEdit;
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName("Properties");
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->viewport()->setBackgroundRole(QPalette::Window);

  BitBtn1 = new QPushButton("OK");
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

  auto* Panel = new QHBoxLayout;
  Panel->addStretch(1);
  Panel->addWidget(BitBtn1);
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 4);
  Layout->addWidget(Memo1, 1);
  Layout->addLayout(Panel);
}

void TForm11::ShowText(const TStringList& Lines) {
  QStringList Text;
  for (const std::string& Line : Lines) Text << QString::fromStdString(Line);
  Memo1->setPlainText(Text.join('\n'));
  exec();
}
