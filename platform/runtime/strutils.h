#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "exception.h"

// Fmt with its first "%s" replaced by Arg (the message table's texts use it).
std::string FormatStr(std::string_view Fmt, std::string_view Arg);

// The longest prefix of Text of at most MaxBytes bytes that does not end in
// the middle of a UTF-8 sequence (short strings keep at most 255 bytes).
std::string CutUtf8(std::string_view Text, std::size_t MaxBytes);


// A text that should hold a number does not.
class EConvertError : public Exception {
public:
  using Exception::Exception;
};

// Text as a decimal integer (optionally signed, no blanks). Raises
// EConvertError "'Text' is not a valid integer value" otherwise.
int StrToInt(std::string_view Text);
