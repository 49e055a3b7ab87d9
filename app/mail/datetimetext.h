#pragma once

#include <ctime>
#include <string>

// The date-time texts stored in the mail folders: "yyyy-MM-dd HH:mm:ss" in
// local time, or "yyyy-MM-dd" alone when the time is exactly midnight. Their
// text order is their time order, so the DATE index sorts by time.
std::string DateTimeText(std::time_t Time);

// The date-time text of this moment.
std::string NowDateTimeText();

// What a list shows of a stored DATE text: the date-time alone. A received
// message's DATE carries a blank and a running number after its date-time,
// which keeps messages of the same second apart in the store but means
// nothing to the reader.
std::string ShownDateText(const std::string& Stored);
