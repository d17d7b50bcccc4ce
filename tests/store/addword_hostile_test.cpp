// A word-list folder someone else can write into: planted links, special
// files and a huge file, met by the search and the addition through the
// core. Each case is told in Polish, returns within a second (a hang is the
// fault; an alarm ends a test that hangs), and leaves everything outside
// slow/ exactly as it was.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "addword.h"
#include "patternsearch.h"
#include "platform.h"
#include "testutil.h"

using namespace wypelniak;
using wypelniak::testing::ListBytes;
using wypelniak::testing::ReadBytes;
using wypelniak::testing::TempFolder;
using wypelniak::testing::WriteBytes;
namespace fs = std::filesystem;

namespace {

class SearchRecorder : public SearchView {
 public:
  std::vector<std::string> messages, results;
  bool visible = true, enabled = true;

  std::string PatternText() override { return "k*t"; }
  void ShowMessage(std::string_view text, std::string_view, MessageIcon) override {
    messages.emplace_back(text);
  }
  void ClearResults() override { results.clear(); }
  void SetResultsVisible(bool v) override { visible = v; }
  void SetPatternEnabled(bool v) override { enabled = v; }
  void ProcessPendingEvents() override {}
  void AddResult(std::string_view word) override { results.emplace_back(word); }
};

class AddRecorder : public AddWordView {
 public:
  std::vector<std::string> messages;

  std::string WordText() override { return "kuk"; }
  void ShowMessage(std::string_view text, std::string_view, MessageIcon) override {
    messages.emplace_back(text);
  }
  void SelectWordText() override {}
  void FocusWord() override {}
  void ProcessPendingEvents() override {}
};

// Every entry under root, not following links: kind, mode, owner, group, and
// the bytes of a file or the text of a link.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
    struct stat st {};
    if (::lstat(e.path().c_str(), &st) != 0) continue;
    std::string& shown = entries[fs::relative(e.path(), root).string()];
    shown =
        std::to_string(st.st_mode) + " " + std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid) + " ";
    if (S_ISREG(st.st_mode)) shown += ReadBytes(e.path());
    if (S_ISLNK(st.st_mode)) shown += fs::read_symlink(e.path()).string();
  }
  return entries;
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
      .count();
}

constexpr uid_t kNobody = 65534;
const std::string kList = ListBytes({"kot", "kit"});

struct Paths {
  fs::path slow, outside;
};

struct Case {
  const char* name;
  bool needsRoot;                           // to give a file to another user
  std::function<void(const Paths&)> plant;  // slow/ holds slow.3 beforehand
  const char* searchMessage;                // nullptr: "kot" and "kit" listed, no message
  const char* addMessage;
};

void Link(const fs::path& to, const fs::path& at) {
  ASSERT_EQ(::symlink(to.c_str(), at.c_str()), 0) << at;
}

void Replace(const fs::path& file) {
  fs::remove(file);
}

const char* const kAdded = "Wyraz (kuk) został dodany do słownika";
const char* const kForeign = "należy do innego użytkownika";

