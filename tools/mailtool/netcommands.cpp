#include "netcommands.h"

#include <iostream>
#include <sstream>
#include <vector>

#include "fetchdir.h"
#include "maillib/pop3/messagelist.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/pop3/uidlplan.h"
#include "maillib/smtp/nbsmtp.h"
#include "messagejson.h"
#include "platform/runtime/streams.h"
#include "pop3idsfile.h"
#include "streamio.h"

namespace {

// The message's JSON on one line. JSON strings hold no raw line feed (they
// are escaped), so every line feed and the indentation after it are layout.
std::string OneLineJson(TnbMessage& Message) {
  std::ostringstream Pretty;
  WriteMessageJson(Message, Pretty);
  std::string Line;
  bool AtLineStart = false;
  for (const char C : Pretty.str()) {
    if (C == '\n') {
      AtLineStart = true;
    } else if (!(AtLineStart && C == ' ')) {
      AtLineStart = false;
      Line += C;
    }
  }
  return Line + '\n';
}

// A POP3 client that also keeps the text of each message as it came, and
// prints each message as soon as it is in. On a server with UIDL it
// fetches only messages whose ids Fetched does not hold yet.
class TFetcher : public TnbPOP {
public:
  TFetcher(TFetchDir& ADir, TPop3IdsFile& AFetched) : FDir(ADir), FFetched(AFetched) {
    OnRetrieved = [this](TObject*, int) {
      std::cout << OneLineJson(Messages().Items(Messages().Count() - 1));
      std::cout.flush();
      // Only the file and the printed line are kept; the next message needs the room.
      Messages().Clear();
    };
  }

  // Logs in, fetches and deletes what the ids leave to do, and logs out.
  void Fetch(bool LeaveOnServer) {
    Session([&] {
      if (Offers("UIDL")) FServerIds = UniqueIds();
      const TUidlPlan Plan = PlanTransfer(MessageCount(), FServerIds, FFetched.Known(), LeaveOnServer);
      FFetched.Forget(Plan.Forgotten);
      TransferMessages(Plan.Tasks);
    });
  }

protected:
  void StoreMessage(int Num, TStream& Stream) override {
    TMemoryStream Text;
    CopyAll(Stream, Text);
    FDir.SaveMessage(Text.View());
    // Only once the file is on disk: a run killed before this fetches the message again.
    if (static_cast<std::size_t>(Num) < FServerIds.size() && !FServerIds[Num].empty()) FFetched.Add(FServerIds[Num]);
    Stream.SetPosition(0);
    TnbPOP::StoreMessage(Num, Stream);
  }

private:
  TFetchDir& FDir;
  TPop3IdsFile& FFetched;
  // By message number; empty without UIDL.
  std::vector<std::string> FServerIds;
};

}  // namespace

int FetchMail(const std::string& Server, TSecurity Security, const std::string& UserName,
              const std::string& Password, const std::string& Dir, bool LeaveOnServer) {
  TFetchDir Target(Dir);
  TPop3IdsFile Fetched(Target.Path(), UserName + "@" + Server);
  if (Fetched.DroppedLines() > 0)
    std::cerr << "mailtool: " << Dir << ": " << Fetched.DroppedLines()
              << " damaged lines of the fetched ids dropped; their messages may come again\n";
  TFetcher Client(Target, Fetched);
  Client.Server = Server;
  Client.Security = Security;
  Client.UserName = UserName;
  Client.Password = Password;
  Client.SetWinsockLoaded(true);
  Client.Fetch(LeaveOnServer);
  return 0;
}

int SendMail(const std::string& Server, TSecurity Security, const std::string& UserName,
             const std::string& Password, const std::string& JsonPath) {
  TnbMessage Message;
  ReadMessageJson(ReadInput(JsonPath), Message);
  TnbSMTP Client;
  Client.Server = Server;
  Client.Security = Security;
  Client.UserName = UserName;
  Client.Password = Password;
  Client.SetWinsockLoaded(true);
  Client.SetMailMessage(&Message);
  Client.Send();
  return 0;
}
