#include "htmltext.h"

#include <QStringList>
#include <QTextBlock>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <vector>

#include "offlinedocument.h"

namespace {

QString Trimmed(const std::string& Line) { return QString::fromStdString(Line).trimmed(); }

// Links that are written out: those a reader can follow, not script or
// in-page anchors.
bool WrittenOut(const QString& Href) {
  return Href.startsWith("http://", Qt::CaseInsensitive) || Href.startsWith("https://", Qt::CaseInsensitive) ||
         Href.startsWith("mailto:", Qt::CaseInsensitive);
}

// Text and line breaks of Block, a link's target written after its text
// unless the text already says it.
QString BlockText(const QTextBlock& Block) {
  QString Text;
  QString Href;
  QString LinkText;
  // Ends the run of fragments that share one link target (or none).
  auto CloseLink = [&] {
    const QString Shown = LinkText.trimmed();
    if (WrittenOut(Href) && Shown != Href && "mailto:" + Shown != Href) Text += " <" + Href + ">";
    LinkText.clear();
  };
  for (auto It = Block.begin(); !It.atEnd(); ++It) {
    const QTextFragment Fragment = It.fragment();
    const QTextCharFormat Format = Fragment.charFormat();
    const QString Target = Format.isAnchor() ? Format.anchorHref() : QString();
    if (Target != Href) CloseLink();
    Href = Target;
    QString Part = Fragment.text();
    Part.remove(QChar::ObjectReplacementCharacter);  // an image
    LinkText += Part;
    Text += Part;
  }
  CloseLink();
  Text.replace(QChar::Nbsp, ' ');
  Text.replace(QChar::LineSeparator, '\n');
  Text.replace(QChar::ParagraphSeparator, '\n');
  Text.removeIf([](QChar C) { return C.category() == QChar::Other_Control && C != '\n' && C != '\t'; });
  return Text;
}

// What stands before the first line of Block: the marker of a list item.
QString ListMarker(const QTextBlock& Block) {
  const QTextList* List = Block.textList();
  if (!List) return {};
  const QString Indent(2 * std::max(0, List->format().indent() - 1), ' ');
  const int Style = List->format().style();
  const bool Bullet = Style == QTextListFormat::ListDisc || Style == QTextListFormat::ListCircle ||
                      Style == QTextListFormat::ListSquare;
  return Indent + (Bullet ? QString("* ") : List->itemText(Block) + ' ');
}

// How deep the blocks of a document stand in quotations. Qt marks only the
// first block of a quotation; the blocks after it share its left margin.
class TQuoteDepth {
public:
  // The "> " prefixes of the next block, whose format is Format.
  QString Prefix(const QTextBlockFormat& Format) {
    const qreal Margin = Format.leftMargin();
    while (!FMargins.empty() && Margin < FMargins.back()) FMargins.pop_back();
    const bool Starts = Format.intProperty(QTextFormat::BlockQuoteLevel) > 0;
    // A quotation without a margin of its own cannot be told from what follows it: its first block only.
    bool Unmarked = false;
    if (Starts && Margin > (FMargins.empty() ? 0 : FMargins.back()))
      FMargins.push_back(Margin);
    else
      Unmarked = Starts && FMargins.empty();
    return QString("> ").repeated(static_cast<int>(FMargins.size()) + (Unmarked ? 1 : 0));
  }

private:
  std::vector<qreal> FMargins;  // the left margins of the open quotations
};

// Adds Line to Lines wrapped at the readable width: words move to the next
// line, which starts with Prefix; a word longer than a line stays whole.
void AddWrapped(QStringList& Lines, const QString& First, const QString& Prefix, const QString& Line, bool Keep) {
  if (Keep) {
    Lines << First + Line;
    return;
  }
  QString Current = First;
  bool HasWord = false;
  for (const QString& Word : Line.split(' ', Qt::SkipEmptyParts)) {
    if (HasWord && Current.size() + 1 + Word.size() > ReadableTextWidth) {
      Lines << Current;
      Current = Prefix;
      HasWord = false;
    }
    if (HasWord) Current += ' ';
    Current += Word;
    HasWord = true;
  }
  Lines << Current;
}

}  // namespace

