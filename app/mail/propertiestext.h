#pragma once

#include "platform/runtime/stringlist.h"
#include "storedmessage.h"

// The lines of the Properties window for a message of Folder: its date, its
// sender, its recipients and carbon copies, each block under a rule, and then
// the body. The address lists read last first.
TStringList PropertiesText(TFolderKind Folder, const TStoredMessage& Message);
