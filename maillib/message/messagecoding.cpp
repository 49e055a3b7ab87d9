// Where a message meets the raw text it travels as. The message encoder and
// decoder are not part of the library yet; until they are, converting a
// message fails loudly instead of producing an empty or partial message.

#include "maillib/message/nbmsg.h"

namespace {
[[noreturn]] void CodingMissing(const char* What) {
  throw EMessageError(std::string("The ") + What + " is not available");
}
}  // namespace

void TnbMessage::SaveToStream(TStream&) { CodingMissing("message encoder"); }
void TnbMessage::LoadFromStream(TStream&) { CodingMissing("message decoder"); }
void TnbArticle::SaveToStream(TStream&) { CodingMissing("article encoder"); }
void TnbArticle::LoadFromStream(TStream&) { CodingMissing("article decoder"); }
