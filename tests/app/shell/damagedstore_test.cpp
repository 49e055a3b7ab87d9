// A store damaged in the middle of its file: the error of the Inbox's first
// fill is shown once the window is up, and the file is left as it was.
#include <QAction>
#include <QWindow>

#include <fstream>
#include <sstream>

#include "appfixture.h"
#include "support/namedchild.h"

namespace {

using DamagedStoreTest = AppTest;

std::string Bytes(const std::filesystem::path& Path) {
  std::stringstream Text;
  Text << std::ifstream(Path, std::ios::binary).rdbuf();
  return Text.str();
}

TEST_F(DamagedStoreTest, FirstFillErrorIsShownOnceTheWindowIsUpAndTheFileIsUntouched) {
  {
    TTable Inbox(*Database, RmailTable());  // long rows, so that the Inbox fills most of the file
    Inbox.Open();
    Inbox.SetCachedUpdates(true);
    for (int I = 0; I < 400; ++I) {
      Inbox.Append();
      Inbox.FieldByName("SUBJECT").SetAsString(std::string(250, 's'));
      Inbox.FieldByName("DATE").SetAsString(std::to_string(I));
      Inbox.Post();
    }
    Inbox.ApplyUpdates();
  }
  Database.reset();  // folds the log into the file
  const std::filesystem::path Store = Dir / installation::DatabaseFileName;
  const std::uintmax_t PageSize = 4096, Middle = std::filesystem::file_size(Store) / PageSize / 2 * PageSize;
  std::fstream(Store, std::ios::in | std::ios::out | std::ios::binary).seekp(Middle) << std::string(PageSize, 'Z');
  const std::string Damaged = Bytes(Store);

  Database = std::make_unique<TDatabase>(Store.string());
  bool WindowUp = false;  // a modal box inside the toolkit's show code crashed the program
  ui::Hooks().ShowError = [&](const std::string& Text) {
    WindowUp = Window->windowHandle()->isVisible();
    Messages.push_back(Text);
  };
  OpenWindow();
  ASSERT_TRUE(WaitFor([this] { return !Messages.empty(); }));
  EXPECT_NE(Messages[0].find("database disk image is malformed"), std::string::npos) << Messages[0];
  EXPECT_TRUE(WindowUp);
  Command("Close1")->trigger();
  Window.reset();
  Database.reset();
  EXPECT_EQ(Bytes(Store), Damaged);
}

}  // namespace
