// mailtool as a user runs it: arguments, standard streams and exit status.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <random>
#include <sstream>
#include <vector>
#include <string>

#include "maillib/message/msgtesthelpers.h"

namespace {

struct TRun {
  bool Exited = false;  // false: killed by a signal
  int Status = -1;
  std::string Out;
  std::string Err;
};

class MailTool : public ::testing::Test {
protected:
  // Runs mailtool with Arguments (already quoted for the shell) and, when
  // given, Input on standard input.
  TRun Run(const std::string& Arguments, const std::string& Input = "") {
    Dir.Write("stdin", Input);
    const std::string Command = std::string("'") + MAILTOOL_PATH + "' " + Arguments + " <'" +
                                Dir / "stdin" + "' >'" + Dir / "stdout" + "' 2>'" +
                                Dir / "stderr" + "'";
    const int Raw = std::system(Command.c_str());
    TRun Result;
    Result.Exited = WIFEXITED(Raw);
    Result.Status = Result.Exited ? WEXITSTATUS(Raw) : -1;
    Result.Out = Dir.Read("stdout");
    Result.Err = Dir.Read("stderr");
    return Result;
  }

  static nlohmann::json Parse(const std::string& Text) { return nlohmann::json::parse(Text); }

  void ExpectFailure(const TRun& R, const std::string& Message) {
    EXPECT_TRUE(R.Exited);
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Out, "");
    EXPECT_NE(R.Err.find(Message), std::string::npos) << R.Err;
  }

  TTempDir Dir;
};

TEST_F(MailTool, EncodedMessageDecodesToWhatWentIn) {
  Dir.Write("message.json", R"({
    "sender": {"name": "Ann Example", "address": "ann@example.com"},
    "recipients": [{"name": "Bob", "address": "bob@example.org"}],
    "cc": [{"address": "carol@example.net"}],
    "subject": "Zürich report",
    "charset": "iso-8859-1",
    "body": ["Grüezi,", "", ".", "the figures are attached."],
    "attachments": [{"fileName": "figures.bin", "data": "AAECAwT/"}]
  })");
  const TRun Encoded = Run("encode '" + Dir / "message.json" + "'");
  ASSERT_EQ(Encoded.Status, 0) << Encoded.Err;
  EXPECT_EQ(Encoded.Err, "");
  EXPECT_NE(Encoded.Out.find("\r\nContent-Transfer-Encoding: Base64\r\n"), std::string::npos);

  const TRun Decoded = Run("decode -", Encoded.Out);
  ASSERT_EQ(Decoded.Status, 0) << Decoded.Err;
  const nlohmann::json J = Parse(Decoded.Out);
  EXPECT_EQ(J["sender"]["name"], "Ann Example");
  EXPECT_EQ(J["recipients"][0]["address"], "bob@example.org");
  EXPECT_EQ(J["cc"][0]["address"], "carol@example.net");
  EXPECT_EQ(J["subject"], "Zürich report");
  EXPECT_EQ(J["body"], nlohmann::json::array({"Grüezi,", "", ".", "the figures are attached."}));
  const nlohmann::json& Item = J["attachments"][0];
  EXPECT_EQ(Item["fileName"], "figures.bin");
  EXPECT_EQ(Item["size"], 6);
  // sha256 of 00 01 02 03 04 ff
  EXPECT_EQ(Item["sha256"],
            "40d2af4d7ac41bb624d396eabbe5f30b8b3b70f451f7ad251cd193e02b7b9338")
      << "the bytes changed on the way";
}

TEST_F(MailTool, DecodesAFileAndReadsStandardInputForADash) {
  const std::string Wire = "From: a@example.com\nTo: b@example.com\nSubject: LF only\n\nbody\n";
  Dir.Write("lf.eml", Wire);
  const TRun FromFile = Run("decode '" + Dir / "lf.eml" + "'");
  ASSERT_EQ(FromFile.Status, 0) << FromFile.Err;
  EXPECT_EQ(Parse(FromFile.Out)["subject"], "LF only");
  EXPECT_EQ(Parse(FromFile.Out)["body"], nlohmann::json::array({"body"}));
  EXPECT_EQ(Run("decode -", Wire).Out, FromFile.Out);
}

TEST_F(MailTool, ABodyEndingWithADotLineKeepsIt) {
  // A saved message is the message text alone: its last line "." is text.
  Dir.Write("dots.eml", "From: a@example.com\r\nSubject: dots\r\n\r\n..\r\nlast line is a dot\r\n.\r\n");
  const TRun R = Run("decode '" + Dir / "dots.eml" + "'");
  ASSERT_EQ(R.Status, 0) << R.Err;
  EXPECT_EQ(Parse(R.Out)["body"], nlohmann::json::array({"..", "last line is a dot", "."}));
}

