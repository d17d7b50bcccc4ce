// The word-list format rules the tool still holds itself (see internal.h).
#include <algorithm>
#include <cstring>

#include "cp1250.h"
#include "internal.h"
#include "wordlist.h"

namespace wypelniak::slownik::detail {
namespace fs = std::filesystem;

namespace {

// The number n of "<prefix><n><suffix>" for n of MinWordLength to
// MaxWordLength written without leading zeros, or 0.
int LengthIn(std::string_view name, std::string_view prefix, std::string_view suffix) {
  if (name.size() <= prefix.size() + suffix.size() || name.substr(0, prefix.size()) != prefix ||
      name.substr(name.size() - suffix.size()) != suffix)
    return 0;
  const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  if (digits.size() > 2 || digits.front() == '0') return 0;
  int n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n >= MinWordLength && n <= MaxWordLength ? n : 0;
}

}  // namespace

std::string WordFileName(int n) {
  return "slow." + std::to_string(n);
}

fs::path WordFilePath(const fs::path& folder, int n) {
  return folder / WordFileName(n);
}

int WordFileLength(std::string_view fileName) {
  return LengthIn(fileName, "slow.", "");
}

int TemporaryFileLength(std::string_view fileName) {
  const int n = LengthIn(fileName, "~slow.", "");
  return n != 0 ? n : LengthIn(fileName, "~slow.", ".tmp");
}

bool LooksLikeUtf8Text(std::string_view data) {
  if (data.size() >= 3 && std::memcmp(data.data(), "\xEF\xBB\xBF", 3) == 0) return true;
  std::size_t multiByte = 0, storable = 0;
  std::size_t pos = 0;
  char32_t c = 0;
  while (pos < data.size()) {
    if (static_cast<unsigned char>(data[pos]) < 0x80) {
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    NextUtf8Char(data, pos, c);
    if (pos - start == 1) return false;  // a byte that breaks UTF-8
    ++multiByte;
    if (UnicodeToCp1250(c) >= 0) ++storable;
  }
  return multiByte > 0 && storable * 2 > multiByte;
}

bool IsBlankOrControl(char32_t c) {
  // C0 controls, space, DEL, C1 controls and the no-break space.
  return c <= 0x20 || c == 0x7F || (c >= 0x80 && c <= 0xA0);
}

bool IsSeparator(char32_t c) {
  return c == ',' || c == '"';
}

bool IsPlainCount(std::string_view line) {
  std::int32_t count = 0;
  return !line.empty() &&
         std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
         ParseCount(line, count) == CountError::None;
}

}  // namespace wypelniak::slownik::detail

namespace wypelniak::slownik {

std::filesystem::path TemporaryPath(const std::filesystem::path& folder, int n) {
  return folder / ("~slow." + std::to_string(n));
}

}  // namespace wypelniak::slownik