const Case kCases[] = {
    {"~slow.3 a link to a file outside", false,
     [](const Paths& p) { Link(p.outside / "own.txt", p.slow / "~slow.3"); }, nullptr, kAdded},
    {".lock a link to a path outside", false,
     [](const Paths& p) { Link(p.outside / "absent", p.slow / ".lock"); }, nullptr,
     "slow/.lock: to jest dowiązanie symboliczne"},
    {".lock a named pipe", false,
     [](const Paths& p) { ASSERT_EQ(::mkfifo((p.slow / ".lock").c_str(), 0644), 0); }, nullptr,
     "slow/.lock: to jest potok nazwany (FIFO)"},
    {"slow.3 a link to another user's file", true,
     [](const Paths& p) {
       Replace(p.slow / "slow.3");
       Link(p.outside / "foreign.txt", p.slow / "slow.3");
     },
     nullptr, kForeign},
    {"slow.3 a link another user made", true,
     [](const Paths& p) {
       Replace(p.slow / "slow.3");
       Link(p.outside / "own.txt", p.slow / "slow.3");
       ASSERT_EQ(::lchown((p.slow / "slow.3").c_str(), kNobody, kNobody), 0);
     },
     nullptr, kForeign},
    {"slow itself a link to another user's folder", true,
     [](const Paths& p) {
       fs::remove_all(p.slow);
       Link(p.outside / "foreign-slow", p.slow);
     },
     nullptr, kForeign},
    {"slow.3 a named pipe", false,
     [](const Paths& p) {
       Replace(p.slow / "slow.3");
       ASSERT_EQ(::mkfifo((p.slow / "slow.3").c_str(), 0644), 0);
     },
     "slow.3: to jest potok nazwany (FIFO), a nie zwykły plik.", "slow.3: to jest potok nazwany (FIFO)"},
    {"~slow.3 a named pipe", false,
     [](const Paths& p) { ASSERT_EQ(::mkfifo((p.slow / "~slow.3").c_str(), 0644), 0); }, nullptr, kAdded},
    {"slow.3 a socket", false,
     [](const Paths& p) {
       Replace(p.slow / "slow.3");
       const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
       sockaddr_un address{};
       address.sun_family = AF_UNIX;
       const std::string at = (p.slow / "slow.3").string();
       ASSERT_LT(at.size(), sizeof address.sun_path);
       std::memcpy(address.sun_path, at.c_str(), at.size() + 1);
       ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
       ::close(s);
     },
     "slow.3: to jest gniazdo (socket), a nie zwykły plik.", "slow.3: to jest gniazdo (socket)"},
    {"slow.3 a link to /dev/zero", false,
     [](const Paths& p) {
       Replace(p.slow / "slow.3");
       Link("/dev/zero", p.slow / "slow.3");
     },
     "slow.3: to jest urządzenie, a nie zwykły plik.", "slow.3: to jest urządzenie"},
    {"slow.3 a link to /dev/null", false,
     [](const Paths& p) {
       Replace(p.slow / "slow.3");
       Link("/dev/null", p.slow / "slow.3");
     },
     "slow.3: to jest urządzenie, a nie zwykły plik.", "slow.3: to jest urządzenie"},
    {"slow.3 a sparse file of 50 GiB", false,
     [](const Paths& p) { ASSERT_EQ(::truncate((p.slow / "slow.3").c_str(), 50LL << 30), 0); },
     "slow.3: plik jest za duży (51200 MiB); program przyjmuje pliki słownika najwyżej 1 GiB",
     "slow.3: plik jest za duży (51200 MiB)"},
    {"~slow.3 a folder", false, [](const Paths& p) { fs::create_directory(p.slow / "~slow.3"); }, nullptr,
     "slow/~slow.3: to jest folder, a nie plik"},
    {"slow.3 a link to itself", false,
     [](const Paths& p) {
       Replace(p.slow / "slow.3");
       Link("slow.3", p.slow / "slow.3");
     },
     "slow.3: dowiązania symboliczne tworzą pętlę", "slow.3: dowiązania symboliczne tworzą pętlę"},
};

class HostileFolder : public ::testing::Test {
 protected:
  TempFolder folder;
  SearchMemory searchMemory;
  AddWordMemory addMemory;
  Paths paths{folder.path() / "slow", folder.path() / "outside"};

  void SetUp() override {
    ::alarm(60);  // a search or an addition that hangs ends the test as failed
    WriteBytes(paths.outside / "own.txt", kList);
    fs::permissions(paths.outside / "own.txt", fs::perms(0640));
    WriteBytes(paths.outside / "foreign.txt", kList);
    WriteBytes(paths.outside / "foreign-slow" / "slow.3", kList);
    if (::geteuid() == 0) {
      for (const char* name : {"foreign.txt", "foreign-slow", "foreign-slow/slow.3"})
        ASSERT_EQ(::chown((paths.outside / name).c_str(), kNobody, kNobody), 0);
    }
  }
  void TearDown() override {
    ::alarm(0);
    platform::SetFaultHook(nullptr);
  }
};

}  // namespace

TEST_F(HostileFolder, planted_links_and_special_files_are_refused_at_once_and_nothing_outside_changes) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.needsRoot && ::geteuid() != 0) {
      std::printf("skipped (needs root to give a file to another user): %s\n", c.name);
      continue;
    }
    fs::remove_all(paths.slow);
    WriteBytes(paths.slow / "slow.3", kList);
    c.plant(paths);
    const auto before = Snapshot(paths.outside);

    SearchRecorder search;
    auto start = std::chrono::steady_clock::now();
    PatternSearch(search, searchMemory, folder.path());
    EXPECT_LT(MillisecondsSince(start), 1000);
    if (c.searchMessage == nullptr) {
      EXPECT_EQ(search.messages, std::vector<std::string>{});
      EXPECT_EQ(search.results, (std::vector<std::string>{"kot", "kit"}));
    } else {
      ASSERT_EQ(search.messages.size(), 1u);
      EXPECT_NE(search.messages[0].find(c.searchMessage), std::string::npos) << search.messages[0];
    }
    EXPECT_TRUE(search.visible && search.enabled);

    AddRecorder add;
    start = std::chrono::steady_clock::now();
    AddWord(add, addMemory, folder.path());
    EXPECT_LT(MillisecondsSince(start), 1000);
    ASSERT_EQ(add.messages.size(), 1u);
    EXPECT_NE(add.messages[0].find(c.addMessage), std::string::npos) << add.messages[0];
    if (c.addMessage != kAdded) {
      EXPECT_NE(add.messages[0].find("Słownik nie został zmieniony."), std::string::npos) << add.messages[0];
    }

    EXPECT_EQ(Snapshot(paths.outside), before);
    EXPECT_FALSE(fs::exists(fs::symlink_status(paths.outside / "absent")));
  }
}

