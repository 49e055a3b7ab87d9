#pragma once

#include "platform/runtime/stringlist.h"

// Raw header lines of a message, one per entry, in the order they were
// received or will be written. A continuation line (beginning with a space or
// a tab) is an entry of its own. The field lookups read it as a TStringList.
using TnbHeaders = TStringList;
