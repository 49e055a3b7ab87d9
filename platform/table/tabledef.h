#pragma once

#include <string>
#include <vector>

enum class TFieldType { ftString, ftMemo, ftBoolean };

// A field of a table: character fields have a width in bytes.
struct TFieldDef {
  std::string Name;
  TFieldType DataType;
  int Size = 0;
};

// A named index over one field.
struct TIndexDef {
  std::string Name;
  std::string Field;
};

// The layout of a table: its name, fields in order and its indexes.
struct TTableDef {
  std::string TableName;
  std::vector<TFieldDef> Fields;
  std::vector<TIndexDef> Indexes;
};
