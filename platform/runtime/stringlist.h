#pragma once

#include <string>
#include <vector>

// An ordered list of text lines (body lines, header lines, address texts).
using TStringList = std::vector<std::string>;
