#include "realservers.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::string Script = CORVALEN_TESTS_SUPPORT_DIR "/mailservers.py";
constexpr auto PollInterval = std::chrono::milliseconds(10);

struct TRun {
  int Status = -1;
  std::string Output;  // stdout and stderr together
};

// Runs mailservers.py with Args and collects what it prints.
TRun RunScript(const std::vector<std::string>& Args) {
  std::vector<std::string> Words{"python3", Script};
  Words.insert(Words.end(), Args.begin(), Args.end());
  std::vector<char*> Argv;
  for (auto& Word : Words) Argv.push_back(Word.data());
  Argv.push_back(nullptr);

  int Pipe[2];
  if (::pipe2(Pipe, O_CLOEXEC) != 0) throw std::runtime_error("mailservers.py: no pipe");
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_adddup2(&Actions, Pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&Actions, Pipe[1], STDERR_FILENO);
  pid_t Pid = 0;
  const int Error = ::posix_spawnp(&Pid, "python3", &Actions, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  ::close(Pipe[1]);
  TRun Run;
  if (Error != 0) {
    ::close(Pipe[0]);
    Run.Output = "cannot run python3";
    return Run;
  }
  char Buffer[4096];
  for (ssize_t N; (N = ::read(Pipe[0], Buffer, sizeof Buffer)) != 0;) {
    if (N > 0) Run.Output.append(Buffer, static_cast<std::size_t>(N));
    else if (errno != EINTR) break;
  }
  ::close(Pipe[0]);
  while (::waitpid(Pid, &Run.Status, 0) < 0 && errno == EINTR) {
  }
  return Run;
}

bool Succeeded(const TRun& Run) { return WIFEXITED(Run.Status) && WEXITSTATUS(Run.Status) == 0; }

std::string ReadFile(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Bytes;
  Bytes << In.rdbuf();
  return Bytes.str();
}

std::string Tail(const std::string& Path, std::size_t Lines) {
  std::istringstream In(ReadFile(Path));
  std::vector<std::string> All;
  for (std::string Line; std::getline(In, Line);) All.push_back(Line);
  std::string Result;
  for (std::size_t I = All.size() > Lines ? All.size() - Lines : 0; I < All.size(); ++I) Result += All[I] + "\n";
  return Result;
}

// Maildir names begin with the delivery time: "<seconds>.<...>M<microseconds>...".
// Both Postfix and mailservers.py write it that way.
std::pair<long long, long long> ArrivalTime(const std::string& Name) {
  const std::size_t Dot = Name.find('.');
  long long Seconds = std::atoll(Name.substr(0, Dot).c_str());
  long long Micros = 0;
  if (Dot != std::string::npos) {
    const std::size_t End = Name.find('.', Dot + 1);
    const std::string Unique = Name.substr(Dot + 1, End == std::string::npos ? End : End - Dot - 1);
    if (const std::size_t M = Unique.find('M'); M != std::string::npos)
      Micros = std::atoll(Unique.c_str() + M + 1);
  }
  return {Seconds, Micros};
}

}  // namespace

std::vector<TRealMailServers::TUser> TRealMailServers::DefaultUsers() { return {{"alice", "secret"}}; }

TRealMailServers::TRealMailServers(std::vector<TUser> Users, std::string Certificate) : FUsers(std::move(Users)) {
  // Under /tmp, not TMPDIR: the servers' sockets live in here, and socket
  // paths must stay short.
  std::string Template = "/tmp/corvalen-servers-XXXXXX";
  if (::mkdtemp(Template.data()) == nullptr) throw std::runtime_error("cannot create a directory in /tmp");
  FDirectory = Template;

  std::vector<std::string> Args{"start", FDirectory, "--owner", std::to_string(::getpid()),
                                "--cert", std::move(Certificate), "--users"};
  for (const auto& User : FUsers) Args.push_back(User.Name + ":" + User.Password);
  const TRun Run = RunScript(Args);
  if (!Succeeded(Run)) {
    std::error_code Ignored;
    fs::remove_all(FDirectory, Ignored);
    throw std::runtime_error("the mail servers did not start:\n" + Run.Output);
  }
  std::istringstream In(ReadFile(fs::path(FDirectory) / "servers.env"));
  for (std::string Line; std::getline(In, Line);)
    if (const std::size_t Eq = Line.find('='); Eq != std::string::npos)
      FFacts[Line.substr(0, Eq)] = Line.substr(Eq + 1);
  const auto Port = [this](const std::string& Key) {
    return static_cast<std::uint16_t>(std::atoi(Fact(Key).c_str()));
  };
  FPop3Port = Port("POP3_PORT");
  FSmtpPort = Port("SMTP_PORT");
  FPop3sPort = Port("POP3S_PORT");
  FSubmissionPort = Port("SUBMISSION_PORT");
  FSubmissionsPort = Port("SUBMISSIONS_PORT");
  FCaFile = Fact("CA_FILE");
  FCertDir = Fact("CERT_DIR");
  FDomain = Fact("DOMAIN");
  FMaildirRoot = Fact("MAILDIR_ROOT");
  if (FPop3Port == 0 || FSmtpPort == 0 || FPop3sPort == 0 || FSubmissionPort == 0 || FSubmissionsPort == 0 ||
      FCaFile.empty() || FCertDir.empty() || FDomain.empty() || FMaildirRoot.empty()) {
    RunScript({"stop", FDirectory});
    throw std::runtime_error("mailservers.py wrote an incomplete servers.env in " + FDirectory);
  }
}

