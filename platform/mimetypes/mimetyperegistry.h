#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

// The content types of file extensions, read from a mime.types table: each
// line names a content type followed by the extensions that stand for it;
// "#" starts a comment. When the table cannot be read, a small built-in table
// of common types stands in for it (as it does for a table listing nothing).
class TMimeTypeRegistry {
public:
  // Where Debian's media-types package keeps the system's table.
  static constexpr const char* SystemTablePath = "/etc/mime.types";

  // Reads the table at Path once; never raises (an unreadable table gives the
  // built-in one).
  explicit TMimeTypeRegistry(const std::string& Path = SystemTablePath);

  // The content type registered for Extension, given with or without its
  // leading dot and in any case; empty when none is registered.
  std::string ContentTypeOf(std::string_view Extension) const;

  // True when the types came from the table file, false for the built-in one.
  bool FromFile() const { return FFromFile; }

  // How many extensions are registered.
  std::size_t Count() const { return FTypes.size(); }

private:
  void LoadBuiltIn();
  void AddLine(std::string_view Line);

  std::unordered_map<std::string, std::string> FTypes;  // lower-case extension -> type
  bool FFromFile = false;
};

// The content type the system registers for Extension (see
// TMimeTypeRegistry::ContentTypeOf). The system table is read on first use.
std::string RegisteredContentType(std::string_view Extension);

// Makes RegisteredContentType read the table at Path from its next call on
// (tests point it at their own tables; the default is the system table).
void SetMimeTypesPath(const std::string& Path);
