#include "charsets.h"

#include <array>
#include <cctype>
#include <vector>

#include "cp1250.h"

namespace wypelniak {
namespace {

// ISO-8859-2 from 0xA0 on; below it the bytes are the characters of the same
// number.
constexpr std::array<char16_t, 96> kIso8859_2High = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164,
    0x0179, 0x00AD, 0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170,
    0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// The name in upper case without blanks, hyphens and underscores.
std::string Normalised(std::string_view name) {
  std::string out;
  for (const char c : name) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '-' || c == '_') continue;
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace

Charset CharsetByName(std::string_view name) {
  const std::string n = Normalised(name);
  if (n == "UTF8") return Charset::Utf8;
  if (n == "ISO88592" || n == "LATIN2" || n == "ISOLATIN2") return Charset::Iso8859_2;
  if (n == "CP1250" || n == "WINDOWS1250" || n == "MICROSOFTCP1250") return Charset::Windows1250;
  return Charset::Unknown;
}

char32_t Iso8859_2ToUnicode(unsigned char b) {
  return b < 0xA0 ? char32_t{b} : char32_t{kIso8859_2High[b - 0xA0]};
}

char32_t DecodeByte(Charset charset, unsigned char b) {
  return charset == Charset::Windows1250 ? Cp1250ToUnicode(b) : Iso8859_2ToUnicode(b);
}

bool AppendAsUtf8(Charset charset, std::string_view bytes, std::string& out) {
  switch (charset) {
    case Charset::Utf8: {
      std::size_t pos = 0;
      char32_t c = 0;
      while (pos < bytes.size()) {
        const std::size_t start = pos;
        NextUtf8Char(bytes, pos, c);
        // An invalid sequence reads as U+FFFD of one byte; a real U+FFFD
        // takes three.
        if (c == 0xFFFD && pos - start == 1) return false;
      }
      out.append(bytes);
      return true;
    }
    case Charset::Iso8859_2:
      for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        if (u < 0x80)
          out += b;
        else
          AppendUtf8(Iso8859_2ToUnicode(u), out);
      }
      return true;
    case Charset::Windows1250: AppendCp1250AsUtf8(bytes, out); return true;
    case Charset::Unknown: break;
  }
  return false;
}

std::string LowerUtf8(std::string_view utf8) {
  // Lower case of every character below U+0800 (Polish letters among them),
  // built once from the Windows-1250 rules; characters beyond are kept.
  static const std::vector<char32_t> lower = [] {
    std::vector<char32_t> table(0x800);
    for (char32_t c = 0; c < table.size(); ++c) table[c] = c;
    for (int b = 0; b < 256; ++b) {
      const char32_t c = Cp1250ToUnicode(static_cast<unsigned char>(b));
      if (c < table.size()) table[c] = Cp1250ToUnicode(Cp1250ToLower(static_cast<unsigned char>(b)));
    }
    return table;
  }();
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  char32_t c = 0;
  while (pos < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[pos]);
    if (b < 0x80) {
      out += static_cast<char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    NextUtf8Char(utf8, pos, c);
    if (c < lower.size() && !(c == 0xFFFD && pos - start == 1))
      AppendUtf8(lower[c], out);
    else
      out.append(utf8.substr(start, pos - start));
  }
  return out;
}

}  // namespace wypelniak
