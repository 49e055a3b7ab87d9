#pragma once

#include <QMdiSubWindow>

#include "listview.h"
#include "platform/runtime/stringlist.h"
#include "platform/table/table.h"

class QPlainTextEdit;
class QSplitter;
class TForm1;

// The text that stands for a message's recipients in a list: the first To
// address, else the first CC address, with " >" when more of that kind follow.
QString RecipientText(const TStringList& Recipients, const TStringList& CarbonCopies);

// A mail folder shown inside the main window: the list of its messages above
// a pane with the body of the message under the table cursor. The list finds
// a message's row by its record id, so two messages with the same date never
// stand in for each other.
class TFolderView : public QMdiSubWindow {
  Q_OBJECT
public:
  // Which rows a list shows: all, those whose STATE is false, or true.
  enum class TFilter { All, StateFalse, StateTrue };

  TFolderView(TForm1& AForm1, TDatabase& Database, const TTableDef& Def, const QString& Caption, int ListHeight);
  ~TFolderView() override;

  // The folder table, open for the life of the view.
  TTable Table1;
  TListView* ListView1 = nullptr;
  // The body of the current message; typing into it edits the DATA field.
  QPlainTextEdit* DBMemo1 = nullptr;
  QSplitter* Splitter1 = nullptr;

  // The current record's recipient, carbon-copy and attachment lists.
  TStringList RecptMemo();
  TStringList CCMemo();
  TStringList DBMemo2();

  // Rebuilds the list from the table in index order; the cursor ends on the last row.
  void FillList(TFilter Filter = TFilter::All);
  TFilter Filter() const { return FFilter; }

  // Fills the list; runs when the view is first shown.
  void FormShow();
  // Sets the correspondent box's hint for this folder.
  virtual void FormActivate() = 0;
  // Moves the table cursor to the selected row's record.
  void ListView1Change();

  // Writes a pending edit of the body pane and posts a row left in edit or insert state.
  void PostEdits();
  // Whether the cursor is on a record (the table is not empty).
  bool HasRecord() const { return Table1.RecordId() != 0; }

signals:
  // A row of the list was double-clicked: the user wants to open its message.
  void DblClick();

protected:
  // The list row for the current record.
  virtual TListItem BuildRow() = 0;
  // Whether the cursor may follow the selection now.
  virtual bool SelectionFollows() { return true; }
  // Shows the correspondent of the current record in the main window.
  virtual void ShowCorrespondent() {}

  void showEvent(QShowEvent* Event) override;

  TForm1& Form1;

private:
  void LoadBody();
  void BodyEdited();

  TFilter FFilter = TFilter::All;
  bool FShown = false;
  bool FLoadingBody = false;
  bool FBodyModified = false;
};
