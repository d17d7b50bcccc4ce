#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ipuz.h"
#include "polishpuzzle.h"
#include "session.h"
#include "testutil.h"

using namespace wypelniak;
using wypelniak::testing::PolishPuzzle;
using wypelniak::testing::ReadBytes;
using wypelniak::testing::TempFolder;
using wypelniak::testing::WriteBytes;
namespace fs = std::filesystem;

TEST(Session, settings_come_back_as_written) {
  TempFolder folder;
  SessionSettings s;
  s.preferClueable = false;
  s.scoreFile = "/home/użytkownik/Żółte oceny/wyniki;1.txt";
  s.minScore = 42;
  for (int i = 0; i < 10; ++i) s.AddRecent("/dom/krzyżówka " + std::to_string(i) + ".ipuz");
  s.AddRecent("/dom/krzyżówka 5.ipuz");  // listed already: moves up, not twice
  ASSERT_EQ(s.recentFiles.size(), kMaxRecentFiles);
  EXPECT_EQ(s.recentFiles.front(), "/dom/krzyżówka 5.ipuz");
  EXPECT_EQ(s.recentFiles.back(), "/dom/krzyżówka 2.ipuz");

  ASSERT_EQ(WriteSessionSettings(folder.path(), s).error, SessionError::None);
  SessionResult r;
  EXPECT_EQ(ReadSessionSettings(folder.path(), &r), s);
  EXPECT_EQ(r.error, SessionError::None) << DescribeSessionError(r);
  // The file is written anew each time and nothing is left beside it.
  ASSERT_EQ(WriteSessionSettings(folder.path(), s).error, SessionError::None);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);  // + .lock
  // A folder that is not there: an error naming the file, nothing thrown.
  const SessionResult missing = WriteSessionSettings(folder.path() / "brak", s);
  EXPECT_NE(missing.error, SessionError::None);
  EXPECT_NE(DescribeSessionError(missing).find("diagram-ustawienia.txt"), std::string::npos);
}

TEST(Session, no_file_or_a_damaged_one_gives_the_defaults) {
  struct Case {
    const char* name;
    std::string content;  // empty: no file
    SessionError error;
    int line;
  };
  const Case cases[] = {
      {"no file", "", SessionError::None, 0},
      {"not UTF-8", "plik-ocen=\xB3\xF3\n", SessionError::Damaged, 0},
      {"line without =", "# uwaga\nwyrazy-z-haslami\n", SessionError::Damaged, 2},
      {"bad bool", "wyrazy-z-haslami=1\n", SessionError::Damaged, 1},
      {"score too high", "najnizsza-ocena=101\n", SessionError::Damaged, 1},
      {"score not a number", "ostatni=/a.ipuz\nnajnizsza-ocena=5x\n", SessionError::Damaged, 2},
      {"too large", std::string(kMaxSettingsBytes + 1, '#'), SessionError::Damaged, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    if (!c.content.empty()) WriteBytes(SettingsPath(folder.path()), c.content);
    SessionResult r;
    EXPECT_EQ(ReadSessionSettings(folder.path(), &r), SessionSettings{});
    EXPECT_EQ(r.error, c.error);
    EXPECT_EQ(r.line, c.line);
    if (c.error != SessionError::None) {
      EXPECT_NE(DescribeSessionError(r).find("diagram-ustawienia.txt"), std::string::npos);
    }
  }
}

TEST(Session, recovery_copy_round_trip_and_drop) {
  TempFolder folder;
  SessionResult r;
  EXPECT_FALSE(ReadRecoveryCopy(folder.path(), &r));
  EXPECT_EQ(r.error, SessionError::None);

  const Puzzle puzzle = PolishPuzzle();
  const std::string original = "/dom/Łódź \"nowa\"\\krzyżówka.ipuz";
  ASSERT_EQ(WriteRecoveryCopy(folder.path(), puzzle, original).error, SessionError::None);
  // The copy is an .ipuz file any reader takes.
  EXPECT_EQ(ParseIpuz(ReadBytes(RecoveryPath(folder.path()))).error, IpuzError::None);
  const std::optional<RecoveryCopy> copy = ReadRecoveryCopy(folder.path(), &r);
  ASSERT_TRUE(copy) << DescribeSessionError(r);
  EXPECT_EQ(copy->puzzle, puzzle);
  EXPECT_EQ(copy->originalPath, original);

  ASSERT_EQ(DropRecoveryCopy(folder.path()).error, SessionError::None);
  EXPECT_FALSE(fs::exists(RecoveryPath(folder.path())));
  EXPECT_EQ(DropRecoveryCopy(folder.path()).error, SessionError::None);

  // A copy that is no grid, or not ours, is reported, never taken.
  for (const std::string& bad : {std::string("{\"kind\": 1}"), IpuzText(puzzle)}) {
    WriteBytes(RecoveryPath(folder.path()), bad);
    EXPECT_FALSE(ReadRecoveryCopy(folder.path(), &r));
    EXPECT_EQ(r.error, SessionError::Damaged);
  }
}

TEST(Session, a_file_changed_on_disk_is_noticed) {
  struct Case {
    const char* name;
    void (*change)(const fs::path& file, const fs::path& folder);
    bool changed;
  };
  const Case cases[] = {
      {"unchanged", [](const fs::path&, const fs::path&) {}, false},
      {"read only", [](const fs::path& f, const fs::path&) { (void)ReadBytes(f); }, false},
      {"written to", [](const fs::path& f, const fs::path&) { WriteBytes(f, "inna treść, dłuższa"); }, true},
      {"touched",
       [](const fs::path& f, const fs::path&) {
         fs::last_write_time(f, fs::last_write_time(f) + std::chrono::seconds(5));
       },
       true},
      {"replaced",
       [](const fs::path& f, const fs::path& d) {
         WriteBytes(d / "nowy", "treść");  // the same size, content and time
         fs::last_write_time(d / "nowy", fs::last_write_time(f));
         fs::rename(d / "nowy", f);
       },
       true},
      {"removed", [](const fs::path& f, const fs::path&) { fs::remove(f); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const fs::path file = folder.path() / "krzyżówka.ipuz";
    WriteBytes(file, "treść");
    const FileStamp stamp = TakeFileStamp(file);
    ASSERT_TRUE(stamp.exists);
    c.change(file, folder.path());
    EXPECT_EQ(FileChangedSince(file, stamp), c.changed);
  }
  // A file that was not there and now is.
  TempFolder folder;
  const FileStamp none = TakeFileStamp(folder.path() / "brak.ipuz");
  EXPECT_FALSE(none.exists);
  EXPECT_FALSE(FileChangedSince(folder.path() / "brak.ipuz", none));
  WriteBytes(folder.path() / "brak.ipuz", "x");
  EXPECT_TRUE(FileChangedSince(folder.path() / "brak.ipuz", none));
}
