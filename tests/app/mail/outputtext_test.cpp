// Rules of saving and printing that the window tests do not reach.
#include <gtest/gtest.h>

#include "app/mail/outputtext.h"
#include "app/mail/printlayout.h"

namespace {

TEST(OutputText, TrashcanMessageFromTheInboxKeepsItsFromHeaderAndATallLineStillPrints) {
  const TStoredMessage Message{"S", "Ann", "ann@x", "d", {"b"}, {"a@x"}, {}, {}};
  EXPECT_EQ(OutputLines(TFolderKind::Trashcan, Message, TOutputKind::Print, "T"),
            (TStringList{"Corvalen Print: T", "From: Ann", "Subject: S", std::string(32, '-'), "b"}));
  EXPECT_EQ(ProposedFileName(" ../x "), "_x");
  EXPECT_EQ(LinesPerPage(5, 10), 1);  // never zero lines a page, which would print pages without end
}

}  // namespace
