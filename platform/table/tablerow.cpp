#include "tablerow.h"

#include "platform/runtime/asciicase.h"
#include "sqlstatement.h"
#include "tablelayout.h"

TRowFormat::TRowFormat(const TTableDef& Def, const TTableLayout& Layout) : FLayout(Layout) {
  for (const TFieldDef& Field : Def.Fields) FIsLogical.push_back(Field.DataType == TFieldType::ftBoolean);
}

TTableRow TRowFormat::BlankRow() const {
  TTableRow Row;
  Row.Values.resize(FIsLogical.size());
  Row.Loaded.assign(FIsLogical.size(), 1);
  for (std::size_t I = 0; I < FIsLogical.size(); ++I)
    if (FIsLogical[I]) Row.Values[I] = "0";
  return Row;
}

void TRowFormat::ReadRow(const TSqlStatement& S, TTableRow& Row, const std::vector<int>* Memos) const {
  const std::size_t FieldCount = FLayout.ColumnOf.size();
  Row.Id = S.ColumnInt(0);
  Row.Values.resize(FieldCount);
  Row.Loaded.resize(FieldCount);
  for (std::size_t I = 0; I < FieldCount; ++I) {
    const int Column = FLayout.ColumnOf[I];
    if (Column < 0) {
      Row.Values[I].clear();  // keeps its storage for the next row
      Row.Loaded[I] = 0;
    } else if (FIsLogical[I]) {
      Row.Values[I] = S.ColumnInt(Column) != 0 ? "1" : "0";
      Row.Loaded[I] = 1;
    } else {
      Row.Values[I].assign(S.ColumnText(Column));
      Row.Loaded[I] = 1;
    }
  }
  if (!Memos) return;
  int Column = static_cast<int>(FLayout.SmallFields.size()) + 1;
  for (int Field : *Memos) {
    Row.Values[Field].assign(S.ColumnText(Column++));  // no side row: empty
    Row.Loaded[Field] = 1;
  }
}

void TRowFormat::BindValue(TSqlStatement& S, int Pos, int Field, const std::string& Value) const {
  if (FIsLogical[Field])
    S.BindInt(Pos, tablevalue::StoredTruth(Value) ? 1 : 0);
  else
    S.BindText(Pos, Value);
}

namespace tablevalue {

std::string NormalizeMemo(std::string_view Text) {
  std::string Result;
  Result.reserve(Text.size());
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\n' && (I == 0 || Text[I - 1] != '\r')) Result += '\r';
    Result += Text[I];
  }
  return Result;
}

TStringList SplitLines(std::string_view Text) {
  TStringList Lines;
  if (Text.empty()) return Lines;
  std::size_t Pos = 0;
  for (;;) {
    const std::size_t Lf = Text.find('\n', Pos);
    if (Lf == std::string_view::npos) {
      Lines.emplace_back(Text.substr(Pos));
      return Lines;
    }
    std::size_t End = Lf;
    if (End > Pos && Text[End - 1] == '\r') --End;
    Lines.emplace_back(Text.substr(Pos, End - Pos));
    Pos = Lf + 1;
  }
}

std::string JoinLines(const TStringList& Lines) {
  std::string Text;
  for (std::size_t I = 0; I < Lines.size(); ++I) {
    if (I > 0) Text += "\r\n";
    Text += Lines[I];
  }
  return Text;
}

bool ParseBoolean(std::string_view Text, bool& Value) {
  for (const char* Word : {"1", "true", "t", "yes", "y"})
    if (EqualsNoCaseAscii(Text, Word)) return Value = true, true;
  for (const char* Word : {"0", "false", "f", "no", "n"})
    if (EqualsNoCaseAscii(Text, Word)) return Value = false, true;
  return false;
}

}  // namespace tablevalue
