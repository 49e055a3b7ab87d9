#pragma once

#include <string>

#include "platform/runtime/stringlist.h"

class TnbMessage;

// The subject of automatic receipts; a message with it is never answered,
// so two programs that both send receipts do not answer each other forever.
inline constexpr const char* ReceiptSubject = "Corvalen receipt";

// Makes Receipt the automatic receipt for a message from SenderAddress whose
// Inbox caption is Caption, received at ReceivedAt: the banner lines, then
// "Corvalen receipt:", the time and the subject; from the user of the
// settings (name line 0, address line 2), with no return receipt asked for.
void FillReceipt(TnbMessage& Receipt, const std::string& SenderAddress, const std::string& Caption,
                 const std::string& ReceivedAt, const TStringList& Settings, const TStringList& Banner);
