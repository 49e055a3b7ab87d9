#pragma once

#include <string>

// Whom an automatic receipt went to, and on which day: a sender gets at most
// one receipt a day (RFC 3834), across Get Mail runs and restarts. Kept as
// lines "yyyy-MM-dd address" in a small file of the data directory; only the
// latest day's lines are kept, since older ones decide nothing.
inline constexpr const char* ReceiptRecordFileName = "Receipts.txt";

// True when the record File holds a receipt to Address on Day (yyyy-MM-dd);
// addresses are compared without regard to case. A missing or unreadable
// file holds none.
bool ReceiptSentOn(const std::string& File, const std::string& Address, const std::string& Day);

// Adds a receipt to Address on Day to the record File, dropping the lines of
// other days. Raises EFCreateError when the file cannot be written.
void RecordReceipt(const std::string& File, const std::string& Address, const std::string& Day);
