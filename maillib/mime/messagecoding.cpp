// Where a message meets the raw text it travels as: the encoder writes it,
// the decoder reads it, and the header fields fill in the message's own
// properties.

#include <memory>

#include "maillib/message/nbmsg.h"
#include "maillib/mime/addressparse.h"
#include "maillib/mime/headerfields.h"
#include "maillib/mime/nbdecoder.h"
#include "maillib/mime/nbencoder.h"

void TnbMessage::SaveToStream(TStream& Stream) {
  TnbMessageEncoder Encoder(*this);
  Encoder.Stream = &Stream;
  Encoder.Encode();
}

void TnbArticle::SaveToStream(TStream& Stream) {
  TnbArticleEncoder Encoder(*this);
  Encoder.Stream = &Stream;
  Encoder.Encode();
}

void TnbMessage::LoadFromStream(TStream& Stream) {
  TnbMessageDecoder Decoder(Stream);
  Decoder.Message = this;
  Decoder.Decode();
}

void TnbArticle::LoadFromStream(TStream& Stream) {
  TnbArticleDecoder Decoder(Stream);
  Decoder.Message = this;
  Decoder.Decode();
}

void TnbMessage::ParseHeaders(const TnbHeaders& AHeaders) {
  ParseHeaderAddress(AHeaders, "FROM", Sender());
  ParseHeaderAddresses(AHeaders, "TO", FRecipients);
  ParseHeaderAddresses(AHeaders, "CC", FCC);
  ParseHeaderAddresses(AHeaders, "BCC", FBCC);
  const std::string Subject = GetHeaderField(AHeaders, "Subject");
  if (!Subject.empty()) SetSubject(Subject);
  const std::string XPriority = GetHeaderField(AHeaders, "X-Priority");
  if (XPriority == "1")
    Priority = TPriority::ptHigh;
  else if (XPriority == "5")
    Priority = TPriority::ptLow;
  else
    Priority = TPriority::ptNormal;
  if (!GetHeaderField(AHeaders, "Return-receipt-to").empty()) ReturnReceipt = true;
  SetHeaders(AHeaders);
}

void TnbArticle::ParseHeaders(const TnbHeaders& AHeaders) {
  ParseHeaderAddress(AHeaders, "FROM", Sender());
  Path = GetHeaderField(AHeaders, "PATH");
  NewsGroups = GetHeaderField(AHeaders, "NEWSGROUPS");
  MessageID = GetHeaderField(AHeaders, "MESSAGE-ID");
  const std::string Subject = GetHeaderField(AHeaders, "Subject");
  if (!Subject.empty()) SetSubject(Subject);
  SetHeaders(AHeaders);
}
