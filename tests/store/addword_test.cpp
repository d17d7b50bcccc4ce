#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "addword.h"
#include "chunkreader.h"
#include "platform.h"
#include "testutil.h"

using namespace wypelniak;
using wypelniak::testing::ListBytes;
using wypelniak::testing::ReadBytes;
using wypelniak::testing::TempFolder;
using wypelniak::testing::WriteBytes;

namespace {

using Strings = std::vector<std::string>;

// Records every call the addition makes, in order.
class RecordingView : public AddWordView {
 public:
  std::string word;
  Strings calls;
  Strings messages;

  std::string WordText() override { return word; }
  void ShowMessage(std::string_view text, std::string_view title, MessageIcon icon) override {
    const char* iconName = icon == MessageIcon::None ? "none" : icon == MessageIcon::Exclamation ? "!" : "i";
    messages.emplace_back(text);
    calls.push_back("message[" + std::string(title) + "|" + iconName + "]");
  }
  void SelectWordText() override { calls.push_back("select"); }
  void FocusWord() override { calls.push_back("focus"); }
  void ProcessPendingEvents() override { calls.push_back("events"); }

  bool Added() const { return !calls.empty() && calls.size() >= 3 && calls[calls.size() - 3] == "message[Dodałem wyraz|i]"; }
};

const Strings kRefused = {"message[Błąd|!]", "select", "focus"};
const Strings kAdded = {"events", "events", "events", "message[Dodałem wyraz|i]", "select", "focus"};

class Addition : public ::testing::Test {
 protected:
  TempFolder folder;

  std::filesystem::path List(int n) const { return WordListPath(n, folder.path()); }
  void Write(int n, std::string_view bytes) { WriteBytes(List(n), bytes); }

  RecordingView Add(std::string word) {
    RecordingView view;
    view.word = std::move(word);
    AddWordMemory memory;
    AddWord(view, memory, folder.path());
    return view;
  }

  void TearDown() override { platform::SetFaultHook(nullptr); }
};

}  // namespace

TEST_F(Addition, appends_the_word_and_raises_the_count) {
  Write(3, ListBytes({"kot", "kąt"}));
  const RecordingView view = Add("kit");
  EXPECT_EQ(view.calls, kAdded);
  EXPECT_EQ(view.messages, Strings{"Wyraz (kit) został dodany do słownika"});
  EXPECT_EQ(ReadBytes(List(3)), ListBytes({"kot", "kąt", "kit"}));
  EXPECT_FALSE(std::filesystem::exists(TempListPath(3, folder.path())));
}

