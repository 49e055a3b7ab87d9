#pragma once

#include <filesystem>

class TForm15;
class TForm16;
class TTable;

// The first-run setup of an installation: when Dir holds the first-run
// marker, the marker is removed and the user information window and then the
// connection type window are shown, each modal. Only when both are confirmed
// are their answers kept: Config.ini and Smtp.ini are written whole and the
// account becomes a row of Accounts. Otherwise nothing is written and the installation's
// Config.ini stays as it was.
void RunFirstRunSetup(TForm15& UserInfo, TForm16& Connection, TTable& Accounts, const std::filesystem::path& Dir);