bool LooksLikeHtml(const TStringList& Lines) {
  const auto First = std::find_if(Lines.begin(), Lines.end(), [](const std::string& L) { return !Trimmed(L).isEmpty(); });
  if (First == Lines.end()) return false;
  const auto Last = std::find_if(Lines.rbegin(), Lines.rend(), [](const std::string& L) { return !Trimmed(L).isEmpty(); });
  const QString Start = Trimmed(*First);
  const bool Opens = Start.startsWith("<!doctype html", Qt::CaseInsensitive) ||
                     Start.startsWith("<html", Qt::CaseInsensitive) || Start.startsWith("<head", Qt::CaseInsensitive) ||
                     Start.startsWith("<body", Qt::CaseInsensitive);
  return Opens && Trimmed(*Last).endsWith('>');
}

TStringList HtmlToText(const std::string& Html) {
  TOfflineDocument Document;
  Document.setHtml(QString::fromStdString(Html));
  QStringList Lines;
  TQuoteDepth Quotes;
  QString Before;  // the quotation prefix of the last block written
  // The one-line cell last written, whose line the next cell of its row joins.
  const QTextTable* RowTable = nullptr;
  int RowNumber = -1;
  qsizetype RowLine = -1;
  bool Gap = false;
  for (QTextBlock Block = Document.begin(); Block.isValid(); Block = Block.next()) {
    const QTextBlockFormat Format = Block.blockFormat();
    const bool Pre = Format.nonBreakableLines();
    const QString Raw = BlockText(Block);
    const QString Text = Pre ? Raw : Raw.trimmed();
    // A block of nothing but blanks and line breaks stands for a blank line.
    if (Format.topMargin() > 0 || (Text.isEmpty() && !Raw.isEmpty())) Gap = true;
    const QString Quote = Quotes.Prefix(Format);
    const QTextCursor At(Block);
    const QTextTable* Table = At.currentTable();
    const QTextTableCell Cell = Table ? Table->cellAt(At) : QTextTableCell();
    const bool OneLineCell = Cell.isValid() && Cell.firstCursorPosition().block() == Block &&
                             Cell.lastCursorPosition().block() == Block && !Text.contains('\n');
    if (!Text.isEmpty() && OneLineCell && Table == RowTable && Cell.row() == RowNumber &&
        RowLine == Lines.size() - 1) {
      Lines.back() += "  " + Text.simplified();
    } else if (!Text.isEmpty()) {
      // The blank line belongs to the shallower of the two quotations it separates.
      const QString Blank = (Quote.size() < Before.size() ? Quote : Before).trimmed();
      if (Gap && !Lines.isEmpty() && Lines.back().trimmed() != Blank) Lines << Blank;
      Before = Quote;
      const QString Marker = ListMarker(Block);
      const QString Hanging = Quote + QString(Marker.size(), ' ');
      bool FirstLine = true;
      for (QString Line : Text.split('\n')) {
        if (!Pre) Line = Line.simplified();
        AddWrapped(Lines, FirstLine ? Quote + Marker : Hanging, Hanging, Line, Pre);
        FirstLine = false;
      }
      Gap = false;
      RowTable = OneLineCell ? Table : nullptr;
      RowNumber = OneLineCell ? Cell.row() : -1;
      RowLine = Lines.size() - 1;
    }
    if (Format.bottomMargin() > 0) Gap = true;
  }
  TStringList Result;
  for (const QString& Line : Lines) {
    QString Kept = Line;
    while (Kept.endsWith(' ')) Kept.chop(1);
    // Runs of blank lines (empty table cells, spacer blocks) become one.
    if (Kept.isEmpty() && (Result.empty() || Result.back().empty())) continue;
    Result.push_back(Kept.toStdString());
  }
  while (!Result.empty() && Result.back().empty()) Result.pop_back();
  return Result;
}
