#pragma once

#include "platform/runtime/exception.h"

// The table engine refused an operation (missing table, failed write, ...).
class ETableError : public Exception {
public:
  using Exception::Exception;
};
