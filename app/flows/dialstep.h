#pragma once

#include "platform/runtime/stringlist.h"

class TScreenServices;
class TtkRas;

// The first step of Send Mail, Get Mail and Send/Receive: with a modem
// connection (settings line 7 "1") it shows what it dials (line 4), locks the
// commands and dials; on the local network it does nothing.
void DialIfModem(const TStringList& Settings, TtkRas& Ras, TScreenServices& Screen);

// "Opening Connection to " and the dial-up entry of the settings.
std::string OpeningConnectionText(const TStringList& Settings);
