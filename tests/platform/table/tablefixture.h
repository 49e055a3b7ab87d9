#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/table/database.h"
#include "platform/table/table.h"

// A fresh database in a directory of its own, and a small table layout with
// every field type: NAME (10 bytes), KEY (8 bytes, indexed), two memos and a flag.
class TableTest : public ::testing::Test {
protected:
  void SetUp() override {
    static int Counter = 0;
    Dir = std::filesystem::temp_directory_path() /
          ("corvalen-table-" + std::to_string(::getpid()) + "-" + std::to_string(++Counter));
    std::filesystem::remove_all(Dir);
    std::filesystem::create_directories(Dir);
    Path = (Dir / "test.db").string();
    Database = std::make_unique<TDatabase>(Path);
    Database->CreateTable(Def);
  }

  void TearDown() override {
    Database.reset();
    std::filesystem::remove_all(Dir);
  }

  static TTableDef MakeDef() {
    return {"Items",
            {{"NAME", TFieldType::ftString, 10},
             {"KEY", TFieldType::ftString, 8},
             {"BODY", TFieldType::ftMemo, 0},
             {"LIST", TFieldType::ftMemo, 0},
             {"FLAG", TFieldType::ftBoolean, 0}},
            {{"BYKEY", "KEY"}, {"BYNAME", "NAME"}}};
  }

  std::unique_ptr<TTable> OpenTable(const std::string& Index = "BYKEY") {
    auto Table = std::make_unique<TTable>(*Database, Def);
    Table->SetIndexName(Index);
    Table->Open();
    return Table;
  }

  // Appends and posts a row; returns its record id.
  static std::int64_t AddRow(TTable& Table, const std::string& Name, const std::string& Key,
                             const std::string& Body = "", bool Flag = false) {
    Table.Append();
    Table.FieldByName("NAME").SetAsString(Name);
    Table.FieldByName("KEY").SetAsString(Key);
    if (!Body.empty()) Table.FieldByName("BODY").SetAsString(Body);
    Table.FieldByName("FLAG").SetAsBoolean(Flag);
    Table.Post();
    return Table.RecordId();
  }

  // The NAME of every row from First to Eof.
  static std::vector<std::string> Names(TTable& Table) {
    std::vector<std::string> Result;
    for (Table.First(); !Table.Eof(); Table.Next()) Result.push_back(Table.FieldByName("NAME").AsString());
    return Result;
  }

  TTableDef Def = MakeDef();
  std::filesystem::path Dir;
  std::string Path;
  std::unique_ptr<TDatabase> Database;
};
