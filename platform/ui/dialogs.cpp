#include "dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace ui {

namespace {
QString Caption() { return QApplication::applicationDisplayName(); }
}  // namespace

TDialogHooks DefaultHooks() {
  TDialogHooks Hooks;
  Hooks.ShowMessage = [](const std::string& Text) {
    QMessageBox::information(QApplication::activeWindow(), Caption(), QString::fromStdString(Text));
  };
  Hooks.ShowInformation = [](const std::string& Text, const std::string& Title) {
    QMessageBox::information(QApplication::activeWindow(), QString::fromStdString(Title), QString::fromStdString(Text));
  };
  Hooks.ShowError = [](const std::string& Text) {
    QMessageBox::critical(QApplication::activeWindow(), Caption(), QString::fromStdString(Text));
  };
  Hooks.OpenFileName = [](const std::string& Filter) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), QString(),
                                        QString::fromStdString(QtFileFilter(Filter)))
        .toStdString();
  };
  return Hooks;
}

std::string QtFileFilter(const std::string& Filter) {
  const QStringList Parts = QString::fromStdString(Filter).split('|');
  QStringList Filters;
  for (qsizetype I = 0; I + 1 < Parts.size(); I += 2) {
    QString Description = Parts[I].trimmed();
    // The description may show its patterns already; Qt reads them from there.
    if (const qsizetype Open = Description.lastIndexOf(" ("); Open > 0 && Description.endsWith(')'))
      Description.truncate(Open);
    QStringList Patterns = Parts[I + 1].split(';', Qt::SkipEmptyParts);
    for (QString& Pattern : Patterns) {
      Pattern = Pattern.trimmed();
      if (Pattern == "*.*") Pattern = "*";
    }
    Filters << Description + " (" + Patterns.join(' ') + ")";
  }
  return Filters.join(";;").toStdString();
}

TDialogHooks& Hooks() {
  static TDialogHooks Current = DefaultHooks();
  return Current;
}

}  // namespace ui
