#include "attachmentlist.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QLocale>
#include <QUrl>

#include <filesystem>
#include <system_error>

#include "platform/ui/dialogs.h"
#include "platform/ui/handler.h"

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr const char* SaveFilter = "All Files (*.*)|*.*";

QListWidgetItem* Entry(QListWidget& List, const QString& Path, const QString& Caption) {
  auto* Item = new QListWidgetItem(QIcon(":/icons/paperclip.svg"), Caption, &List);
  Item->setData(PathRole, Path);
  Item->setToolTip(Path);
  return Item;
}

QString PathOf(const QListWidgetItem* Item) { return Item ? Item->data(PathRole).toString() : QString(); }

// The current entry's file when it is still there; else empty.
QString PresentFile(const QListWidget& List) {
  const QString Path = PathOf(List.currentItem());
  return !Path.isEmpty() && QFileInfo(Path).isFile() ? Path : QString();
}

void OpenFile(const QString& Path) {
  if (Path.isEmpty()) return;
  if (!ui::OpenUrl(QUrl::fromLocalFile(Path).toString().toStdString()))
    ui::ShowMessage("No program opened \"" + QFileInfo(Path).fileName().toStdString() + "\"");
}

void SaveFileAs(const QString& Path) {
  if (Path.isEmpty()) return;
  const std::string Target = ui::SaveFileName(SaveFilter, QFileInfo(Path).fileName().toStdString());
  if (Target.empty()) return;
  std::error_code Error;
  // The save dialog has asked before an existing file is replaced.
  std::filesystem::copy_file(Path.toStdString(), Target, std::filesystem::copy_options::overwrite_existing, Error);
  if (Error) ui::ShowError("Cannot save \"" + Target + "\": " + Error.message());
}

// Enter opens the current entry's file; the key is taken here, so it never
// reaches the window's default button as well.
class TEnterOpens : public QObject {
public:
  using QObject::QObject;

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() != QEvent::KeyPress) return false;
    const int Key = static_cast<QKeyEvent*>(Event)->key();
    auto* List = static_cast<QListWidget*>(Watched);
    if ((Key != Qt::Key_Return && Key != Qt::Key_Enter) || !List->currentItem()) return false;
    ui::RunHandler([List] { OpenFile(PresentFile(*List)); });
    return true;
  }
};

QAction* Command(QListWidget& List, const QString& Text, const char* Name) {
  auto* Action = new QAction(Text, &List);
  Action->setObjectName(Name);
  List.addAction(Action);
  return Action;
}

}  // namespace

void AddAttachmentEntry(QListWidget& List, const QString& Path) { Entry(List, Path, Path); }

void AddReceivedAttachmentEntry(QListWidget& List, const QString& Path) {
  const QFileInfo File(Path);
  const QString Size = File.isFile() ? QLocale().formattedDataSize(File.size(), 1, QLocale::DataSizeTraditionalFormat)
                                     : QStringLiteral("missing");
  Entry(List, Path, File.fileName() + " (" + Size + ")");
}

QStringList AttachmentPaths(const QListWidget& List) {
  QStringList Paths;
  for (int Row = 0; Row < List.count(); ++Row) Paths << PathOf(List.item(Row));
  return Paths;
}

void AddAttachmentCommands(QListWidget& List) {
  List.installEventFilter(new TEnterOpens(&List));
  List.setContextMenuPolicy(Qt::ActionsContextMenu);
  QAction* Open = Command(List, "&Open", "OpenAttachment");
  QAction* SaveAs = Command(List, "Save &As...", "SaveAttachmentAs");
  QListWidget* Target = &List;
  QObject::connect(&List, &QListWidget::itemDoubleClicked, &List, [Target](QListWidgetItem* Item) {
    Target->setCurrentItem(Item);
    ui::RunHandler([Target] { OpenFile(PresentFile(*Target)); });
  });
  QObject::connect(Open, &QAction::triggered, &List, ui::Guarded([Target] { OpenFile(PresentFile(*Target)); }));
  QObject::connect(SaveAs, &QAction::triggered, &List, ui::Guarded([Target] { SaveFileAs(PresentFile(*Target)); }));
  // The commands apply to a file that is there.
  QObject::connect(&List, &QListWidget::currentItemChanged, &List, [Target, Open, SaveAs] {
    const bool Present = !PresentFile(*Target).isEmpty();
    Open->setEnabled(Present);
    SaveAs->setEnabled(Present);
  });
}
