#pragma once

#include <QDialog>

#include "platform/runtime/stringlist.h"

class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

// Save Attachment To: the receive flow shows it before each received
// attachment is written, naming the file and its message, and opening on the
// configured attachment directory (settings line 8). The directory the user
// browses to and confirms with OK is where the file goes; Cancel, or closing
// the dialog any other way, stores the configured directory. Created once and
// reused.
class TForm12 : public QDialog {
  Q_OBJECT
public:
  // Settings: the settings list, read for the configured directory on
  // opening and on closing.
  TForm12(const TStringList& Settings, QWidget* Parent);

  // Which file of which message is asked about.
  QLabel* Label2 = nullptr;
  // The directories of the current drive.
  QTreeView* DirectoryListBox1 = nullptr;
  // The drives: the root and the mount points.
  QComboBox* DriveComboBox1 = nullptr;
  QLabel* Label1 = nullptr;
  // The directory chosen so far.
  QLabel* Panel1 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  // Cancel: the file goes to the configured directory.
  QPushButton* BitBtn2 = nullptr;

  // Prepares the next showing for the attachment FileName of the message
  // Subject from Sender.
  void Ask(const QString& FileName, const QString& Subject, const QString& Sender);

  // The tree's current directory.
  QString Directory() const { return FDirectory; }
  // Makes Path the tree's current directory, on the drive that holds it.
  void SetDirectory(const QString& Path);

  void DirectoryListBox1Change();
  void DriveComboBox1Change();
  // OK: stores the current directory, then closes.
  void BitBtn1Click();
  // Closing without OK stores the configured attachment directory.
  void FormCloseQuery();

  void done(int Result) override;

signals:
  // A directory was stored as the place for the attachment being saved.
  void DirectoryStored(const QString& Directory);

protected:
  void showEvent(QShowEvent* Event) override;

private:
  void LoadDrives();
  // The tree shows Root and its subdirectories.
  void SetRoot(const QString& Root);
  // Opens the branches down to the current directory and scrolls to it.
  void ShowCurrent();

  const TStringList& FSettings;
  QFileSystemModel* FModel = nullptr;
  QString FDirectory;
  // The current directory has not been scrolled into view yet.
  bool FRevealPending = false;
};
