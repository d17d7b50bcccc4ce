// Texts the verbs share: numbers, padding, words and paths for messages,
// progress, and the report of what a source held.
#include <algorithm>
#include <cstdio>

#include "cp1250.h"
#include "internal.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;

const char* Plural(std::size_t n, const char* one, const char* few, const char* many) {
  if (n == 1) return one;
  const std::size_t tens = n % 100;
  const std::size_t units = n % 10;
  if (units >= 2 && units <= 4 && (tens < 12 || tens > 14)) return few;
  return many;
}

std::size_t BuildStats::TotalKept() const {
  std::size_t total = 0;
  for (std::size_t k : kept) total += k;
  return total;
}

std::size_t BuildStats::TotalDropped() const {
  std::size_t total = 0;
  for (std::size_t d : dropped) total += d;
  return total;
}

Progress::Progress(std::ostream& out, bool enabled)
    : out_(out), enabled_(enabled), start_(std::chrono::steady_clock::now()), last_(start_) {}

Progress::~Progress() {
  Finish();
}

void Progress::Update(std::string_view phase, double fraction) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < std::chrono::seconds(1)) return;
  if (shown_ && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  shown_ = true;
  const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
  // \r returns to the line start; ESC [K clears what a longer text left.
  out_ << '\r' << phase << ": " << percent << "%\x1b[K" << std::flush;
}

void Progress::Finish() {
  if (!shown_) return;
  out_ << "\r\x1b[K" << std::flush;
  shown_ = false;
}

namespace detail {

std::string Num(std::size_t n) {
  return std::to_string(n);
}

std::string PadRight(std::string_view utf8, std::size_t width) {
  std::string s(utf8);
  for (std::size_t n = Utf8Length(utf8); n < width; ++n) s += ' ';
  return s;
}

std::string PadLeft(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string ShowWord(std::string_view bytes) {
  constexpr std::size_t kShown = 40;
  std::string s = "„";
  for (std::size_t i = 0; i < bytes.size() && i < kShown; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x20 || b == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      s += hex;
    } else {
      AppendCp1250AsUtf8(bytes.substr(i, 1), s);
    }
  }
  if (bytes.size() > kShown) s += "…";
  return s + "”";
}

std::string ByteText(unsigned char b) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", b);
  return hex;
}

fs::path PathArg(std::string_view utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string ShellArg(const fs::path& path) {
  const std::string text = PathText(path);
  const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("/._-~:\\").find(c) != std::string_view::npos;
  });
  if (plain) return text;
#ifdef _WIN32
  return '"' + text + '"';
#else
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
#endif
}

std::vector<std::string_view> SplitLines(std::string_view data) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < data.size()) {
    const std::size_t end = std::min(data.find_first_of("\r\n", pos), data.size());
    lines.push_back(data.substr(pos, end - pos));
    pos = end + 1;  // past CR or LF
    if (end < data.size() && data[end] == '\r' && pos < data.size() && data[pos] == '\n') ++pos;
  }
  return lines;
}

namespace {

const char* DropReasonText(DropReason r) {
  switch (r) {
    case DropReason::TooShort: return "za krótkie (mniej niż 2 znaki)";
    case DropReason::TooLong: return "za długie (więcej niż 22 znaki)";
    case DropReason::BlankOrControl: return "z odstępem lub znakiem sterującym";
    case DropReason::Unstorable: return "ze znakiem spoza Windows-1250";
    case DropReason::Separator: return "z przecinkiem lub cudzysłowem";
    case DropReason::Repeat: return "powtórzenia (po zamianie na małe litery)";
  }
  return "";
}

}  // namespace

void ReportRead(std::ostream& out, const fs::path& source, const BuildStats& st) {
  out << "Przeczytano " << Num(st.lines) << ' ' << Plural(st.lines, "wiersz", "wiersze", "wierszy")
      << " z pliku " << PathText(source) << ".\n";
}

void ReportDropped(std::ostream& out, const BuildStats& st) {
  const std::size_t total = st.TotalDropped();
  out << "Pominięto " << Num(total) << ' ' << Plural(total, "wiersz", "wiersze", "wierszy")
      << (total > 0 ? ":" : ".") << '\n';
  if (total == 0) return;
  std::size_t width = 0;
  for (std::size_t r = 0; r < kDropReasonCount; ++r)
    width = std::max(width, Utf8Length(DropReasonText(static_cast<DropReason>(r))));
  for (std::size_t r = 0; r < kDropReasonCount; ++r) {
    const auto reason = static_cast<DropReason>(r);
    out << "  " << PadRight(std::string(DropReasonText(reason)) + ":", width + 1) << ' '
        << PadLeft(Num(st.dropped[r]), 9);
    if (reason == DropReason::TooShort && st.emptyLines > 0)
      out << " (w tym " << Num(st.emptyLines) << ' '
          << Plural(st.emptyLines, "pusty wiersz", "puste wiersze", "pustych wierszy") << ')';
    out << '\n';
  }
}

}  // namespace detail
}  // namespace wypelniak::slownik
