#pragma once

#include <QMdiSubWindow>

#include "listview.h"
#include "platform/runtime/stringlist.h"
#include "platform/table/table.h"

class QPlainTextEdit;
class QSplitter;

// The text that stands for a message's recipients in a list: the first To
// address, else the first CC address, with " >" when more of that kind follow.
QString RecipientText(const TStringList& Recipients, const TStringList& CarbonCopies);

// The widest text of a Date column: a date-time. The column is made wide
// enough to show it whole.
inline constexpr const char* WidestDateText = "0000-00-00 00:00:00";

// A mail folder shown inside the main window: the list of its messages above
// a pane with the body of the message under the table cursor. The list finds
// a message's row by its record id, so two messages with the same date never
// stand in for each other. A view knows nothing of the main window: it reports
// the correspondent of the selected message through signals.
class TFolderView : public QMdiSubWindow {
  Q_OBJECT
public:
  // Which rows a list shows: all, those whose STATE is false, or true.
  enum class TFilter { All, StateFalse, StateTrue };

  TFolderView(TDatabase& Database, const TTableDef& Def, const QString& Caption, int ListHeight);
  ~TFolderView() override;

  // The folder table, open for the life of the view.
  TTable Table1;
  TListView* ListView1 = nullptr;
  // The body of the selected message; typing into it edits the DATA field.
  // Empty and read-only while no row is selected; Tab leaves it.
  // An HTML body shows as its readable text, read-only.
  QPlainTextEdit* DBMemo1 = nullptr;
  QSplitter* Splitter1 = nullptr;

  // The current record's recipient, carbon-copy and attachment lists.
  TStringList RecptMemo();
  TStringList CCMemo();
  TStringList DBMemo2();

  // Rebuilds the list from the table in index order; the cursor ends on the last row.
  void FillList(TFilter Filter = TFilter::All);
  // Adds the row with record id Id at the end of the list. The cursor stays
  // on the record whose body the pane shows, so an edit typed into the pane
  // later still reaches that message.
  void AddRecord(std::int64_t Id);
  TFilter Filter() const { return FFilter; }

  // Fills the list; runs when the view is first shown.
  void FormShow();
  // Tells what the correspondent box stands for in this folder; runs when the view becomes active.
  virtual void FormActivate() = 0;
  // Moves the table cursor to the selected row's record.
  void ListView1Change();

  // Writes a pending edit of the body pane and posts a row left in edit or insert state.
  void PostEdits();
  // The record ids of the selected rows, in list order.
  std::vector<std::int64_t> SelectedRecordIds() const;
  // Empties the correspondent box (CorrespondentChanged with no address).
  void ClearCorrespondent();

  // Sort by Subject: the list in subject order at once, and kept so for the
  // rows later fills and filters add.
  void SortBySubject();
  // Sort by Date: the keep-sorted mode off and the list refilled in DATE order.
  void SortByDate();

  // The Edit menu on the body pane: each gives the pane the focus first.
  void SelectAllBody();
  void CopyBody();
  // Pastes the clipboard's text at the caret; the current message's stored
  // body changes with it at once.
  void PasteBody();
  // Whether the cursor is on a record (the table is not empty).
  bool HasRecord() const { return Table1.RecordId() != 0; }

signals:
  // The correspondent (an address) of the message the cursor followed the selection to.
  void CorrespondentChanged(const QString& Address);
  // What the correspondent box stands for while this view is active.
  void CorrespondentHintChanged(const QString& Hint);
  // A row of the list was double-clicked: the user wants to open its message.
  void DblClick();

protected:
  // The list row for the current record.
  virtual TListItem BuildRow() = 0;
  // Whether the cursor may follow the selection now.
  virtual bool SelectionFollows() { return true; }
  // Reports the correspondent of the current record (CorrespondentChanged).
  virtual void ShowCorrespondent() {}

  void showEvent(QShowEvent* Event) override;
  // A folder view lives as long as the program: closing it minimises it instead.
  void closeEvent(QCloseEvent* Event) override;
  // A child window keeps Tab among its own controls; in the main window Tab
  // goes on to the main window's other controls, so none is out of reach.
  bool focusNextPrevChild(bool Next) override;

private:
  void LoadBody();
  void BodyEdited();

  TFilter FFilter = TFilter::All;
  bool FShown = false;
  bool FLoadingBody = false;
  bool FBodyModified = false;
  // Whether the pane shows the current record's body (a row is selected).
  bool FBodyShown = false;
};