TEST_F(MailTool, BadInputIsReportedWithExitStatusOne) {
  ExpectFailure(Run(""), "usage: mailtool");
  ExpectFailure(Run("decode"), "usage: mailtool");
  ExpectFailure(Run("convert x"), "unknown command \"convert\"");
  ExpectFailure(Run("decode '" + Dir / "missing.eml" + "'"), "Cannot open file");
  ExpectFailure(Run("encode '" + Dir / "missing.json" + "'"), "missing.json");
  ExpectFailure(Run("encode -", "{\"subject\": "), "mailtool: standard input: Not valid JSON");
  ExpectFailure(Run("encode -", "{\"to\": []}"), "Unknown member \"to\"");
  ExpectFailure(Run("decode '" + Dir.Path().string() + "'"), "mailtool: ");
}

TEST_F(MailTool, WrongServerOptionsAreRefusedBeforeAnyConnection) {
  Dir.Write("m.json", "{}");
  const std::string Json = " 127.0.0.1 '" + Dir / "m.json" + "'";
  ExpectFailure(Run("fetch --security ssl 127.0.0.1 u p d"), "unknown security mode \"ssl\"");
  ExpectFailure(Run("send --security ''" + Json), "unknown security mode \"\"");
  ExpectFailure(Run("send --security"), "--security needs a value");
  // Either half alone would send without AUTH.
  ExpectFailure(Run("send --user alice" + Json), "--user and --password go together");
  ExpectFailure(Run("send --password secret" + Json), "--user and --password go together");
  ExpectFailure(Run("send --user '' --password secret" + Json), "--user needs a name");
  ExpectFailure(Run("send --security tls --security none" + Json), "--security is given twice");
  ExpectFailure(Run("fetch --user alice --password secret 127.0.0.1 u p d"), "unknown option \"--user\" for fetch");
  ExpectFailure(Run("send" + Json + " --security tls"), "usage: mailtool");
}

TEST_F(MailTool, ServerOptionsComeInAnyOrderBeforeTheServer) {
  // The JSON is read before connecting: its error names the server, so the
  // options were all taken and the next argument became SERVER.
  Dir.Write("bad.json", "{");
  const std::string Rest = " 127.0.0.1:9 '" + Dir / "bad.json" + "'";
  for (const std::string Options :
       {"--security starttls --user alice --password secret", "--password secret --security tls --user alice",
        "--user alice --password --security", "--security none"})
    ExpectFailure(Run("send " + Options + Rest), "mailtool: 127.0.0.1:9: Not valid JSON");
}

TEST_F(MailTool, SeveralFilesGiveOneJsonObjectPerLine) {
  Dir.Write("a.eml", "Subject: first\r\n\r\none\r\n");
  Dir.Write("b.eml", "Subject: second\r\n\r\ntwo\r\n");
  const TRun R = Run("decode '" + Dir / "a.eml" + "' '" + Dir / "missing.eml" + "' '" + Dir / "b.eml" + "'");
  EXPECT_EQ(R.Status, 1);
  std::istringstream Lines(R.Out);
  std::vector<nlohmann::json> Objects;
  for (std::string Line; std::getline(Lines, Line);) Objects.push_back(Parse(Line));
  ASSERT_EQ(Objects.size(), 3u);
  EXPECT_EQ(Objects[0]["subject"], "first");
  EXPECT_TRUE(Objects[1].contains("error"));
  EXPECT_EQ(Objects[2]["body"], nlohmann::json::array({"two"}));
}

// The messages of tests/data/mail read by mailtool and by Python's email
// package: the same subject, sender, recipients, body and attachment bytes,
// except for the fields the folder's NOTES explain.
TEST_F(MailTool, RealWorldMessagesReadAsPythonReadsThem) {
  if (std::system("python3 -c 'import email' >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  const std::string Command = std::string("python3 '") + CORVALEN_TESTS_DIR + "/support/peerfolder.py' '" +
                              MAILTOOL_PATH + "' '" + CORVALEN_TESTS_DIR + "/data/mail' >'" + Dir / "peer" + "' 2>&1";
  EXPECT_EQ(std::system(Command.c_str()), 0) << Dir.Read("peer");
}

TEST_F(MailTool, ArbitraryBytesNeverCrashTheDecoder) {
  std::mt19937 Gen(7);
  for (int Round = 0; Round < 20; ++Round) {
    std::string Bytes(1 + Gen() % 4000, '\0');
    for (auto& C : Bytes) C = static_cast<char>(Gen());
    if (Round % 2 == 0) Bytes = "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n" + Bytes;
    const TRun R = Run("decode -", Bytes);
    ASSERT_TRUE(R.Exited) << "round " << Round;
    if (R.Status == 0)
      Parse(R.Out);
    else
      EXPECT_NE(R.Err, "") << "round " << Round;
  }
}

}  // namespace
