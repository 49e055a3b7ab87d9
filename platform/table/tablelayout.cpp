#include "tablelayout.h"

#include "platform/runtime/asciicase.h"
#include "sqlstatement.h"
#include "tableerror.h"

namespace {
// Updates name their changed columns by a bit mask of this width.
constexpr std::size_t MaxFields = 63;
}  // namespace

int FindFieldIndex(const TTableDef& Def, std::string_view Name) {
  // Callers mostly spell names as defined; that match is the cheap one.
  for (std::size_t I = 0; I < Def.Fields.size(); ++I) {
    const std::string& Field = Def.Fields[I].Name;
    if (Field.size() == Name.size() && !Name.empty() && Field[0] == Name[0] && Field == Name)
      return static_cast<int>(I);
  }
  for (std::size_t I = 0; I < Def.Fields.size(); ++I)
    if (EqualsNoCaseAscii(Def.Fields[I].Name, Name)) return static_cast<int>(I);
  return -1;
}

int FindIndexDef(const TTableDef& Def, std::string_view Name) {
  for (std::size_t I = 0; I < Def.Indexes.size(); ++I)
    if (EqualsNoCaseAscii(Def.Indexes[I].Name, Name)) return static_cast<int>(I);
  return -1;
}

TTableLayout::TTableLayout(const TTableDef& Def) {
  const std::string Prefix = "Table \"" + Def.TableName + "\": ";
  if (Def.TableName.empty()) throw ETableError("A table needs a name");
  if (Def.Fields.empty()) throw ETableError(Prefix + "no fields");
  if (Def.Fields.size() > MaxFields) throw ETableError(Prefix + "too many fields");
  for (std::size_t I = 0; I < Def.Fields.size(); ++I) {
    const TFieldDef& Field = Def.Fields[I];
    if (Field.Name.empty() || EqualsNoCaseAscii(Field.Name, RecordIdColumn))
      throw ETableError(Prefix + "invalid field name \"" + Field.Name + "\"");
    if (FindFieldIndex(Def, Field.Name) != static_cast<int>(I))
      throw ETableError(Prefix + "field \"" + Field.Name + "\" is defined twice");
    if (Field.DataType == TFieldType::ftString && Field.Size <= 0)
      throw ETableError(Prefix + "character field \"" + Field.Name + "\" needs a width");
    if (Field.DataType == TFieldType::ftMemo) {
      MemoFields.push_back(static_cast<int>(I));
      ColumnOf.push_back(-1);
    } else {
      SmallFields.push_back(static_cast<int>(I));
      ColumnOf.push_back(static_cast<int>(SmallFields.size()));
    }
  }
  for (std::size_t I = 0; I < Def.Indexes.size(); ++I) {
    const TIndexDef& Index = Def.Indexes[I];
    if (Index.Name.empty() || FindIndexDef(Def, Index.Name) != static_cast<int>(I))
      throw ETableError(Prefix + "invalid or repeated index name \"" + Index.Name + "\"");
    const int Field = FindFieldIndex(Def, Index.Field);
    if (Field < 0) throw ETableError(Prefix + "index \"" + Index.Name + "\" names no field");
    if (Def.Fields[Field].DataType == TFieldType::ftMemo)
      throw ETableError(Prefix + "index \"" + Index.Name + "\" is on a memo field");
  }
}
