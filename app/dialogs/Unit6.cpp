#include "Unit6.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

TForm6::TForm6(QWidget* Parent)
    : QDialog(Parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("Form6");
  setWindowTitle("Attachments");
  setFixedSize(202, 206);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setAccessibleName("Attachments");
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setGeometry(0, 0, 202, 137);

  // Borderless, read-only, in the dialog's colour: it reads as a label.
  Memo2 = new QPlainTextEdit(this);
  Memo2->setObjectName("Memo2");
  Memo2->setReadOnly(true);
  Memo2->setAccessibleName("Location");
  Memo2->setFrameShape(QFrame::NoFrame);
  Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo2->viewport()->setBackgroundRole(QPalette::Window);
  Memo2->setPlainText("These files can be found in: \n");
  Memo2->setGeometry(4, 139, 194, 20);
  Memo2->hide();

  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(8, 159, 190, 16);
  Label1->hide();

  BitBtn1 = new QPushButton("OK", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setDefault(true);
  BitBtn1->setGeometry(64, 178, 75, 25);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm6::ShowFiles(const TStringList& Files) {
  QStringList Lines;
  for (const std::string& File : Files) Lines << QString::fromStdString(File);
  Memo1->setPlainText(Lines.join('\n'));
}

void TForm6::ShowDirectory(const QString& Directory) {
  Label1->setText(Directory);
  Label1->setToolTip(Directory);
  Memo2->show();
  Label1->show();
}
