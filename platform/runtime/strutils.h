#pragma once

#include <string>
#include <string_view>

// Fmt with its first "%s" replaced by Arg (the message table's texts use it).
std::string FormatStr(std::string_view Fmt, std::string_view Arg);
