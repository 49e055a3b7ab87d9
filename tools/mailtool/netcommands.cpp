#include "netcommands.h"

#include <filesystem>
#include <iostream>
#include <sstream>

#include "maillib/pop3/messagelist.h"
#include "maillib/pop3/nbpop3.h"
#include "maillib/smtp/nbsmtp.h"
#include "messagejson.h"
#include "platform/runtime/exception.h"
#include "platform/runtime/streams.h"
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
// prints each message as soon as it is in.
class TFetcher : public TnbPOP {
public:
  explicit TFetcher(std::filesystem::path ADir) : FDir(std::move(ADir)) {
    OnRetrieved = [this](TObject*, int) {
      std::cout << OneLineJson(Messages().Items(Messages().Count() - 1));
      std::cout.flush();
      // Only the file and the printed line are kept; the next message needs the room.
      Messages().Clear();
    };
  }

protected:
  void StoreMessage(int Num, TStream& Stream) override {
    {
      TFileStream File((FDir / (std::to_string(Num + 1) + ".eml")).string(), TFileMode::fmCreate);
      CopyAll(Stream, File);
    }
    Stream.SetPosition(0);
    TnbPOP::StoreMessage(Num, Stream);
  }

private:
  std::filesystem::path FDir;
};

}  // namespace

int FetchMail(const std::string& Server, TSecurity Security, const std::string& UserName,
              const std::string& Password, const std::string& Dir, bool LeaveOnServer) {
  std::error_code Error;
  std::filesystem::create_directories(Dir, Error);
  if (Error) throw Exception("Cannot create directory \"" + Dir + "\": " + Error.message());
  TFetcher Client(Dir);
  Client.Server = Server;
  Client.Security = Security;
  Client.UserName = UserName;
  Client.Password = Password;
  Client.SetWinsockLoaded(true);
  Client.RetrieveAll(LeaveOnServer);
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
