#include "alphabet.h"

#include <array>

#include "cp1250.h"

namespace wypelniak {
namespace {

// The lower-case letters in alphabetical order, as Windows-1250 bytes.
constexpr std::array<unsigned char, kLetterCount> kLetterBytes = {
    'a',  0xB9, 'b', 'c', 0xE6, 'd', 'e', 0xEA, 'f', 'g', 'h', 'i',  'j',  'k', 'l', 0xB3, 'm', 'n',
    0xF1, 'o',  0xF3, 'p', 'q', 'r', 's', 0x9C, 't', 'u', 'v', 'w', 'x', 'y', 'z', 0x9F, 0xBF,
};

std::array<LetterCode, 256> MakeByteTable() {
  std::array<LetterCode, 256> table;
  table.fill(kNoLetter);
  for (int c = 0; c < kLetterCount; ++c) table[kLetterBytes[c]] = static_cast<LetterCode>(c);
  for (int b = 0; b < 256; ++b) {
    const unsigned char lower = Cp1250ToLower(static_cast<unsigned char>(b));
    if (table[b] == kNoLetter && lower != b) table[b] = table[lower];
  }
  return table;
}

std::array<char32_t, kLetterCount> MakeCapitals() {
  std::array<char32_t, kLetterCount> capitals{};
  for (int c = 0; c < kLetterCount; ++c) {
    capitals[c] = Cp1250ToUnicode(kLetterBytes[c]);
    for (int b = 0; b < 256; ++b)
      if (b != kLetterBytes[c] && Cp1250ToLower(static_cast<unsigned char>(b)) == kLetterBytes[c])
        capitals[c] = Cp1250ToUnicode(static_cast<unsigned char>(b));
  }
  return capitals;
}

// Made once, before main.

const std::array<char32_t, kLetterCount> kCapitals = MakeCapitals();

}  // namespace

const std::array<LetterCode, 256> kLetterOfByte = MakeByteTable();

LetterCode LetterOfChar(char32_t c) {
  const int byte = UnicodeToCp1250(c);
  return byte < 0 ? kNoLetter : LetterOfCp1250(static_cast<unsigned char>(byte));
}

unsigned char Cp1250OfLetter(LetterCode c) { return kLetterBytes[c]; }

char32_t CharOfLetter(LetterCode c, bool upper) {
  return upper ? kCapitals[c] : Cp1250ToUnicode(kLetterBytes[c]);
}

void AppendLetterUtf8(LetterCode c, std::string& out, bool upper) { AppendUtf8(CharOfLetter(c, upper), out); }

std::string WordUtf8(std::basic_string_view<LetterCode> codes, bool upper) {
  std::string out;
  for (LetterCode c : codes) AppendLetterUtf8(c, out, upper);
  return out;
}

bool WordCodes(std::string_view utf8, std::basic_string<LetterCode>& codes) {
  codes.clear();
  std::size_t pos = 0;
  char32_t ch = 0;
  while (NextUtf8Char(utf8, pos, ch)) {
    const LetterCode c = LetterOfChar(ch);
    if (c == kNoLetter) return false;
    codes.push_back(c);
  }
  return true;
}

}  // namespace wypelniak