TRealMailServers::~TRealMailServers() {
  RunScript({"stop", FDirectory});
  // Kept on request, to read the logs and the mailboxes after a run.
  if (std::getenv("CORVALEN_KEEP_SERVERS") == nullptr) {
    std::error_code Ignored;
    fs::remove_all(FDirectory, Ignored);
  }
}

std::string TRealMailServers::Pop3Address() const { return "127.0.0.1:" + std::to_string(FPop3Port); }

std::string TRealMailServers::SmtpAddress() const { return "127.0.0.1:" + std::to_string(FSmtpPort); }

std::string TRealMailServers::Fact(const std::string& Key) const {
  const auto It = FFacts.find(Key);
  return It == FFacts.end() ? std::string() : It->second;
}

std::string TRealMailServers::Maildir(const std::string& User) const {
  return (fs::path(FMaildirRoot) / User / "Maildir").string();
}

void TRealMailServers::Put(const std::string& User, const std::vector<std::string>& Messages) {
  if (Messages.empty()) return;
  const fs::path Staging = fs::path(FDirectory) / "put";
  fs::create_directories(Staging);
  std::vector<std::string> Args{"put", FDirectory, User};
  for (std::size_t I = 0; I < Messages.size(); ++I) {
    const fs::path File = Staging / std::to_string(I);
    std::ofstream(File, std::ios::binary) << Messages[I];
    Args.push_back(File.string());
  }
  const TRun Run = RunScript(Args);
  fs::remove_all(Staging);
  if (!Succeeded(Run)) throw std::runtime_error("mailservers.py put failed:\n" + Run.Output);
}

std::vector<std::string> TRealMailServers::MessageFiles(const std::string& User) const {
  std::vector<fs::path> Files;
  for (const char* Sub : {"new", "cur"}) {
    std::error_code Error;
    for (const auto& Entry : fs::directory_iterator(fs::path(Maildir(User)) / Sub, Error))
      if (Entry.is_regular_file()) Files.push_back(Entry.path());
  }
  std::sort(Files.begin(), Files.end(), [](const fs::path& A, const fs::path& B) {
    const std::string NameA = A.filename().string(), NameB = B.filename().string();
    const auto TimeA = ArrivalTime(NameA), TimeB = ArrivalTime(NameB);
    return TimeA != TimeB ? TimeA < TimeB : NameA < NameB;
  });
  std::vector<std::string> Paths;
  for (const auto& File : Files) Paths.push_back(File.string());
  return Paths;
}

std::vector<std::string> TRealMailServers::Messages(const std::string& User) const {
  std::vector<std::string> Contents;
  for (const auto& File : MessageFiles(User)) Contents.push_back(ReadFile(File));
  return Contents;
}

bool TRealMailServers::WaitForMessages(const std::string& User, std::size_t Count, double Seconds) const {
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(Seconds);
  while (MessageFiles(User).size() < Count) {
    if (std::chrono::steady_clock::now() > Deadline) return false;
    std::this_thread::sleep_for(PollInterval);
  }
  return true;
}

bool TRealMailServers::WaitForQueueEmpty(double Seconds) const {
  const fs::path Queue = fs::path(FDirectory) / "postfix" / "queue";
  const auto Pending = [&Queue] {
    // Mail on its way in or out; "deferred" would only fill if a delivery failed.
    for (const char* Sub : {"maildrop", "incoming", "active"}) {
      std::error_code Error;
      for (const auto& Entry : fs::recursive_directory_iterator(Queue / Sub, Error))
        if (Entry.is_regular_file()) return true;
    }
    return false;
  };
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(Seconds);
  while (Pending()) {
    if (std::chrono::steady_clock::now() > Deadline) return false;
    std::this_thread::sleep_for(PollInterval);
  }
  return true;
}

void TRealMailServers::EmptyMailbox(const std::string& User) {
  for (const auto& File : MessageFiles(User)) fs::remove(File);
}

std::string TRealMailServers::LogTail() const {
  return "--- Dovecot\n" + Tail(Fact("DOVECOT_LOG"), 30) + "--- Postfix\n" + Tail(Fact("POSTFIX_LOG"), 30);
}

std::string TRealMailServers::CheckTls() const {
  const TRun Run = RunScript({"check-tls", FDirectory});
  return Succeeded(Run) ? std::string() : Run.Output;
}

std::unique_ptr<TRealMailServers> TRealServersTest::FServers;
std::string TRealServersTest::FStartError;

void TRealServersTest::SetUpTestSuite() {
  FStartError.clear();
  try {
    FServers = std::make_unique<TRealMailServers>();
  } catch (const std::exception& E) {
    FStartError = E.what();
  }
}

void TRealServersTest::TearDownTestSuite() { FServers.reset(); }

void TRealServersTest::SetUp() {
  ASSERT_TRUE(FServers) << FStartError;
  // What an earlier test of the suite sent must not arrive in this one.
  ASSERT_TRUE(FServers->WaitForQueueEmpty(10)) << FServers->LogTail();
  for (const auto& User : FServers->Users()) FServers->EmptyMailbox(User.Name);
}
