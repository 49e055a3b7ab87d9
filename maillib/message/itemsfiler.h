#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/runtime/streams.h"

// The stored form of list properties: a property name followed by a list of
// entries, each entry a fixed sequence of strings and integers. It is text:
//
//   Items (
//     "Ann Example" "ann@example.org"
//     "" "bob@example.org"
//   )
//
// Strings are quoted; a backslash escapes '"', '\\', and control bytes
// (\n, \r, \t, \xHH). Other bytes, UTF-8 included, are written as they are,
// so entry order, field order and every byte of every field survive.

// The stored form could not be read back (truncated or not in this format).
class EReadError : public EStreamError {
public:
  using EStreamError::EStreamError;
};

// Writes properties and their lists into a stream at its position.
class TItemsWriter {
public:
  explicit TItemsWriter(TStream& Stream) : FStream(Stream) {}

  void WriteProperty(std::string_view Name);
  void WriteListBegin();
  void WriteListEnd();
  void WriteString(std::string_view Value);
  void WriteInteger(long Value);
  // Ends the current entry (entries are one per line).
  void EndEntry();

private:
  void Put(std::string_view Text);
  void StartField();

  TStream& FStream;
  bool FLineStarted = false;
};

// Reads what TItemsWriter wrote, from the stream's position to its end.
// Every read raises EReadError when the text does not hold what is asked for.
class TItemsReader {
public:
  explicit TItemsReader(TStream& Stream);

  // True when only blanks are left.
  bool AtEnd();
  std::string ReadProperty();
  // True when the next token is the property Name (nothing is consumed).
  bool NextIsProperty(std::string_view Name);
  void ReadListBegin();
  // True when the list's closing parenthesis is next (nothing is consumed).
  bool EndOfList();
  void ReadListEnd();
  std::string ReadString();
  long ReadInteger();

private:
  void SkipBlanks();
  std::size_t IdentifierLength();
  [[noreturn]] void Fail(std::string_view What) const;

  std::string FText;
  std::size_t FPos = 0;
};
