#include "platform/runtime/strutils.h"

#include <gtest/gtest.h>

#include <string>

TEST(CutUtf8, CutsAtTheLimitButNeverInsideASequence) {
  const std::string E = "\xC3\xA9";            // é, two bytes
  const std::string Euro = "\xE2\x82\xAC";     // €, three bytes
  const std::string Clef = "\xF0\x9D\x84\x9E"; // 𝄞, four bytes
  EXPECT_EQ(CutUtf8("abc", 3), "abc");
  EXPECT_EQ(CutUtf8("abcdef", 3), "abc");
  EXPECT_EQ(CutUtf8("abc", 0), "");
  EXPECT_EQ(CutUtf8("ab" + E, 3), "ab");
  EXPECT_EQ(CutUtf8("ab" + E, 4), "ab" + E);
  EXPECT_EQ(CutUtf8("a" + Euro + "z", 3), "a");
  EXPECT_EQ(CutUtf8("a" + Euro + "z", 4), "a" + Euro);
  for (std::size_t Max = 1; Max <= 4; ++Max) EXPECT_EQ(CutUtf8("a" + Clef, Max), "a") << Max;
  EXPECT_EQ(CutUtf8("a" + Clef, 5), "a" + Clef);
}

TEST(CutUtf8, BytesThatAreNoUtf8AreCutAtTheLimit) {
  // A run of continuation bytes has no lead byte to go back to.
  EXPECT_EQ(CutUtf8(std::string(10, '\x80'), 5), std::string(5, '\x80'));
  EXPECT_EQ(CutUtf8("ab\x80\x80", 3), "ab\x80");
  // Latin-1 text (0xE9 is é there) is cut by bytes.
  EXPECT_EQ(CutUtf8("caf\xE9s", 4), "caf\xE9");
}
