#include "wordlist.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform.h"

namespace wypelniak {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::filesystem::path ListPath(const std::filesystem::path& programFolder, const char* prefix, int n) {
  return DictionaryFolder(programFolder) / (prefix + std::to_string(n));
}

}  // namespace

std::filesystem::path ProgramFolder() { return platform::ExecutableFolder(); }

std::filesystem::path DictionaryFolder(const std::filesystem::path& programFolder) {
  return programFolder / "slow";
}

std::filesystem::path WordListPath(int n, const std::filesystem::path& programFolder) {
  return ListPath(programFolder, "slow.", n);
}

std::filesystem::path TempListPath(int n, const std::filesystem::path& programFolder) {
  return ListPath(programFolder, "~slow.", n);
}

bool CountedReader::Next(std::string_view& value) {
  const std::size_t size = data_.size();
  while (pos_ < size && IsBlank(data_[pos_])) ++pos_;
  if (pos_ >= size) return false;

  if (data_[pos_] == '"') {
    const std::size_t start = pos_ + 1;
    std::size_t close = data_.find('"', start);
    if (close == std::string_view::npos) close = size;
    value = data_.substr(start, close - start);
    pos_ = close < size ? close + 1 : size;
    while (pos_ < size && data_[pos_] != ',' && data_[pos_] != '\r') ++pos_;
    SkipDelimiter();
    return true;
  }

  const std::size_t start = pos_;
  const char* p = data_.data() + pos_;
  const char* end = data_.data() + size;
  while (p != end && *p != ',' && *p != '\r') ++p;
  pos_ = static_cast<std::size_t>(p - data_.data());
  value = data_.substr(start, pos_ - start);
  SkipDelimiter();
  return true;
}

void CountedReader::SkipDelimiter() {
  if (pos_ >= data_.size()) return;
  if (data_[pos_] == ',') {
    ++pos_;
  } else if (data_[pos_] == '\r') {
    ++pos_;
    if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
  }
}

std::string_view LineReader::ReadLine() {
  const std::size_t start = pos_;
  std::size_t cr = data_.find('\r', start);
  if (cr == std::string_view::npos) {
    pos_ = data_.size();
    return data_.substr(start);
  }
  pos_ = cr + 1;
  if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
  return data_.substr(start, cr - start);
}

CountError ParseCount(std::string_view value, std::int32_t& count) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
  if (value.empty()) return CountError::Empty;

  bool negative = false;
  if (value.front() == '+' || value.front() == '-') {
    negative = value.front() == '-';
    value.remove_prefix(1);
    if (!value.empty() && (value.front() == '+' || value.front() == '-')) return CountError::NotANumber;
  }
  // Plain decimal digits with an optional fraction and exponent; from_chars
  // alone would also take "inf" and "nan".
  bool digits = false;
  for (char c : value) {
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c != '.' && c != 'e' && c != 'E' && c != '+' && c != '-') {
      return CountError::NotANumber;
    }
  }
  if (!digits) return CountError::NotANumber;

  double number = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (ec == std::errc::result_out_of_range) {
    // Too small to tell from zero ("1e-999") rounds to 0; anything else is huge.
    if (value.find("e-") != std::string_view::npos || value.find("E-") != std::string_view::npos) {
      count = 0;
      return CountError::None;
    }
    return negative ? CountError::Negative : CountError::TooLarge;
  }
  if (ec != std::errc() || end != value.data() + value.size()) return CountError::NotANumber;

  const double rounded = std::nearbyint(negative ? -number : number);
  if (rounded < 0) return CountError::Negative;
  if (rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) return CountError::TooLarge;
  count = static_cast<std::int32_t>(rounded);
  return CountError::None;
}

std::string DescribeFileError(const std::error_code& ec) {
  if (ec == std::errc::no_such_file_or_directory) return "plik nie istnieje";
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted)
    return "brak uprawnień dostępu";
  if (ec == std::errc::is_a_directory) return "to jest folder, a nie plik";
  if (ec == std::errc::not_a_directory) return "ścieżka prowadzi przez plik, a nie folder";
  if (ec == std::errc::no_space_on_device) return "brak miejsca na dysku";
  if (ec == std::errc::read_only_file_system) return "dysk jest tylko do odczytu";
  if (ec == std::errc::io_error) return "błąd odczytu lub zapisu na dysku";
  if (ec == std::errc::too_many_files_open || ec == std::errc::too_many_files_open_in_system)
    return "otwarto zbyt wiele plików";
  if (ec == std::errc::not_enough_memory) return "brak pamięci";
  if (ec == std::errc::file_too_large) return "plik jest za duży";
  return "błąd systemu nr " + std::to_string(ec.value());
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace wypelniak
