// The ids mailtool fetch keeps per mailbox in its directory.

#include "pop3idsfile.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "maillib/message/msgtesthelpers.h"

namespace {

using namespace std::string_literals;
using TIds = std::set<std::string>;

TEST(Pop3IdsFile, MailboxesSharingADirectoryKeepTheirOwnIds) {
  TTempDir Dir;
  TPop3IdsFile(Dir.Path(), "alice@pop.test").Add("A1");
  TPop3IdsFile(Dir.Path(), "alice@pop.test").Add("A2");
  TPop3IdsFile(Dir.Path(), "bob@pop.test").Add("A1");
  // Blanks and "%" are escaped: these two names must not meet in one key.
  TPop3IdsFile(Dir.Path(), "al ice@pop.test").Add("B1");
  TPop3IdsFile(Dir.Path(), "al%20ice@pop.test").Add("C1");

  TPop3IdsFile Alice(Dir.Path(), "alice@pop.test");
  EXPECT_EQ(Alice.Known(), (TIds{"A1", "A2"}));
  Alice.Forget({"A1", "unknown"});
  EXPECT_EQ(TPop3IdsFile(Dir.Path(), "alice@pop.test").Known(), (TIds{"A2"}));
  EXPECT_EQ(TPop3IdsFile(Dir.Path(), "bob@pop.test").Known(), (TIds{"A1"}));
  EXPECT_EQ(TPop3IdsFile(Dir.Path(), "al ice@pop.test").Known(), (TIds{"B1"}));
  EXPECT_EQ(TPop3IdsFile(Dir.Path(), "al%20ice@pop.test").Known(), (TIds{"C1"}));
  EXPECT_EQ(TPop3IdsFile(Dir.Path(), "alice@other.test").Known(), TIds{});
  EXPECT_FALSE(std::filesystem::exists(Dir / ".pop3-ids.new"));
}

TEST(Pop3IdsFile, DamagedLinesAreDroppedNeverTakenForIds) {
  TTempDir Dir;
  // A line cut by a killed append would make "AB" known and let a message
  // whose id is "AB" be skipped, or deleted unread.
  Dir.Write(".pop3-ids", "a@s GOOD\nno-blank\na@s bad\0id\n\na@s "s + std::string(71, 'x') +
                             "\na@s ABC\nb@s KEPT\na@s AB");
  TPop3IdsFile Ids(Dir.Path(), "a@s");
  EXPECT_EQ(Ids.DroppedLines(), 5);
  EXPECT_EQ(Ids.Known(), (TIds{"GOOD", "ABC"}));

  // The first addition repairs the file, so its line is not joined to a cut one.
  Ids.Add("NEW");
  EXPECT_EQ(Dir.Read(".pop3-ids"), "a@s ABC\na@s GOOD\nb@s KEPT\na@s NEW\n");
  TPop3IdsFile Again(Dir.Path(), "a@s");
  EXPECT_EQ(Again.DroppedLines(), 0);
  EXPECT_EQ(Again.Known(), (TIds{"ABC", "GOOD", "NEW"}));
}

}  // namespace
