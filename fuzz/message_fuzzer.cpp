// libFuzzer target: arbitrary bytes are loaded as a message, the result is
// encoded again, and the encoder's output is loaded once more. The decoder
// must take anything a mailbox can hold, and the encoder anything the
// decoder produced, without a crash, a sanitizer report or a leak.

#include <cstddef>
#include <cstdint>

#include "maillib/message/nbmsg.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TMemoryStream Input;
  Input.Write(Data, Size);
  Input.SetPosition(0);
  TnbMessage Message;
  try {
    Message.LoadFromStream(Input);
  } catch (const Exception&) {
    // A refused input is a correct outcome; only crashes count.
    return 0;
  }

  TMemoryStream Wire;
  Message.SaveToStream(Wire);
  Wire.SetPosition(0);
  TnbMessage Again;
  Again.LoadFromStream(Wire);
  return 0;
}
