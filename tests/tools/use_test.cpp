// wypelniak-slownik use: switching slow/ between the full and the base-form
// list, and every refusal moving nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform.h"
#include "slownik.h"

namespace fs = std::filesystem;
using namespace wypelniak;
using namespace wypelniak::slownik;

namespace {

// What stands in a program folder: a name and, for a folder, the text of its
// slow.2 (which list it is); "plik" for a file, "link" for a link.
using Layout = std::map<std::string, std::string>;

fs::path FreshFolder() {
  std::random_device rd;
  const fs::path path =
      fs::temp_directory_path() / ("wypelniak-use-test-" + std::to_string(rd()) + std::to_string(rd()));
  fs::create_directories(path);
  return path;
}

void Make(const fs::path& folder, const Layout& layout) {
  for (const auto& [name, what] : layout) {
    if (what == "link") {
      fs::create_directory(folder / "gdzie-indziej");
      fs::create_directory_symlink(folder / "gdzie-indziej", folder / name);
    } else if (what == "plik") {
      std::ofstream(folder / name) << "x";
    } else {
      fs::create_directory(folder / name);
      std::ofstream(folder / name / "slow.2") << what;
    }
  }
}

Layout Seen(const fs::path& folder) {
  Layout seen;
  for (const fs::directory_entry& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name == "gdzie-indziej") continue;
    if (e.is_symlink()) {
      seen[name] = "link";
    } else if (!e.is_directory()) {
      seen[name] = "plik";
    } else {
      std::ifstream in(e.path() / "slow.2");
      std::getline(in, seen[name]);
    }
  }
  return seen;
}

TEST(Use, SwitchesBothWaysAndRefusesMovingNothing) {
  const struct {
    const char* what;
    Layout before;
    std::string which;
    const char* locked;  // a folder whose lock another writer holds, or ""
    int status;
    Layout after;      // empty: as before
    std::string said;  // part of what is written (out or err)
  } cases[] = {
      {"to the base forms",
       {{"slow", "P"}, {"slow-podstawowe", "B"}},
       "podstawowa",
       "",
       kExitOk,
       {{"slow", "B"}, {"slow-pelne", "P"}},
       "W użyciu jest teraz lista form podstawowych"},
      {"back to the full list",
       {{"slow", "B"}, {"slow-pelne", "P"}},
       "pelna",
       "",
       kExitOk,
       {{"slow", "P"}, {"slow-podstawowe", "B"}},
       "lista pełna"},
      {"no slow/ yet", {{"slow-podstawowe", "B"}}, "podstawowa", "", kExitOk, {{"slow", "B"}}, "→"},
      {"already in use", {{"slow", "B"}, {"slow-pelne", "P"}}, "podstawowa", "", kExitOk, {}, "już"},
      {"the wanted list missing",
       {{"slow", "P"}},
       "podstawowa",
       "",
       kExitProblems,
       {},
       "build --hunspell /usr/share/hunspell/pl_PL.dic"},
      {"nothing at all", {}, "pelna", "", kExitProblems, {}, "build /usr/share/dict/polish"},
      {"the aside name taken",
       {{"slow", "P"}, {"slow-pelne", "X"}, {"slow-podstawowe", "B"}},
       "podstawowa",
       "",
       kExitProblems,
       {},
       "już istnieje"},
      {"a file for a folder",
       {{"slow", "P"}, {"slow-podstawowe", "plik"}},
       "podstawowa",
       "",
       kExitProblems,
       {},
       "nie jest folderem"},
      {"a link for a folder",
       {{"slow", "link"}, {"slow-pelne", "P"}},
       "pelna",
       "",
       kExitProblems,
       {},
       "nie jest folderem"},
      {"slow/ being written",
       {{"slow", "P"}, {"slow-podstawowe", "B"}},
       "podstawowa",
       "slow",
       kExitProblems,
       {},
       "zmieniana"},
      {"the wanted list being written",
       {{"slow", "P"}, {"slow-podstawowe", "B"}},
       "podstawowa",
       "slow-podstawowe",
       kExitProblems,
       {},
       "zmieniana"},
      {"an unknown list", {{"slow", "P"}}, "pełna", "", kExitUsage, {}, "pelna, podstawowa"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path folder = FreshFolder();
    Make(folder, c.before);
    platform::FolderLock other;
    if (*c.locked) {
      ASSERT_FALSE(other.Acquire(folder / c.locked / ".lock", std::chrono::milliseconds(0)));
    }
    Options options;
    options.lockWait = std::chrono::milliseconds(50);
    std::ostringstream out, err;
    EXPECT_EQ(RunUse(c.which, folder, options, out, err), c.status) << out.str() << err.str();
    EXPECT_EQ(Seen(folder), c.after.empty() ? c.before : c.after);
    EXPECT_NE((out.str() + err.str()).find(c.said), std::string::npos) << out.str() << err.str();
    if (c.status == kExitProblems) {
      EXPECT_NE(err.str().find("Nic nie przeniesiono"), std::string::npos) << err.str();
    }
    other.Release();
    fs::remove_all(folder);
  }
}

// The command line reaches the command, the folder given or the tool's own.
TEST(Use, FromTheCommandLine) {
  const fs::path folder = FreshFolder();
  Make(folder, {{"slow", "P"}, {"slow-podstawowe", "B"}});
  std::ostringstream out, err;
  EXPECT_EQ(slownik::Run(std::vector<std::string>{"use", "podstawowa", folder.string()},
                         "/nonexistent-program-folder", out, err),
            kExitOk)
      << err.str();
  EXPECT_EQ(slownik::Run(std::vector<std::string>{"use", "pelna"}, folder, out, err), kExitOk) << err.str();
  EXPECT_EQ(Seen(folder), (Layout{{"slow", "P"}, {"slow-podstawowe", "B"}}));
  EXPECT_NE(UsageText().find("use pelna|podstawowa"), std::string::npos);
  fs::remove_all(folder);
}

}  // namespace
