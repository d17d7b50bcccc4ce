// The thesaurus reader over arbitrary index and data files. The input's first
// byte says how many bytes of a word (UTF-8) follow; the next two bytes, low
// byte first, how many bytes of the index follow; the rest is the data file.
// Whatever the files hold, a lookup ends in one of three plain answers: an
// entry whose headword is the word in another case, no entry, or a Polish
// message naming what to install; and every text it gives is UTF-8.

#include <cstdint>
#include <string>
#include <string_view>

#include "charsets.h"
#include "fuzz_support.h"
#include "thesaurus.h"

namespace {

bool IsUtf8(std::string_view text) {
  std::string out;
  return wypelniak::AppendAsUtf8(wypelniak::Charset::Utf8, text, out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace wypelniak;
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  if (input.size() < 3) return 0;
  const std::size_t wordLength =
      std::min<std::size_t>(static_cast<unsigned char>(input[0]), input.size() - 3);
  const std::string word(input.substr(3, wordLength));
  const std::string_view rest = input.substr(3 + wordLength);
  const std::size_t indexLength =
      std::min<std::size_t>(static_cast<unsigned char>(input[1]) |
                                static_cast<std::size_t>(static_cast<unsigned char>(input[2])) << 8,
                            rest.size());

  fuzz::ScratchFolder& scratch = fuzz::ScratchFolder::Get();
  const std::filesystem::path folder = ThesaurusFolder(scratch.Program());
  std::filesystem::create_directories(folder);
  for (const auto& [name, content] : {std::pair{ThesaurusIndexName, rest.substr(0, indexLength)},
                                      std::pair{ThesaurusDataName, rest.substr(indexLength)}}) {
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    FUZZ_CHECK(out.good());
  }

  Thesaurus thesaurus = Thesaurus::InFolder(folder);
  const ThesaurusLookup result = thesaurus.Lookup(word);
  FUZZ_CHECK(thesaurus.IndexLoaded());
  switch (result.status) {
    case LookupStatus::Unavailable:
      FUZZ_CHECK(result.entries.empty());
      FUZZ_CHECK(result.error.find("mythes-pl") != std::string::npos);
      FUZZ_CHECK(IsUtf8(result.error));
      break;
    case LookupStatus::NotFound: FUZZ_CHECK(result.entries.empty()); break;
    case LookupStatus::Found:
      FUZZ_CHECK(!result.entries.empty());
      FUZZ_CHECK(IsUtf8(word));
      for (const ThesaurusEntry& entry : result.entries) {
        FUZZ_CHECK(IsUtf8(entry.headword));
        FUZZ_CHECK(LowerUtf8(entry.headword) == LowerUtf8(word));
        FUZZ_CHECK(entry.meanings.size() <= kMaxThesaurusMeanings);
        for (const ThesaurusMeaning& m : entry.meanings) {
          FUZZ_CHECK(IsUtf8(m.description));
          for (const auto* list : {&m.synonyms, &m.broader, &m.narrower, &m.antonyms})
            for (const std::string& term : *list) FUZZ_CHECK(!term.empty() && IsUtf8(term));
        }
      }
      break;
  }
  return 0;
}
