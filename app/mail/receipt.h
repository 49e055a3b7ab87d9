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
// settings (name line 0, address line 2), with no return receipt asked for,
// and marked "Auto-Submitted: auto-replied" (RFC 3834) so that other
// responders leave it unanswered.
void FillReceipt(TnbMessage& Receipt, const std::string& SenderAddress, const std::string& Caption,
                 const std::string& ReceivedAt, const TStringList& Settings, const TStringList& Banner);

// Whether Message may be answered automatically (RFC 3834): not when it was
// itself sent automatically (Auto-Submitted other than "no"), nor when it
// comes from a mailing list or as bulk mail (Precedence bulk, list or junk;
// List-Id or List-Unsubscribe), nor when it is a bounce (Return-Path <>) or
// comes from a machine (MAILER-DAEMON, postmaster, noreply and the like),
// nor when it has no sender address.
bool MayAnswerAutomatically(const TnbMessage& Message);