TEST_F(HostileFolder, a_link_to_a_file_of_the_users_own_is_written_through_and_kept) {
  fs::create_directories(paths.slow);
  const fs::path mine = folder.path() / "lists" / "trzy";
  WriteBytes(mine, kList);
  Link(mine, paths.slow / "slow.3");
  AddRecorder add;
  AddWord(add, addMemory, folder.path());
  EXPECT_EQ(add.messages, std::vector<std::string>{kAdded});
  EXPECT_TRUE(fs::is_symlink(paths.slow / "slow.3"));
  EXPECT_EQ(ReadBytes(mine), ListBytes({"kot", "kit", "kuk"}));
  EXPECT_FALSE(fs::exists(mine.parent_path() / "~trzy"));
}

TEST_F(HostileFolder, running_out_of_memory_is_told_and_the_window_is_back_as_it_was) {
  WriteBytes(paths.slow / "slow.3", kList);
  platform::SetFaultHook([](platform::FileStep step) -> std::error_code {
    if (step == platform::FileStep::Read) throw std::bad_alloc();
    return {};
  });
  SearchRecorder search;
  PatternSearch(search, searchMemory, folder.path());
  ASSERT_EQ(search.messages.size(), 1u);
  EXPECT_NE(search.messages[0].find("slow.3: za mało pamięci"), std::string::npos) << search.messages[0];
  EXPECT_TRUE(search.visible && search.enabled);

  AddRecorder add;
  AddWord(add, addMemory, folder.path());
  ASSERT_EQ(add.messages.size(), 1u);
  EXPECT_NE(add.messages[0].find("za mało pamięci"), std::string::npos) << add.messages[0];
  EXPECT_EQ(ReadBytes(paths.slow / "slow.3"), kList);
}

// Another user who may write into slow/ swaps a file at the worst instant
// (through the file layer's hook, at the step named): the addition reads,
// replaces and renames only the files it means to, says it added nothing,
// and nothing outside slow/ changes.
TEST_F(HostileFolder, files_swapped_at_the_worst_instant_are_caught_and_nothing_is_reported_added) {
  // Puts a new entry in place of name in one step, as a rename does.
  const auto swapIn = [this](const char* name, const std::function<void(const fs::path&)>& make) {
    const fs::path side = paths.slow / "side";
    make(side);
    fs::rename(side, paths.slow / name);
  };
  const auto linkOut = [this](const fs::path& at) { Link(paths.outside / "own.txt", at); };
  struct Swap {
    const char* name;
    platform::FileStep at;
    const char* entry;  // slow.3 or ~slow.3
    std::function<void(const fs::path&)> make;
    const char* message;
    const char* listAfter;  // slow.3's bytes afterwards; nullptr: not looked at
  };
  const Swap swaps[] = {
      {"slow.3 a link to an outside list as it is opened", platform::FileStep::OpenRead, "slow.3", linkOut,
       "slow.3: to jest dowiązanie symboliczne", nullptr},
      {"~slow.3 a link after it was written", platform::FileStep::Close, "~slow.3", linkOut,
       "nowy plik podmienił inny program, zanim", kList.c_str()},
      {"~slow.3 a link as it is renamed", platform::FileStep::Replace, "~slow.3", linkOut,
       "nowy plik podmienił inny program w chwili", nullptr},
  };
  for (const Swap& c : swaps) {
    SCOPED_TRACE(c.name);
    fs::remove_all(paths.slow);
    WriteBytes(paths.slow / "slow.3", kList);
    const auto before = Snapshot(paths.outside);
    bool swapped = false;
    platform::SetFaultHook([&](platform::FileStep step) -> std::error_code {
      if (step == c.at && !swapped) {
        swapped = true;
        swapIn(c.entry, c.make);
      }
      return {};
    });
    AddRecorder add;
    AddWord(add, addMemory, folder.path());
    platform::SetFaultHook(nullptr);
    EXPECT_TRUE(swapped);
    ASSERT_EQ(add.messages.size(), 1u);
    EXPECT_NE(add.messages[0].find(c.message), std::string::npos) << add.messages[0];
    EXPECT_EQ(add.messages[0].find(kAdded), std::string::npos);
    if (c.listAfter != nullptr) {
      EXPECT_EQ(ReadBytes(paths.slow / "slow.3"), c.listAfter);
    }
    EXPECT_EQ(Snapshot(paths.outside), before);
  }
}

#endif