TEST_F(Addition, refusals_change_nothing_and_select_the_word) {
  Write(2, ListBytes({"ab"}));
  const std::string before = ReadBytes(List(2));
  struct Case {
    std::string word;
    const char* message;
  };
  const Case cases[] = {
      {"", "Nic nie wpisałeś"},
      {"a", "Nie można dodawać do słownika wyrazów krótszych niż dwuznakowych"},
      {"ą", "Nie można dodawać do słownika wyrazów krótszych niż dwuznakowych"},
      {std::string(23, 'a'), "Nie można dodawać do słownika wyrazów dłuższych niż te, które mają 22 znaki"},
      {std::string(10000, 'a'), "Nie można dodawać do słownika wyrazów dłuższych niż te, które mają 22 znaki"},
      {"Ab", "Wpisany wyraz (Ab) jest już w słowniku!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word.substr(0, 30));
    const RecordingView view = Add(c.word);
    EXPECT_EQ(view.calls, kRefused);
    EXPECT_EQ(view.messages, Strings{c.message});
  }
  EXPECT_EQ(ReadBytes(List(2)), before);
}

TEST_F(Addition, twenty_two_characters_are_accepted) {
  Write(22, "0\r\n");
  const std::string word = "ź" + std::string(21, 'x');
  EXPECT_EQ(Add(word).calls, kAdded);
  EXPECT_EQ(ReadBytes(List(22)), ListBytes({word}));
}

TEST_F(Addition, duplicates_are_found_with_both_sides_in_polish_lower_case) {
  Write(4, ListBytes({"żółw", "łąka", "Kura"}));
  const std::string before = ReadBytes(List(4));
  for (const std::string word : {"ŻÓŁW", "Łąka", "Kura", "kura", "KURA"})
    EXPECT_EQ(Add(word).messages, Strings{"Wpisany wyraz (" + word + ") jest już w słowniku!"});
  EXPECT_EQ(ReadBytes(List(4)), before);
  // A word typed again, in either case, goes in once, as first typed.
  Write(7, "0\r\n");
  EXPECT_EQ(Add("Wąwózek").calls, kAdded);
  EXPECT_EQ(Add("Wąwózek").calls, kRefused);
  EXPECT_EQ(Add("wąwózek").calls, kRefused);
  EXPECT_EQ(ReadBytes(List(7)), ListBytes({"Wąwózek"}));
}

// A line the search reads otherwise would put the new word beyond the count
// the search goes by: the addition names the line and the command that mends
// the file, and writes nothing.
TEST_F(Addition, a_file_the_search_reads_otherwise_is_refused_naming_the_line) {
  std::string longFile = "30001\r\n";
  for (int i = 0; i < 30000; ++i) longFile += "kot\r\n";  // past the first chunk
  longFile += "k,t\r\n";
  struct Case {
    std::string file;
    const char* says;
  };
  const Case cases[] = {
      {"2\r\nkot\r\na,b\r\n", "wiersz 3 („a,b”): przecinek (znak 2)"},
      {"2\r\n\"ko\r\nkit\"\r\n", "wiersz 2 („\"ko”): cudzysłów na początku"},
      {"1\r\n kt\r\n", "wiersz 2 („ kt”): odstęp na początku"},
      {"2\r\nkot\nkit,\r\n", "wiersz 2 („kot?kit,”): przecinek (znak 8)"},
      {longFile, "wiersz 30002 („k,t”)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    Write(3, c.file);
    const RecordingView view = Add("kuk");
    EXPECT_EQ(view.calls, kRefused);
    ASSERT_EQ(view.messages.size(), 1u);
    for (const std::string& part :
         {std::string(c.says), RepairCommand(List(3)), std::string("nie został zmieniony")})
      EXPECT_NE(view.messages[0].find(part), std::string::npos) << view.messages[0];
    EXPECT_EQ(ReadBytes(List(3)), c.file);
  }
}

TEST_F(Addition, the_word_is_stored_as_typed) {
  Write(3, ListBytes({"kot"}));
  EXPECT_EQ(Add("ŁÓD").calls, kAdded);
  EXPECT_EQ(ReadBytes(List(3)), ListBytes({"kot", "ŁÓD"}));
}

TEST_F(Addition, words_that_cannot_be_stored_are_refused) {
  Write(3, ListBytes({"kot"}));
  Write(4, ListBytes({"kota"}));
  const std::string before3 = ReadBytes(List(3));
  const std::string before4 = ReadBytes(List(4));
  for (const std::string word : {"k\nt", "k\tt", "k\rt", "k\xC2\x85t", "kкt", "k😀t", "ко"}) {
    SCOPED_TRACE(word);
    const RecordingView view = Add(word);
    EXPECT_EQ(view.calls, kRefused);
    EXPECT_NE(view.messages.at(0).find("nie można zapisać"), std::string::npos) << view.messages[0];
  }
  EXPECT_EQ(ReadBytes(List(3)), before3);
  EXPECT_EQ(ReadBytes(List(4)), before4);
}

TEST_F(Addition, a_wrong_count_is_repaired_and_a_damaged_one_refused) {
  Write(3, "5\r\nkot\r\nkit\r\n");
  EXPECT_EQ(Add("kat").calls, kAdded);
  EXPECT_EQ(ReadBytes(List(3)), ListBytes({"kot", "kit", "kat"}));

  for (const char* damaged : {"abc\r\nkot\r\n", "", "3\nkot\nkit\nkat\n", "1\r\nkąt\r\n"}) {
    Write(3, damaged);
    const RecordingView view = Add("kuk");
    EXPECT_EQ(view.calls, kRefused);
    EXPECT_NE(view.messages.at(0).find("nie został zmieniony"), std::string::npos) << view.messages[0];
    EXPECT_EQ(ReadBytes(List(3)), damaged);
  }
}

TEST_F(Addition, old_lines_are_kept_and_every_line_ends_in_cr_lf) {
  // Lines once ended by a lone CR, and a last line with no end at all (it
  // grows by two bytes: the new file is larger than the old lines plus one
  // byte a line).
  for (const char* old : {"2\rkot\r\nkit", "1\r\nkot", "2\r\nkot\rkit"}) {
    SCOPED_TRACE(old);
    Write(3, old);
    EXPECT_EQ(Add("kat").calls, kAdded);
    const std::string kept = std::string(old).find("kit") != std::string::npos ? "kit\r\n" : "";
    EXPECT_EQ(ReadBytes(List(3)), std::to_string(kept.empty() ? 2 : 3) + "\r\nkot\r\n" + kept + "kat\r\n");
  }
}

TEST_F(Addition, a_missing_file_or_folder_is_reported_and_nothing_created) {
  RecordingView noFolder = Add("kot");
  EXPECT_EQ(noFolder.calls, kRefused);
  EXPECT_NE(noFolder.messages[0].find("folderu słownika"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "slow"));

  std::filesystem::create_directories(folder.path() / "slow");
  RecordingView noFile = Add("kot");
  EXPECT_EQ(noFile.calls, kRefused);
  EXPECT_NE(noFile.messages[0].find("plik nie istnieje"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(List(3)));
  EXPECT_FALSE(std::filesystem::exists(TempListPath(3, folder.path())));
}

TEST_F(Addition, a_copy_left_by_a_crash_is_replaced_and_removed) {
  Write(3, ListBytes({"kot"}));
  WriteBytes(TempListPath(3, folder.path()), "garbage");
  EXPECT_EQ(Add("kit").calls, kAdded);
  EXPECT_EQ(ReadBytes(List(3)), ListBytes({"kot", "kit"}));
  EXPECT_FALSE(std::filesystem::exists(TempListPath(3, folder.path())));
}

// Every file operation of an addition, failing in turn with each error: the
// user is told, the file stays byte for byte as it was, and no temporary
// file remains. Past the last operation the addition succeeds.
TEST_F(Addition, any_failing_file_operation_leaves_the_file_as_it_was) {
  // A sound file, whose lines are copied, and one with a line ended by a
  // lone CR, which is rebuilt in memory.
  for (const std::string& old : {ListBytes({"kot", "kąt"}), std::string("2\r\nkot\rk\xB9t\r\n")})
    for (const int err : {ENOSPC, EIO, EACCES}) {
      bool reachedSuccess = false;
      for (int k = 1; k < 100 && !reachedSuccess; ++k) {
        SCOPED_TRACE("errno " + std::to_string(err) + ", operation " + std::to_string(k));
        Write(3, old);
        const std::string before = ReadBytes(List(3));
        int calls = 0;
        platform::FileStep failed{};
        platform::SetFaultHook([&](platform::FileStep step) -> std::error_code {
          if (++calls != k) return {};
          failed = step;
          return {err, std::generic_category()};
        });
        const RecordingView view = Add("kit");
        platform::SetFaultHook(nullptr);
        EXPECT_FALSE(std::filesystem::exists(TempListPath(3, folder.path())));
        if (calls < k) {
          reachedSuccess = true;
          EXPECT_TRUE(view.Added());
          EXPECT_EQ(ReadBytes(List(3)), ListBytes({"kot", "kąt", "kit"}));
          EXPECT_GE(k, 9) << "fewer file operations than expected";
        } else {
          EXPECT_EQ(view.calls.end()[-3], "message[Błąd|!]") << "step " << static_cast<int>(failed);
          EXPECT_FALSE(view.Added());
          EXPECT_EQ(ReadBytes(List(3)), before) << "step " << static_cast<int>(failed);
        }
      }
      EXPECT_TRUE(reachedSuccess);
    }
}

TEST_F(Addition, a_full_disk_is_named_in_the_message) {
  Write(3, ListBytes({"kot"}));
  platform::SetFaultHook([](platform::FileStep step) -> std::error_code {
    if (step == platform::FileStep::Write) return std::make_error_code(std::errc::no_space_on_device);
    return {};
  });
  const RecordingView view = Add("kit");
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("brak miejsca na dysku"), std::string::npos) << view.messages[0];
  EXPECT_NE(view.messages[0].find("nie został zmieniony"), std::string::npos);
}

TEST_F(Addition, the_new_word_is_found_by_the_next_search_read) {
  Write(5, ListBytes({"kotek"}));
  EXPECT_EQ(Add("Łątka").calls, kAdded);
  // Read it back with the rules the search uses.
  const std::string bytes = ReadBytes(List(5));
  CountedReader reader(bytes);
  std::string_view value;
  ASSERT_TRUE(reader.Next(value));
  EXPECT_EQ(value, "2");
  ASSERT_TRUE(reader.Next(value));
  ASSERT_TRUE(reader.Next(value));
  EXPECT_EQ(Cp1250ToUtf8(value), "Łątka");
}

TEST(folder_lock, a_held_lock_keeps_others_waiting_until_it_is_let_go) {
  TempFolder folder;
  const std::filesystem::path lockFile = folder.path() / ".lock";
  platform::FolderLock first, second;
  ASSERT_FALSE(first.Acquire(lockFile, std::chrono::milliseconds(0)));
  EXPECT_EQ(second.Acquire(lockFile, std::chrono::milliseconds(50)), std::errc::device_or_resource_busy);
  first.Release();
  EXPECT_FALSE(second.Acquire(lockFile, std::chrono::milliseconds(0)));
}

TEST_F(Addition, a_busy_lock_is_reported_and_nothing_is_written) {
  Write(3, ListBytes({"kot"}));
  const std::string before = ReadBytes(List(3));
  platform::SetFaultHook([](platform::FileStep step) -> std::error_code {
    if (step == platform::FileStep::Lock) return std::make_error_code(std::errc::device_or_resource_busy);
    return {};
  });
  const RecordingView view = Add("kit");
  EXPECT_EQ(view.calls, kRefused);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("przez inną kopię programu"), std::string::npos) << view.messages[0];
  EXPECT_EQ(ReadBytes(List(3)), before);
}

// A file longer than one chunk of the addition's reading, the word's line
// standing across the chunk's end at each of its five places (the count
// line's blanks move it): the word is found there, and a new word is added
// with every old line kept as it was.
TEST_F(Addition, words_across_the_end_of_a_chunk_are_seen_and_kept) {
  constexpr std::size_t kChunk = ListChunkBytes;
  for (int shift = 0; shift < 5; ++shift) {
    SCOPED_TRACE("shift " + std::to_string(shift));
    const std::size_t countLine = static_cast<std::size_t>(shift) + 7;  // blanks, five digits, CR LF
    const std::size_t across = (kChunk - countLine) / 5;                // the line over the chunk's end
    std::string lines;
    for (std::size_t i = 0; i < across + 100; ++i) lines += i == across ? "kot\r\n" : "abc\r\n";
    const std::string count = std::to_string(across + 100);
    Write(3, std::string(static_cast<std::size_t>(shift), ' ') + count + "\r\n" + lines);
    const std::string before = ReadBytes(List(3));
    EXPECT_EQ(Add("kot").messages, Strings{"Wpisany wyraz (kot) jest już w słowniku!"});
    EXPECT_EQ(ReadBytes(List(3)), before);
    EXPECT_TRUE(Add("kit").Added());
    EXPECT_EQ(ReadBytes(List(3)), std::to_string(across + 101) + "\r\n" + lines + "kit\r\n");
  }
}

// The old file gets shorter between its reading and the copying of its
// lines (a program that ignores the lock truncates it): the addition says so
// and puts nothing in its place.
TEST_F(Addition, a_file_cut_short_while_added_to_is_not_replaced) {
  Write(3, ListBytes({"kot", "kąt"}));
  platform::SetFaultHook([this](platform::FileStep step) -> std::error_code {
    if (step == platform::FileStep::Write) std::filesystem::resize_file(List(3), 3);
    return {};
  });
  const RecordingView view = Add("kit");
  platform::SetFaultHook(nullptr);
  EXPECT_EQ(view.calls.end()[-3], "message[Błąd|!]");
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.messages[0].find("zmienił się podczas dodawania"), std::string::npos) << view.messages[0];
  EXPECT_EQ(ReadBytes(List(3)).size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(TempListPath(3, folder.path())));
}

