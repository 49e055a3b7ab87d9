#include "messageoutput.h"

#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>

#include <cstdint>
#include <ctime>
#include <memory>

#include "app/mail/outputtext.h"
#include "app/mail/printlayout.h"
#include "app/store/fieldnames.h"
#include "app/views/folderview.h"
#include "messagewindows.h"
#include "platform/runtime/streams.h"
#include "platform/ui/dialogs.h"

namespace {

constexpr const char* TextFileFilter = "*.txt (Ascii Text File)|*.txt";
constexpr const char* JobTitle = "Corvalen Letter";
// Where every printed line starts, in printer units from the printable area's left edge.
constexpr int LeftMargin = 20;

// The name the save dialog held last; Save As proposes it again.
std::string& LastFileName() {
  static std::string Name;
  return Name;
}

TStringList TextOf(TFolderKind Folder, const TStoredMessage& Message, TOutputKind Kind) {
  return OutputLines(Folder, Message, Kind, StampText(std::time(nullptr)));
}

// Shows the save dialog proposing Proposed and, when the user accepts,
// writes the message under View's cursor to the chosen file.
void SaveCurrent(TFolderView& View, const std::string& Proposed, const TStatusText& Status) {
  const TStoredMessage Message = ReadStoredMessage(View.Table1);
  LastFileName() = Proposed;
  const std::string Chosen = ui::SaveFileName(TextFileFilter, Proposed);
  if (Chosen.empty()) return;
  const std::string Path = TextFilePath(Chosen);
  LastFileName() = Path;
  Status("Save File");
  TFileStream File(Path, TFileMode::fmCreate);
  File.WriteString(TextFileBytes(TextOf(FolderOf(View), Message, TOutputKind::SavedFile)));
}

// Whether View's list shows any message; says so when it does not.
bool FolderHasMessages(TFolderView& View) {
  if (View.ListView1->Count() > 0) return true;
  switch (FolderOf(View)) {
    case TFolderKind::Inbox: ui::ShowMessage("No Messages in Inbox"); break;
    case TFolderKind::Outbox: ui::ShowMessage("No Messages in Outbox"); break;
    case TFolderKind::Trashcan: ui::ShowMessage("No Messages in Trashcan"); break;
  }
  return false;
}

// Runs Each with View's cursor on every record of its table in DATE order.
// The cursor then returns to the record it was on, which the body pane still
// shows, so an edit typed into the pane afterwards reaches that message and
// never the last one visited here.
void ForEachRecord(TFolderView& View, const std::function<void()>& Each) {
  View.PostEdits();
  struct TReturn {
    TTable& Table;
    std::int64_t Id;
    ~TReturn() {
      try {
        if (Id != 0) Table.GotoRecord(Id);
      } catch (...) {
        // The error that ended the loop is the one to report.
      }
    }
  } Return{View.Table1, View.Table1.RecordId()};
  const int Count = View.Table1.RecordCount();
  View.Table1.First();
  for (int I = 0; I < Count && !View.Table1.Eof(); ++I, View.Table1.Next()) Each();
}

// How many copies the user asked for and whether collated. They are printed
// here, so the printer itself is set to one copy and does not multiply them again.
struct TCopies {
  int Count = 1;
  bool Collate = false;
};

TCopies TakeCopies(QPrinter& Printer) {
  const TCopies Copies{Printer.copyCount(), Printer.collateCopies()};
  Printer.setCopyCount(1);
  return Copies;
}

// One print job: lines in the message pane's font, each page filled from the
// top of the printable area with as many lines as fit.
class TPrintJob {
public:
  TPrintJob(QPrinter& Printer, const QFont& Font) : FPrinter(Printer) {
    Printer.setDocName(JobTitle);
    if (!FPainter.begin(&Printer)) throw Exception("The printer could not start the print job");
    FPainter.setFont(QFont(Font, &Printer));
  }
  ~TPrintJob() {
    if (FPainter.isActive()) FPainter.end();
  }
  TPrintJob(const TPrintJob&) = delete;
  TPrintJob& operator=(const TPrintJob&) = delete;

  // Prints Lines on sheets of their own, after what the job printed before.
  void Print(const TStringList& Lines, const TCopies& Copies) {
    const QFontMetrics Metrics = FPainter.fontMetrics();
    const int LineHeight = Metrics.height();
    const int PerPage = LinesPerPage(FPrinter.height(), LineHeight);
    for (const TSheet& Sheet : PrintSheets(static_cast<int>(Lines.size()), PerPage, Copies.Count, Copies.Collate)) {
      if (FSheets++ > 0 && !FPrinter.newPage()) throw Exception("The printer could not start a new page");
      for (int Row = 0; Row < Sheet.LineCount; ++Row)
        FPainter.drawText(LeftMargin, Row * LineHeight + Metrics.ascent(),
                          QString::fromStdString(Lines[static_cast<std::size_t>(Sheet.FirstLine + Row)]));
    }
  }

  // Ends the job; an error of the printer is raised here.
  void End() {
    if (!FPainter.end() || FPrinter.printerState() == QPrinter::Error)
      throw Exception("The print job could not be completed");
  }

private:
  QPrinter& FPrinter;
  QPainter FPainter;
  int FSheets = 0;
};

}  // namespace

void SaveMessageAs(TFolderView* Active, const TStatusText& Status) {
  if (!Active || !ToSelectedRecord(*Active)) return;
  SaveCurrent(*Active, LastFileName(), Status);
}

void SaveAllMessagesAs(TFolderView* Active, const TStatusText& Status) {
  if (!Active || !FolderHasMessages(*Active)) return;
  ForEachRecord(*Active, [&] {
    SaveCurrent(*Active, ProposedFileName(Active->Table1.FieldByName(folderfield::Subject).AsString()), Status);
  });
}

void PrintMessage(TFolderView* Active) {
  if (!Active || !ToSelectedRecord(*Active)) return;
  const TStoredMessage Message = ReadStoredMessage(Active->Table1);
  QPrinter Printer(QPrinter::HighResolution);
  if (!ui::PrintDialog(Printer)) return;
  const TCopies Copies = TakeCopies(Printer);
  TPrintJob Job(Printer, Active->DBMemo1->font());
  Job.Print(TextOf(FolderOf(*Active), Message, TOutputKind::Print), Copies);
  Job.End();
}

void PrintAllMessages(TFolderView* Active) {
  if (!Active || !FolderHasMessages(*Active)) return;
  QPrinter Printer(QPrinter::HighResolution);
  if (!ui::PrintDialog(Printer)) return;
  const TCopies Copies = TakeCopies(Printer);
  // Printing into a file, each job would write over the one before: the
  // messages then go into one document, each starting on a new page.
  const bool OneDocument = !Printer.outputFileName().isEmpty();
  std::unique_ptr<TPrintJob> Job;
  ForEachRecord(*Active, [&] {
    if (!Job) Job = std::make_unique<TPrintJob>(Printer, Active->DBMemo1->font());
    Job->Print(TextOf(FolderOf(*Active), ReadStoredMessage(Active->Table1), TOutputKind::Print), Copies);
    if (OneDocument) return;
    Job->End();
    Job.reset();
  });
  if (Job) Job->End();
}
