// The codecs run on the user-interface thread: each must let the user
// interface process its pending events while it works.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "maillib/mime/base64.h"
#include "maillib/mime/quotedprintable.h"
#include "maillib/mime/uuencode.h"
#include "platform/runtime/processmessages.h"

namespace {

// How often the pump ran during Work, after a pause long enough that the
// pump is due again.
int PumpsDuring(const std::function<void()>& Work) {
  int Pumps = 0;
  SetMessagePump([&] { ++Pumps; });
  std::this_thread::sleep_for(std::chrono::milliseconds(15));
  Work();
  SetMessagePump(nullptr);
  return Pumps;
}

TEST(CodecPump, EveryCodecLetsTheUserInterfaceRun) {
  EXPECT_EQ(PumpsDuring([] { EncodeBase64Line("abc"); }), 1);
  EXPECT_EQ(PumpsDuring([] { DecodeBase64Line("YWJj"); }), 1);
  EXPECT_EQ(PumpsDuring([] { EncodeUULine("abc"); }), 1);
  EXPECT_EQ(PumpsDuring([] { DecodeUULine("#86)C"); }), 1);
  EXPECT_EQ(PumpsDuring([] {
              TMemoryStream Stream;
              Stream.WriteString("text");
              TStringList Lines;
              TQuotedPrintable(Stream, Lines).Encode();
            }),
            1);
  EXPECT_EQ(PumpsDuring([] {
              TMemoryStream Stream;
              TStringList Lines{"text"};
              TQuotedPrintable(Stream, Lines).Decode();
            }),
            1);
}

}  // namespace