// A program that ignores the lock writes to the file after the addition
// looked it over (longer, or as long with a newer time): the addition says
// so and puts nothing in its place, rather than copying lines it did not
// count. Also for a file that is rebuilt in memory.
TEST_F(Addition, a_file_changed_while_added_to_is_not_replaced) {
  struct Case {
    std::string old;
    platform::FileStep when;
    std::string changed;
  };
  const Case cases[] = {
      {ListBytes({"kot", "kąt"}), platform::FileStep::Write, "2\r\nkot\r\nkotek\r\nxyz\r\n"},
      {ListBytes({"kot", "kąt"}), platform::FileStep::Write, ListBytes({"kok", "kąt"})},
      {"2\r\nkot\rk\xB9t\r\n", platform::FileStep::CheckWritable, "2\r\nkot\rk\xB9t\r\nzzz\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.changed);
    Write(3, c.old);
    // An old time, so that a rewrite of the same length shows in the time.
    std::filesystem::last_write_time(List(3),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    bool done = false;
    platform::SetFaultHook([&](platform::FileStep step) -> std::error_code {
      if (step == c.when && !done) {
        done = true;
        std::ofstream(List(3), std::ios::binary | std::ios::in | std::ios::out) << c.changed;
      }
      return {};
    });
    const RecordingView view = Add("kit");
    platform::SetFaultHook(nullptr);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find("zmienił się podczas dodawania"), std::string::npos) << view.messages[0];
    EXPECT_EQ(ReadBytes(List(3)).substr(0, c.changed.size()), c.changed);
    EXPECT_FALSE(std::filesystem::exists(TempListPath(3, folder.path())));
  }
}

#ifndef _WIN32
// The replaced file is closed on a thread of its own; it must be closed,
// or every addition would keep a whole old list on the disk.
TEST_F(Addition, the_replaced_file_is_let_go_of) {
  const auto heldDeleted = [] {
    int held = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
      std::error_code ec;
      const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
      held += target.find("slow.3 (deleted)") != std::string::npos ? 1 : 0;
    }
    return held;
  };
  Write(3, ListBytes({"kot"}));
  for (const char* word : {"kit", "kat", "kut"}) ASSERT_TRUE(Add(word).Added());
  for (int i = 0; i < 500 && heldDeleted() > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(heldDeleted(), 0);
}
#endif
