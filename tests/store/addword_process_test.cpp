// Additions in real processes: killed at a random instant, and two at once.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform.h"
#include "testutil.h"
#include "wordlist.h"

using namespace wypelniak;
using wypelniak::testing::ReadBytes;
using wypelniak::testing::TempFolder;
using wypelniak::testing::WriteBytes;

#ifndef _WIN32
namespace {

// Starts the harness adding words; returns its process id.
pid_t StartHarness(const std::filesystem::path& programFolder, const std::vector<std::string>& words) {
  std::vector<std::string> args = {ADDWORD_HARNESS, programFolder.string()};
  args.insert(args.end(), words.begin(), words.end());
  std::fflush(nullptr);  // or the child would write out the parent's buffered output again
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (!freopen("/dev/null", "w", stdout)) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

// The words of a file, after checking that its count matches its lines and
// every line ends in CR LF. Empty with a failure when it does not.
std::vector<std::string> CheckedWords(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", pos);
    if (end == std::string::npos) {
      ADD_FAILURE() << "a line without CR LF at byte " << pos;
      return {};
    }
    lines.push_back(bytes.substr(pos, end - pos));
    pos = end + 2;
  }
  if (lines.empty()) {
    ADD_FAILURE() << "empty file";
    return {};
  }
  EXPECT_EQ(lines[0], std::to_string(lines.size() - 1)) << "count line";
  return {lines.begin() + 1, lines.end()};
}

// A word list of n twelve-letter words.
std::string SyntheticList(int n) {
  std::string bytes = std::to_string(n) + "\r\n";
  std::string word = "aaaaaaaaaaaa";
  for (int i = 0; i < n; ++i) {
    int v = i;
    for (int k = 11; k >= 0 && v > 0; --k, v /= 26) word[k] = static_cast<char>('a' + v % 26);
    bytes += word + "\r\n";
  }
  return bytes;
}

}  // namespace

// Kills an addition at random instants; the file must always be the old one
// or the old one with the word. WYPELNIAK_CRASH_TRIALS sets the number of
// trials and WYPELNIAK_CRASH_LIST a real slow.12 to copy.
TEST(add_word_processes, a_killed_addition_leaves_the_old_or_the_new_file) {
  const char* trialsEnv = std::getenv("WYPELNIAK_CRASH_TRIALS");
  const char* listEnv = std::getenv("WYPELNIAK_CRASH_LIST");
  const int trials = trialsEnv ? std::atoi(trialsEnv) : 30;
  const std::string original = listEnv ? ReadBytes(listEnv) : SyntheticList(100000);
  ASSERT_FALSE(original.empty());

  TempFolder folder;
  const std::filesystem::path list = WordListPath(12, folder.path());
  const std::filesystem::path temp = TempListPath(12, folder.path());
  const std::string word = "zzzzzzzzzzzy";
  const std::string withWord = [&] {
    std::vector<std::string> words = CheckedWords(original);
    std::string b = std::to_string(words.size() + 1) + "\r\n";
    for (const std::string& w : words) b += w + "\r\n";
    return b + word + "\r\n";
  }();

  // How long one whole addition takes, to spread the kills over it.
  WriteBytes(list, original);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(StartHarness(folder.path(), {word})), 0);
  const auto whole = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(ReadBytes(list), withWord);
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(whole).count();

  std::mt19937 random(12345);
  int killed = 0, midWrite = 0, corrupted = 0, finished = 0;
  for (int t = 0; t < trials; ++t) {
    WriteBytes(list, original);
    const pid_t pid = StartHarness(folder.path(), {word});
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (span + 1)));
    kill(pid, SIGKILL);
    const int status = Wait(pid);
    if (WIFSIGNALED(status))
      ++killed;
    else
      ++finished;
    if (std::filesystem::exists(temp)) {
      ++midWrite;
      std::filesystem::remove(temp);
    }
    const std::string after = ReadBytes(list);
    if (after != original && after != withWord) ++corrupted;
  }
  std::printf("trials %d, killed %d (with the new file half-written %d), finished %d, corrupted %d\n", trials,
              killed, midWrite, finished, corrupted);
  EXPECT_EQ(corrupted, 0);
  EXPECT_GT(killed, 0);
  // A lock left by the killed processes does not block the next addition.
  WriteBytes(list, original);
  EXPECT_EQ(Wait(StartHarness(folder.path(), {word})), 0);
  EXPECT_EQ(ReadBytes(list), withWord);
}

TEST(add_word_processes, two_processes_adding_at_once_lose_no_word) {
  TempFolder folder;
  const std::filesystem::path list = WordListPath(6, folder.path());
  WriteBytes(list, SyntheticList(0));
  std::vector<std::string> first, second;
  for (int i = 0; i < 200; ++i) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "a%05d", i);
    first.emplace_back(buffer);
    std::snprintf(buffer, sizeof buffer, "b%05d", i);
    second.emplace_back(buffer);
  }
  const pid_t a = StartHarness(folder.path(), first);
  const pid_t b = StartHarness(folder.path(), second);
  const int statusA = Wait(a);
  const int statusB = Wait(b);
  EXPECT_TRUE(WIFEXITED(statusA) && WEXITSTATUS(statusA) == 0);
  EXPECT_TRUE(WIFEXITED(statusB) && WEXITSTATUS(statusB) == 0);

  const std::vector<std::string> words = CheckedWords(ReadBytes(list));
  EXPECT_EQ(words.size(), 400u);
  const std::set<std::string> distinct(words.begin(), words.end());
  EXPECT_EQ(distinct.size(), words.size()) << "a word was written twice";
  for (const auto* group : {&first, &second})
    for (const std::string& w : *group) EXPECT_TRUE(distinct.count(w)) << w << " was lost";
  EXPECT_FALSE(std::filesystem::exists(TempListPath(6, folder.path())));
}
// A waiter waits in the system's queue (the hook marks each wait): it asks
// once however long it waits, gives up at its time limit, and has the lock
// as soon as the holder lets go. (Linux only: under Wine 8 a lock request
// that has to wait was never granted.)
TEST(folder_lock, a_waiter_asks_once_and_gets_the_lock_as_it_is_let_go) {
  TempFolder folder;
  const std::filesystem::path lockFile = folder.path() / ".lock";
  for (const bool letGo : {false, true}) {
    SCOPED_TRACE(letGo ? "let go while waited for" : "held past the time limit");
    platform::FolderLock holder, waiter;
    ASSERT_FALSE(holder.Acquire(lockFile, std::chrono::milliseconds(0)));
    int waits = 0;
    std::thread release;
    platform::SetFaultHook([&](platform::FileStep step) -> std::error_code {
      if (step == platform::FileStep::LockWait && ++waits == 1 && letGo)
        release = std::thread([&holder] {
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
          holder.Release();
        });
      return {};
    });
    const std::error_code ec = waiter.Acquire(lockFile, std::chrono::milliseconds(letGo ? 60000 : 200));
    platform::SetFaultHook(nullptr);
    if (release.joinable()) release.join();
    EXPECT_EQ(waits, 1);
    if (letGo) {
      EXPECT_FALSE(ec) << ec.message();
    } else {
      EXPECT_EQ(ec, std::errc::device_or_resource_busy);
    }
  }
}

#endif
