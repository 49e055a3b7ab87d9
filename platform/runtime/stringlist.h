#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "exception.h"

// An ordered list of text lines (body lines, header lines, address texts).
using TStringList = std::vector<std::string>;

// A line was asked for that the list does not have.
class EStringListError : public Exception {
public:
  using Exception::Exception;
};

// Line Index of List; raises EStringListError "List index out of bounds (Index)".
inline const std::string& StringAt(const TStringList& List, std::size_t Index) {
  if (Index >= List.size()) throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
  return List[Index];
}
