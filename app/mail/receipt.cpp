#include "receipt.h"

#include "app/settings/settingsfiles.h"
#include "maillib/message/msgtypes.h"
#include "maillib/message/nbmsg.h"

void FillReceipt(TnbMessage& Receipt, const std::string& SenderAddress, const std::string& Caption,
                 const std::string& ReceivedAt, const TStringList& Settings, const TStringList& Banner) {
  Receipt.ReturnReceipt = false;
  Receipt.Clear();
  Receipt.Recipients().Clear();
  Receipt.Attachments().Clear();
  Receipt.Recipients().AddAddress(SenderAddress, "");
  Receipt.SetSubject(ReceiptSubject);
  Receipt.Sender().SetName(ShortString(StringAt(Settings, settings::clName)));
  Receipt.Sender().SetAddress(ShortString(StringAt(Settings, settings::clEmail)));
  TStringList Body = Banner;
  Body.push_back("Corvalen receipt:");
  Body.push_back("Your E-mail has been received: " + ReceivedAt);
  Body.push_back("Subject: " + Caption);
  Receipt.Body() = std::move(Body);
}
