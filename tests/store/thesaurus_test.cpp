#include "thesaurus.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "charsets.h"
#include "cp1250.h"
#include "platform.h"
#include "testutil.h"
#include "wordlist.h"

namespace wypelniak {
namespace {

using testing::TempFolder;
using testing::WriteBytes;
using Strings = std::vector<std::string>;

// UTF-8 Polish text in ISO-8859-2, the thesaurus's encoding: Windows-1250
// with the six letters that differ put back.
std::string Latin2(std::string_view utf8) {
  std::string bytes = *Utf8ToCp1250(utf8);
  for (char& b : bytes) {
    switch (static_cast<unsigned char>(b)) {
      case 0xB9: b = static_cast<char>(0xB1); break;  // ą
      case 0x9C: b = static_cast<char>(0xB6); break;  // ś
      case 0x9F: b = static_cast<char>(0xBC); break;  // ź
      case 0xA5: b = static_cast<char>(0xA1); break;  // Ą
      case 0x8C: b = static_cast<char>(0xA6); break;  // Ś
      case 0x8F: b = static_cast<char>(0xAC); break;  // Ź
    }
  }
  return bytes;
}

struct Entry {
  std::string headword;
  Strings meanings;
};

// Writes an index and a data file for entries (UTF-8) into folder, as the
// packaged thesaurus has them.
void WriteThesaurus(const std::filesystem::path& folder, const std::vector<Entry>& entries) {
  std::string data = "ISO8859-2\n";
  std::string index = "ISO8859-2\n" + std::to_string(entries.size()) + "\n";
  for (const Entry& e : entries) {
    index += Latin2(e.headword) + "|" + std::to_string(data.size()) + "\n";
    data += Latin2(e.headword) + "|" + std::to_string(e.meanings.size()) + "\n";
    for (const std::string& m : e.meanings) data += Latin2(m) + "\n";
  }
  WriteBytes(folder / ThesaurusIndexName, index);
  WriteBytes(folder / ThesaurusDataName, data);
}

// In the order of the bytes of the headwords, as the packaged index is, so
// that a capital stands where its lower case would not.
const std::vector<Entry> kSample = {
    {"Zebra", {"-|koń pręgowany"}},
    {"kot",
     {"-|kotowaty (specjalist.)|kocur (pojęcie podrzędne)|mruczek (pot.) (pojęcie podrzędne)|ssak (pojęcie "
      "nadrzędne)"}},
    {"pies",
     {"(rzeczownik)|psina|kundel (pojęcie podrzędne)", "-|glina (pot.) (pojęcie nadrzędne)|kot (antonim)"}},
    {"Żółw", {"-|gad (pojęcie nadrzędne)"}},
    {"żółw", {"-|skorupiak (żart.)"}},
};

TEST(ThesaurusMeaning, SortsTermsByTheirRelationNotes) {
  struct Case {
    std::string line;
    std::string description;
    Strings synonyms, broader, narrower, antonyms;
  };
  const Case cases[] = {
      {"-|i|natomiast (książk.)", "", {"i", "natomiast (książk.)"}, {}, {}, {}},
      {"(rzeczownik)|klosz|wyrób (pojęcie nadrzędne)", "rzeczownik", {"klosz"}, {"wyrób"}, {}, {}},
      {"-|ojczulek (pot.) (pojęcie nadrzędne)|kocur (pojęcie podrzędne) |zły (antonim)",
       "",
       {},
       {"ojczulek (pot.)"},
       {"kocur"},
       {"zły"}},
      {"-||  |(pot.)|a (b) c", "", {"(pot.)", "a (b) c"}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    const ThesaurusMeaning m = ParseThesaurusMeaning(c.line);
    EXPECT_EQ(m.description, c.description) << c.line;
    EXPECT_EQ(m.synonyms, c.synonyms) << c.line;
    EXPECT_EQ(m.broader, c.broader) << c.line;
    EXPECT_EQ(m.narrower, c.narrower) << c.line;
    EXPECT_EQ(m.antonyms, c.antonyms) << c.line;
  }
}

TEST(Thesaurus, FindsEntriesWhateverTheCaseOfTheWord) {
  TempFolder folder;
  WriteThesaurus(folder.path(), kSample);
  Thesaurus thesaurus = Thesaurus::InFolder(folder.path());
  struct Case {
    std::string word;
    LookupStatus status;
    Strings headwords;
    std::size_t meaningsOfFirst;
  };
  const Case cases[] = {
      {"kot", LookupStatus::Found, {"kot"}, 1},           {"PIES", LookupStatus::Found, {"pies"}, 2},
      {"żółw", LookupStatus::Found, {"żółw", "Żółw"}, 1}, {"Żółw", LookupStatus::Found, {"Żółw", "żółw"}, 1},
      {"kotami", LookupStatus::NotFound, {}, 0},          {"", LookupStatus::NotFound, {}, 0},
  };
  for (const Case& c : cases) {
    const ThesaurusLookup r = thesaurus.Lookup(c.word);
    EXPECT_EQ(r.status, c.status) << c.word;
    Strings headwords;
    for (const ThesaurusEntry& e : r.entries) headwords.push_back(e.headword);
    EXPECT_EQ(headwords, c.headwords) << c.word;
    if (!r.entries.empty()) {
      EXPECT_EQ(r.entries[0].meanings.size(), c.meaningsOfFirst) << c.word;
    }
  }
  const ThesaurusLookup pies = thesaurus.Lookup("pies");
  ASSERT_EQ(pies.entries.size(), 1u);
  EXPECT_EQ(pies.entries[0].meanings[0].description, "rzeczownik");
  EXPECT_EQ(pies.entries[0].meanings[1].broader, Strings{"glina (pot.)"});
  EXPECT_EQ(pies.entries[0].meanings[1].antonyms, Strings{"kot"});
}

TEST(Thesaurus, ReadsTheIndexOnceAndOnlyTheEntryFromTheData) {
  TempFolder folder;
  WriteThesaurus(folder.path(), kSample);
  Thesaurus thesaurus = Thesaurus::InFolder(folder.path());
  EXPECT_FALSE(thesaurus.IndexLoaded());
  ASSERT_EQ(thesaurus.Lookup("kot").status, LookupStatus::Found);
  EXPECT_EQ(thesaurus.Size(), kSample.size());
  // Later lookups do without the index file, and an entry is read whole even
  // when it is longer than one reading of the data file.
  std::filesystem::remove(folder.path() / ThesaurusIndexName);
  EXPECT_EQ(thesaurus.Lookup("pies").status, LookupStatus::Found);

  std::string longLine = "-";
  for (int i = 0; i < 20000; ++i) longLine += "|wyraz" + std::to_string(i);
  TempFolder big;
  WriteThesaurus(big.path(), {{"duży", {longLine, longLine, "-|ostatni"}}});
  const ThesaurusLookup r = Thesaurus::InFolder(big.path()).Lookup("duży");
  ASSERT_EQ(r.status, LookupStatus::Found);
  ASSERT_EQ(r.entries[0].meanings.size(), 3u);
  EXPECT_EQ(r.entries[0].meanings[1].synonyms.size(), 20000u);
  EXPECT_EQ(r.entries[0].meanings[2].synonyms, Strings{"ostatni"});
}

TEST(Thesaurus, DamagedOrMissingFilesGiveAMessageNamingTheFile) {
  const std::string dataOfKot = "ISO8859-2\nkot|1\n-|kocur\n";
  struct Case {
    std::string name;
    std::string index;  // "" leaves the file out, "/" makes it a folder
    std::string data;
    std::string word;
    std::string named;  // the file the message names
  };
  const Case cases[] = {
      {"no index", "", dataOfKot, "kot", ThesaurusIndexName},
      {"no data", "ISO8859-2\n1\nkot|10\n", "", "kot", ThesaurusDataName},
      {"index is a folder", "/", dataOfKot, "kot", ThesaurusIndexName},
      {"empty index", "\n", dataOfKot, "kot", ThesaurusIndexName},
      {"unknown encoding", "EBCDIC\n1\nkot|10\n", dataOfKot, "kot", ThesaurusIndexName},
      {"absurd count", "ISO8859-2\n99999999999\nkot|10\n", dataOfKot, "kot", ThesaurusIndexName},
      {"line without offset", "ISO8859-2\n1\nkot\n", dataOfKot, "kot", ThesaurusIndexName},
      {"offset past the data", "ISO8859-2\n1\nkot|100000\n", dataOfKot, "kot", ThesaurusIndexName},
      {"data in another encoding", "ISO8859-2\n1\nkot|10\n", "UTF-8\nkot|1\n-|kocur\n", "kot",
       ThesaurusDataName},
      {"offset at another entry", "ISO8859-2\n1\nkot|16\n", dataOfKot, "kot", ThesaurusDataName},
      {"fewer meanings than counted", "ISO8859-2\n1\nkot|10\n", "ISO8859-2\nkot|3\n-|kocur\n", "kot",
       ThesaurusDataName},
      {"absurd meaning count", "ISO8859-2\n1\nkot|10\n", "ISO8859-2\nkot|4000000000\n-|kocur\n", "kot",
       ThesaurusDataName},
      {"invalid UTF-8", "UTF-8\n1\nk\xF0t|6\n", "UTF-8\nk\xF0t|1\n-|kocur\n", "k\xF0t", ThesaurusIndexName},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    if (c.index == "/")
      std::filesystem::create_directories(folder.path() / ThesaurusIndexName);
    else if (!c.index.empty())
      WriteBytes(folder.path() / ThesaurusIndexName, c.index);
    if (!c.data.empty()) WriteBytes(folder.path() / ThesaurusDataName, c.data);
    const ThesaurusLookup r = Thesaurus::InFolder(folder.path()).Lookup(c.word);
    EXPECT_EQ(r.status, LookupStatus::Unavailable) << c.name;
    EXPECT_TRUE(r.entries.empty()) << c.name;
    EXPECT_NE(r.error.find((folder.path() / c.named).string()), std::string::npos)
        << c.name << ": " << r.error;
    EXPECT_NE(r.error.find("mythes-pl"), std::string::npos) << c.name << ": " << r.error;
  }
}

// A named pipe put in the data file's place after it was looked at (here:
// while the index is opened) is never read: reading one waits for a writer,
// and the window with it. The pipe is kept open here for writing, with data
// in it, so a reader would not wait but would take the data away.
TEST(Thesaurus, APipeSwappedInForTheDataIsNeverRead) {
  TempFolder folder;
  WriteThesaurus(folder.path(), kSample);
  const std::filesystem::path data = folder.path() / ThesaurusDataName, pipe = folder.path() / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const int end = ::open(pipe.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(end, 0);
  const std::string waiting = "ISO8859-2\n" + std::string(100, 'x');
  ASSERT_EQ(::write(end, waiting.data(), waiting.size()), static_cast<ssize_t>(waiting.size()));
  bool swapped = false;
  platform::SetFaultHook([&](platform::FileStep step) -> std::error_code {
    if (step == platform::FileStep::OpenRead && !swapped) {
      swapped = true;
      std::filesystem::rename(pipe, data);
    }
    return {};
  });
  Thesaurus thesaurus = Thesaurus::InFolder(folder.path());
  const ThesaurusLookup result = thesaurus.Lookup("kot");
  platform::SetFaultHook(nullptr);
  EXPECT_TRUE(swapped);
  EXPECT_EQ(result.status, LookupStatus::Unavailable);
  EXPECT_NE(result.error.find(PathText(data) + ": to jest potok nazwany"), std::string::npos) << result.error;
  std::string left(waiting.size() + 1, '\0');
  EXPECT_EQ(::read(end, left.data(), left.size()), static_cast<ssize_t>(waiting.size()));
  ::close(end);
}

TEST(Charsets, DecodeTheDictionaryEncodings) {
  struct Case {
    std::string name;
    std::string bytes;
    bool ok;
    std::string utf8;
  };
  const Case cases[] = {
      {"ISO8859-2", "\xB1\xB6\xBC\xA1\xA6\xAC\xB3\xF3", true, "ąśźĄŚŹłó"},
      {" iso-8859-2\r", "\xEA", true, "ę"},
      {"microsoft-cp1250", "\xB9\x9C", true, "ąś"},
      {"UTF-8", "\xC4\x85", true, "ą"},
      {"UTF-8", "\xC4", false, ""},
      {"KOI8-R", "a", false, ""},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(AppendAsUtf8(CharsetByName(c.name), c.bytes, out), c.ok) << c.name;
    if (c.ok) {
      EXPECT_EQ(out, c.utf8) << c.name;
    }
  }
  EXPECT_EQ(LowerUtf8("ŻÓŁW Ąś→X"), "żółw ąś→x");
}

}  // namespace
}  // namespace wypelniak
