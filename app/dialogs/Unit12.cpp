#include "Unit12.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStorageInfo>
#include <QTreeView>

#include "app/mail/inboxrow.h"
#include "app/settings/settingsfiles.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/handler.h"

TForm12::TForm12(const TStringList& Settings, QWidget* Parent) : QDialog(Parent), FSettings(Settings) {
  setObjectName("Form12");
  setWindowTitle("Save Attachment To");
  setFixedSize(209, 397);

  Label2 = new QLabel(this);
  Label2->setObjectName("Label2");
  Label2->setAccessibleName("Attachment to save");
  // Names and subjects come from the network: shown as text, never as markup.
  Label2->setTextFormat(Qt::PlainText);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label2->setGeometry(8, 8, 193, 50);

  DirectoryListBox1 = new QTreeView(this);
  DirectoryListBox1->setObjectName("DirectoryListBox1");
  DirectoryListBox1->setAccessibleName("Directories");
  DirectoryListBox1->setHeaderHidden(true);
  DirectoryListBox1->setGeometry(8, 62, 193, 233);

  DriveComboBox1 = new QComboBox(this);
  DriveComboBox1->setObjectName("DriveComboBox1");
  DriveComboBox1->setAccessibleName("Drives");
  DriveComboBox1->setGeometry(8, 300, 193, 22);

  Label1 = new QLabel("Save to current directory", this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(8, 326, 193, 16);

  Panel1 = new QLabel(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setGeometry(8, 344, 193, 20);

  BitBtn1 = new QPushButton("OK", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setDefault(true);
  BitBtn1->setGeometry(24, 367, 75, 25);

  BitBtn2 = new QPushButton("Cancel", this);
  BitBtn2->setObjectName("BitBtn2");
  BitBtn2->setAccessibleName("Cancel: save to the configured directory");
  BitBtn2->setToolTip("Save to the configured attachment directory");
  BitBtn2->setGeometry(110, 367, 75, 25);

  // The model reads the file system once a root is set, when the dialog is first shown.
  FModel = new QFileSystemModel(this);
  FModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  DirectoryListBox1->setModel(FModel);
  for (int Column = 1; Column < FModel->columnCount(); ++Column) DirectoryListBox1->hideColumn(Column);

  connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
    FDirectory = FModel->filePath(DirectoryListBox1->currentIndex());
    DirectoryListBox1Change();
  });
  // Directories are read and sorted in the background, moving the current
  // one down: it is brought back into view until the user scrolls the tree.
  connect(FModel, &QAbstractItemModel::rowsInserted, this, &TForm12::ShowCurrent, Qt::QueuedConnection);
  connect(FModel, &QAbstractItemModel::layoutChanged, this, &TForm12::ShowCurrent, Qt::QueuedConnection);
  connect(DirectoryListBox1->verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { FRevealPending = false; });
  connect(DriveComboBox1, &QComboBox::activated, this, [this] { DriveComboBox1Change(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm12::Ask(const QString& FileName, const QString& Subject, const QString& Sender) {
  const QStringList Lines{"Save \"" + FileName + "\"", "from " + Sender,
                          "Subject: " + (Subject.isEmpty() ? QString(NoSubject) : Subject)};
  // Long texts lose their middle, so the extension of the name stays in sight.
  const QFontMetrics Metrics(Label2->font());
  QStringList Shown;
  for (const QString& Line : Lines) Shown << Metrics.elidedText(Line, Qt::ElideMiddle, Label2->width());
  Label2->setText(Shown.join('\n'));
  Label2->setToolTip(Lines.join('\n'));
  Label2->setAccessibleDescription(Lines.join('\n'));
}

void TForm12::LoadDrives() {
  QStringList Roots{QDir::rootPath()};
  for (const QStorageInfo& Volume : QStorageInfo::mountedVolumes())
    if (Volume.isValid() && Volume.isReady() && !Roots.contains(Volume.rootPath())) Roots << Volume.rootPath();
  Roots.sort();
  DriveComboBox1->clear();
  DriveComboBox1->addItems(Roots);
}

void TForm12::SetRoot(const QString& Root) {
  DirectoryListBox1->setRootIndex(FModel->setRootPath(Root));
}

void TForm12::SetDirectory(const QString& Path) {
  if (DriveComboBox1->count() == 0) LoadDrives();
  const QString Directory = QDir(Path).absolutePath();
  // The drive is the longest mount point that holds the directory.
  int Drive = 0;
  for (int I = 0; I < DriveComboBox1->count(); ++I) {
    const QString Root = DriveComboBox1->itemText(I);
    const bool Holds = Directory == Root || Directory.startsWith(Root.endsWith('/') ? Root : Root + '/');
    if (Holds && Root.size() > DriveComboBox1->itemText(Drive).size()) Drive = I;
  }
  DriveComboBox1->setCurrentIndex(Drive);
  SetRoot(DriveComboBox1->currentText());
  DirectoryListBox1->setCurrentIndex(FModel->index(Directory));
  FDirectory = Directory;
  FRevealPending = true;
  ShowCurrent();
  DirectoryListBox1Change();
}

void TForm12::ShowCurrent() {
  if (!FRevealPending) return;
  const QModelIndex Current = DirectoryListBox1->currentIndex();
  for (QModelIndex Parent = Current.parent(); Parent.isValid(); Parent = Parent.parent())
    DirectoryListBox1->expand(Parent);
  DirectoryListBox1->scrollTo(Current);
}

void TForm12::showEvent(QShowEvent* Event) {
  // Every time on the configured directory, so Enter saves where the settings say.
  const bool Configured = FSettings.size() > settings::clAttachmentDir;
  SetDirectory(Configured ? QString::fromStdString(FSettings[settings::clAttachmentDir]) : QDir::currentPath());
  QDialog::showEvent(Event);
}

void TForm12::DirectoryListBox1Change() { Panel1->setText(FDirectory); }

void TForm12::DriveComboBox1Change() {
  const QString Root = DriveComboBox1->currentText();
  SetRoot(Root);
  DirectoryListBox1->setCurrentIndex(FModel->index(Root));
  FDirectory = Root;
  DirectoryListBox1Change();
}

void TForm12::BitBtn1Click() {
  emit DirectoryStored(FDirectory);
  accept();
}

void TForm12::FormCloseQuery() {
  emit DirectoryStored(QString::fromStdString(StringAt(FSettings, settings::clAttachmentDir)));
}

void TForm12::done(int Result) {
  if (Result != Accepted) ui::RunHandler([this] { FormCloseQuery(); });
  QDialog::done(Result);
}
