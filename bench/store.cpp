// Fills an Inbox with 100,000 rows (bodies of 1 to 4 KB, some attachments)
// and times what the folder views and flows do with it: the list fill (First
// and Next over RecordCount rows, reading the list fields and ATTACH), one
// read mark (edit and post of STATE), RecordCount and a key search.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/store/mailtables.h"
#include "platform/table/database.h"
#include "platform/table/table.h"

namespace {

constexpr int Rows = 100000;
constexpr int Rounds = 5;

using Clock = std::chrono::steady_clock;

// Processor time of this process, which a busy machine does not inflate.
double CpuMs() {
  rusage Usage{};
  ::getrusage(RUSAGE_SELF, &Usage);
  return (Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) * 1e3 + (Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e3;
}

double MsSince(Clock::time_point Start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - Start).count();
}

// The date text of row I: many rows share a date, as retrieval runs do.
std::string DateOf(int I) {
  char Text[64];
  std::snprintf(Text, sizeof Text, "2024-%02d-%02d %02d:%02d:00 %d", 1 + I % 12, 1 + I % 28, I % 24, I % 60, I % 7);
  return Text;
}

void Fill(TDatabase& Database) {
  TTable Inbox(Database, RmailTable());
  Inbox.SetIndexName("DATE");
  Inbox.Open();
  Inbox.SetCachedUpdates(true);
  const std::string Line = "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod.";
  for (int I = 0; I < Rows; ++I) {
    Inbox.Append();
    Inbox.FieldByName("SUBJECT").SetAsString("Subject of message " + std::to_string(I));
    Inbox.FieldByName("FROM").SetAsString("Sender " + std::to_string(I % 500));
    Inbox.FieldByName("EMAIL").SetAsString("sender" + std::to_string(I % 500) + "@example.org");
    Inbox.FieldByName("DATE").SetAsString(DateOf(I));
    TStringList Body;
    for (int L = 0, N = 14 + (I * 7919) % 42; L < N; ++L) Body.push_back(Line);
    Inbox.FieldByName("DATA").SetAsLines(Body);
    Inbox.FieldByName("RECPT").SetAsLines({"me@example.org"});
    if (I % 10 == 0) Inbox.FieldByName("ATTACH").SetAsLines({"report.pdf", "photo.jpg"});
    Inbox.FieldByName("STATE").SetAsBoolean(I % 3 == 0);
    Inbox.Post();
    if (I % 10000 == 9999) Inbox.ApplyUpdates();
  }
  Inbox.ApplyUpdates();
  Inbox.SetCachedUpdates(false);
}

template <typename F>
double Best(F&& Run) {
  double Result = 1e300;
  for (int R = 0; R < Rounds; ++R) {
    const auto Start = Clock::now();
    Run();
    Result = std::min(Result, MsSince(Start));
  }
  return Result;
}

}  // namespace

// With a directory argument the store there is kept between runs (and
// filled only when it is new); without one a temporary store is used.
int main(int argc, char** argv) {
  const bool Keep = argc > 1;
  const auto Dir = Keep ? std::filesystem::path(argv[1])
                        : std::filesystem::temp_directory_path() /
                              ("corvalen-bench-store-" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  const auto File = Dir / "Corvalen.db";
  const bool Filled = std::filesystem::exists(File);
  CreateMailStore(File);
  if (!Filled) {
    TDatabase Database(File.string());
    auto Start = Clock::now();
    Fill(Database);
    std::printf("fill %d rows (cached, applied every 10000): %.0f ms\n", Rows, MsSince(Start));
  }
  std::printf("database file: %.1f MB\n", std::filesystem::file_size(File) / 1e6);

  TDatabase Database(File.string());
  TTable Inbox(Database, RmailTable());
  Inbox.SetIndexName("DATE");
  Inbox.Open();

  const double CpuSmall = CpuMs();
  const double SmallOnly = Best([&] {
    const int Count = Inbox.RecordCount();
    Inbox.First();
    for (int I = 0; I < Count && !Inbox.Eof(); ++I, Inbox.Next()) {
      Inbox.FieldByName("SUBJECT").AsString();
      Inbox.FieldByName("FROM").AsString();
      Inbox.FieldByName("DATE").AsString();
      Inbox.FieldByName("STATE").AsBoolean();
    }
  });
  std::printf("scan without memos: %.1f ms (processor time per scan: %.1f ms)\n", SmallOnly,
              (CpuMs() - CpuSmall) / Rounds);

  int Unread = 0, WithAttachments = 0;
  std::size_t Bytes = 0;
  const double CpuBefore = CpuMs();
  const double Scan = Best([&] {
    Unread = WithAttachments = 0;
    Bytes = 0;
    const int Count = Inbox.RecordCount();
    Inbox.First();
    for (int I = 0; I < Count && !Inbox.Eof(); ++I, Inbox.Next()) {
      Bytes += Inbox.FieldByName("SUBJECT").AsString().size() + Inbox.FieldByName("FROM").AsString().size() +
               Inbox.FieldByName("DATE").AsString().size();
      Unread += !Inbox.FieldByName("STATE").AsBoolean();
      WithAttachments += !Inbox.FieldByName("ATTACH").AsLines().empty();
    }
  });
  std::printf("list fill, First/Next over %d rows with SUBJECT FROM DATE STATE ATTACH: %.1f ms"
              " (%d unread, %d with attachments, %zu text bytes)\n",
              Rows, Scan, Unread, WithAttachments, Bytes);
  std::printf("  (processor time per scan: %.1f ms)\n", (CpuMs() - CpuBefore) / Rounds);

  // A click on a list entry: jump to its record, mark it read.
  std::vector<std::int64_t> Ids;
  for (int I = 0; I < Rounds; ++I) Ids.push_back(1 + (I * 37813) % Rows);
  std::size_t Next = 0;
  const double Mark = Best([&] {
    Inbox.GotoRecord(Ids[Next++ % Ids.size()]);
    Inbox.Edit();
    Inbox.FieldByName("STATE").SetAsBoolean(true);
    Inbox.Post();
  });
  std::printf("read mark (GotoRecord, Edit, STATE, Post, durable): %.2f ms\n", Mark);

  double Cold = 1e300;
  for (int R = 0; R < Rounds; ++R) {
    // A write makes the next count a real one.
    Inbox.GotoRecord(Ids[R]);
    Inbox.Edit();
    Inbox.FieldByName("STATE").SetAsBoolean(false);
    Inbox.Post();
    const auto Start = Clock::now();
    Inbox.RecordCount();
    Cold = std::min(Cold, MsSince(Start));
  }
  const double Warm = Best([&] { Inbox.RecordCount(); });
  std::printf("RecordCount: %.2f ms after a write, %.4f ms cached\n", Cold, Warm);

  const std::string Key = DateOf(Rows / 2);
  bool Found = false;
  const double Find = Best([&] { Found = Inbox.FindKey(Key); });
  std::printf("FindKey on DATE: %.3f ms (%s)\n", Find, Found ? "found" : "not found");

  const double Body = Best([&] { Inbox.FieldByName("DATA").AsLines(); Inbox.Next(); });
  std::printf("Next and read one body: %.3f ms\n", Body);

  if (!Keep) std::filesystem::remove_all(Dir);
  return 0;
}
