#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/stringlist.h"

// The two settings files of the data directory: Config.ini, eleven lines read
// by position, and BANNER.BAN, the free text that opens every automatic
// receipt. Both are lists of lines, each ended by CR LF.
namespace settings {

inline constexpr const char* ConfigFileName = "Config.ini";
inline constexpr const char* BannerFileName = "BANNER.BAN";

// Line numbers of Config.ini.
enum TConfigLine : std::size_t {
  clName = 0,
  clOrganisation = 1,
  clEmail = 2,
  clSmtpServer = 3,
  clDialUpEntry = 4,
  clAutoReceipt = 5,
  clServerCopy = 6,
  clConnectionType = 7,
  clAttachmentDir = 8,
  clReturnReceipt = 9,
  clPriority = 10,
  ConfigLineCount = 11,
};

// The words of the option lines; any other word turns the option off.
inline constexpr std::string_view Reply = "REPLY";
inline constexpr std::string_view NoReply = "NOREPLY";
inline constexpr std::string_view Leave = "LEAVE";
inline constexpr std::string_view Delete = "DELETE";
inline constexpr std::string_view LocalNetwork = "0";
inline constexpr std::string_view Modem = "1";
inline constexpr std::string_view NoConnection = "NOCON";
inline constexpr std::string_view Return = "RETURN";
inline constexpr std::string_view NoReturn = "NORETURN";

// Reads a file's lines (split at CR LF, lone CR or lone LF; a leading UTF-8
// byte-order mark is dropped); raises EFOpenError, naming the file with its
// directory, when the file cannot be opened or is a directory.
TStringList LoadLines(const std::string& FileName);
// Who may read a file SaveLines writes: whoever could read the file it
// replaces, or (for a file that holds a password) its owner alone.
enum class TFileAccess { AsBefore, OwnerOnly };

// Writes the lines, each followed by CR LF, replacing the file whole: the
// text goes to a temporary file that is moved over the old one, so a failed
// write raises EFCreateError and leaves the old file as it was.
void SaveLines(const std::string& FileName, const TStringList& Lines, TFileAccess Access = TFileAccess::AsBefore);

// The settings of a new installation: no identity yet, the local network,
// receipts on, messages deleted from the server after retrieval.
TStringList DefaultConfig(const std::string& AttachmentDir);

}  // namespace settings
