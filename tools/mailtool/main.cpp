// mailtool: the mail library from the command line.
//
//   mailtool decode FILE   prints the message in FILE as JSON
//   mailtool decode FILE FILE...
//                          prints each message as JSON on one line
//   mailtool encode JSON   prints the wire text of the message JSON describes
//   mailtool fetch [--security MODE] SERVER USER PASSWORD DIR [--leave]
//                          fetches a POP3 mailbox into DIR, one JSON line per message;
//                          the ids in DIR/.pop3-ids keep it from fetching a message twice
//   mailtool send [--security MODE] [--user USER --password PASSWORD] SERVER JSON
//                          sends the message JSON describes through an SMTP server
//
// MODE is none, starttls or tls. "-" reads standard input. Errors go to
// standard error with exit status 1.

#include <cstdio>
#include <iostream>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "maillib/message/nbmsg.h"
#include "maillib/transport/security.h"
#include "messagejson.h"
#include "netcommands.h"
#include "streamio.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/streams.h"

namespace {

constexpr const char* Usage =
    "usage: mailtool decode FILE   print the message in FILE as JSON\n"
    "       mailtool decode FILE FILE...\n"
    "                              print each message as JSON on a line of its own\n"
    "       mailtool encode JSON   print the wire text of the message JSON describes\n"
    "       mailtool fetch [--security MODE] SERVER USER PASSWORD DIR [--leave]\n"
    "                              fetch the messages of a POP3 mailbox into new files\n"
    "                              DIR/N.eml (numbered on from the highest there), print\n"
    "                              each as JSON, delete them unless --leave; on a server\n"
    "                              with UIDL, DIR/.pop3-ids remembers what was fetched, so\n"
    "                              a message is fetched once however often fetch runs\n"
    "       mailtool send [--security MODE] [--user USER --password PASSWORD] SERVER JSON\n"
    "                              send the message JSON describes through an SMTP server,\n"
    "                              logging in with AUTH when --user is given\n"
    "FILE or JSON may be \"-\" for standard input; SERVER is \"host\" or \"host:port\".\n"
    "MODE is none (plain text, the default), starttls or tls (TLS from the first byte);\n"
    "without a port SERVER gets the mode's: POP3 110, 110, 995; SMTP 25, 587, 465.\n"
    "Certificates are verified against the system's trusted authorities (SSL_CERT_FILE).\n";

// What fetch and send take before SERVER.
struct TServerOptions {
  TSecurity Security = TSecurity::None;
  std::string User;
  std::string Password;
};

std::optional<TSecurity> SecurityFromOption(const std::string& Name) {
  if (Name == "none") return TSecurity::None;
  if (Name == "starttls") return TSecurity::StartTls;
  if (Name == "tls") return TSecurity::ImplicitTls;
  return std::nullopt;
}

// Takes the options between the command (Args[0], fetch or send) and SERVER
// out of Args. Returns what is wrong with them; empty when nothing is.
std::string TakeServerOptions(std::vector<std::string>& Args, TServerOptions& Options) {
  const bool Send = Args[0] == "send";
  std::set<std::string> Given;
  std::size_t I = 1;
  for (; I < Args.size() && Args[I].starts_with("--"); I += 2) {
    const std::string& Name = Args[I];
    if (Name != "--security" && !(Send && (Name == "--user" || Name == "--password")))
      return "unknown option \"" + Name + "\" for " + Args[0];
    if (!Given.insert(Name).second) return Name + " is given twice";
    if (I + 1 == Args.size()) return Name + " needs a value";
    const std::string& Value = Args[I + 1];
    if (Name == "--security") {
      const std::optional<TSecurity> Mode = SecurityFromOption(Value);
      if (!Mode) return "unknown security mode \"" + Value + "\" (none, starttls or tls)";
      Options.Security = *Mode;
    } else if (Name == "--user") {
      Options.User = Value;
    } else {
      Options.Password = Value;
    }
  }
  // A name without a password, or the reverse, would quietly send without AUTH.
  if (Given.contains("--user") != Given.contains("--password")) return "--user and --password go together";
  if (Given.contains("--user") && Options.User.empty()) return "--user needs a name";
  Args.erase(Args.begin() + 1, Args.begin() + static_cast<std::ptrdiff_t>(I));
  return "";
}

void LoadMessage(const std::string& Path, TnbMessage& Message) {
  if (Path == "-") {
    TMemoryStream Input;
    CopyAll(stdin, Input);
    Message.LoadFromStream(Input);
  } else {
    TFileStream Input(Path, TFileMode::fmOpenRead);
    Message.LoadFromStream(Input);
  }
}

int Decode(const std::string& Path) {
  // Never freed: the process ends right after, and freeing a body of many
  // thousands of lines one by one costs a tenth of the decoding time.
  static TnbMessage& Message = *new TnbMessage;
  LoadMessage(Path, Message);
  WriteMessageJson(Message, std::cout);
  return 0;
}

// Several files: one JSON object per line, in the order given. A file that
// cannot be read gives a line {"error": "..."} and the status 1, and the
// others are still decoded.
int DecodeEach(const std::vector<std::string>& Paths) {
  static TnbMessage& Message = *new TnbMessage;
  int Status = 0;
  for (const std::string& Path : Paths) {
    Message.Clear();
    try {
      LoadMessage(Path, Message);
      WriteMessageJson(Message, std::cout, true);
    } catch (const Exception& E) {
      std::cerr << "mailtool: " << Path << ": " << E.Message << '\n';
      WriteErrorJson(E.Message, std::cout);
      Status = 1;
    }
  }
  return Status;
}

int Encode(const std::string& Path) {
  TnbMessage Message;
  ReadMessageJson(ReadInput(Path), Message);
  TMemoryStream Wire;
  Message.SaveToStream(Wire);
  std::cout.write(Wire.Memory(), static_cast<std::streamsize>(Wire.Size()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> Args(argv + 1, argv + argc);
  const std::string Command = Args.empty() ? "" : Args[0];
  TServerOptions Options;
  if (Command == "fetch" || Command == "send") {
    const std::string Wrong = TakeServerOptions(Args, Options);
    if (!Wrong.empty()) {
      std::cerr << "mailtool: " << Wrong << '\n' << Usage;
      return 1;
    }
  }
  const bool Leave = Command == "fetch" && Args.size() == 6 && Args[5] == "--leave";
  const bool Fits = ((Command == "decode" || Command == "encode") && Args.size() == 2) ||
                    (Command == "decode" && Args.size() > 2) ||
                    (Command == "fetch" && (Args.size() == 5 || Leave)) || (Command == "send" && Args.size() == 3);
  if (!Fits) {
    if (!Command.empty() && Command != "decode" && Command != "encode" && Command != "fetch" && Command != "send")
      std::cerr << "mailtool: unknown command \"" << Command << "\"\n";
    std::cerr << Usage;
    return 1;
  }
  // Errors name what they are about: the input of a conversion, the server of a transfer.
  const std::string Source = Args[1] == "-" ? "standard input" : Args[1];
  std::ios::sync_with_stdio(false);
  try {
    int Status;
    if (Command == "decode" && Args.size() > 2) Status = DecodeEach({Args.begin() + 1, Args.end()});
    else if (Command == "decode") Status = Decode(Args[1]);
    else if (Command == "encode") Status = Encode(Args[1]);
    else if (Command == "fetch") Status = FetchMail(Args[1], Options.Security, Args[2], Args[3], Args[4], Leave);
    else Status = SendMail(Args[1], Options.Security, Options.User, Options.Password, Args[2]);
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "mailtool: cannot write the output\n";
      return 1;
    }
    return Status;
  } catch (const Exception& E) {
    std::cerr << "mailtool: " << Source << ": " << E.Message << '\n';
  } catch (const std::bad_alloc&) {
    std::cerr << "mailtool: " << Source << ": not enough memory\n";
  }
  return 1;
}
