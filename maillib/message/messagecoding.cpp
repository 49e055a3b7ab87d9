// Where a message meets the raw text it travels as: the encoder writes it,
// the decoder reads it.

#include <memory>

#include "maillib/message/nbmsg.h"
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
