#include "dialstep.h"

#include "app/settings/settingsfiles.h"
#include "maillib/dialup/tkRasCmp.h"
#include "screenservices.h"

std::string OpeningConnectionText(const TStringList& Settings) {
  return "Opening Connection to " + StringAt(Settings, settings::clDialUpEntry);
}

void DialIfModem(const TStringList& Settings, TtkRas& Ras, TScreenServices& Screen) {
  if (StringAt(Settings, settings::clConnectionType) != settings::Modem) return;
  Screen.SetStatusText("Status: Opening Connection");
  Screen.ShowProgress(OpeningConnectionText(Settings));
  Screen.LockCommands();
  Ras.Connect();
}
