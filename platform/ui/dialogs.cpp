#include "dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

namespace ui {

namespace {
QString Caption() { return QApplication::applicationDisplayName(); }
}  // namespace

TDialogHooks DefaultHooks() {
  TDialogHooks Hooks;
  Hooks.ShowMessage = [](const std::string& Text) {
    QMessageBox::information(QApplication::activeWindow(), Caption(), QString::fromStdString(Text));
  };
  Hooks.ShowError = [](const std::string& Text) {
    QMessageBox::critical(QApplication::activeWindow(), Caption(), QString::fromStdString(Text));
  };
  Hooks.ShowInformation = [](const std::string& Text, const std::string& Title) {
    QMessageBox::information(QApplication::activeWindow(), QString::fromStdString(Title),
                             QString::fromStdString(Text));
  };
  Hooks.Confirm = [](const std::string& Text) {
    return QMessageBox::question(QApplication::activeWindow(), Caption(), QString::fromStdString(Text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
  Hooks.OpenFileName = [](const std::string& Filter) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), QString(),
                                        QString::fromStdString(QtFileFilter(Filter)))
        .toStdString();
  };
  Hooks.SaveFileName = [](const std::string& Filter, const std::string& FileName) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), QString::fromStdString(FileName),
                                        QString::fromStdString(QtFileFilter(Filter)))
        .toStdString();
  };
  Hooks.PrintDialog = [](QPrinter& Printer) {
    QPrintDialog Dialog(&Printer, QApplication::activeWindow());
    // Printing lays out its own pages and copies; a page range would not be honoured.
    Dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    return Dialog.exec() == QDialog::Accepted;
  };
  Hooks.OpenUrl = [](const std::string& Url) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(Url), QUrl::StrictMode));
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
