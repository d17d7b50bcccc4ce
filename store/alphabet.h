#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

// The letters a crossword grid is filled with: the 32 letters of the Polish
// alphabet and q, v, x, in Polish alphabetical order, each with a small code
// (0 ... 34). A set of letters is a 64-bit mask, bit n for code n. Words for
// the grid are held as strings of these codes; the codes convert to and from
// the word list's Windows-1250 bytes and to UTF-8 for showing.
namespace wypelniak {

inline constexpr int kLetterCount = 35;
using LetterCode = std::uint8_t;
using LetterSet = std::uint64_t;

inline constexpr LetterCode kNoLetter = 0xFF;
inline constexpr LetterSet kAllLetters = (LetterSet{1} << kLetterCount) - 1;

inline constexpr LetterSet LetterBit(LetterCode c) { return LetterSet{1} << c; }
inline int LetterCountOf(LetterSet s) { return std::popcount(s); }

// The code of a Windows-1250 byte, either case ("Ą" and "ą" alike), or
// kNoLetter when the byte is no letter of the alphabet (digits, hyphens,
// blanks, and letters of other languages such as "é" or "ü").
extern const std::array<LetterCode, 256> kLetterOfByte;
inline LetterCode LetterOfCp1250(unsigned char byte) { return kLetterOfByte[byte]; }

// The code of a character, either case, or kNoLetter.
LetterCode LetterOfChar(char32_t c);

// The lower-case Windows-1250 byte of a code.
unsigned char Cp1250OfLetter(LetterCode c);

// The character of a code, in lower or in upper case.
char32_t CharOfLetter(LetterCode c, bool upper = false);

// Appends the UTF-8 form of a code.
void AppendLetterUtf8(LetterCode c, std::string& out, bool upper = false);

// The UTF-8 text of a word given as codes.
std::string WordUtf8(std::basic_string_view<LetterCode> codes, bool upper = false);

// The codes of a word typed in UTF-8; false when a character is not a letter
// of the alphabet.
bool WordCodes(std::string_view utf8, std::basic_string<LetterCode>& codes);

}  // namespace wypelniak
