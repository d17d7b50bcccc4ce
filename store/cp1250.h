#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace wypelniak {

// Text conversion between the word-list files (Windows-1250, one byte per
// character) and the rest of the program (UTF-8).
//
// Windows-1250 leaves five bytes undefined: 0x81, 0x83, 0x88, 0x90 and 0x98.
// They decode to the C1 control characters of the same number (U+0081 ...),
// so every one of the 256 bytes has its own character and decoding never
// loses or merges anything: comparing decoded characters is the same as
// comparing bytes. Those five characters encode back to their bytes.

// The character that byte b stands for.
char32_t Cp1250ToUnicode(unsigned char b);

// The byte that stands for c, or -1 when Windows-1250 cannot store c.
int UnicodeToCp1250(char32_t c);

// Appends the UTF-8 form of Windows-1250 bytes to out.
void AppendCp1250AsUtf8(std::string_view bytes, std::string& out);

// The UTF-8 form of Windows-1250 bytes.
std::string Cp1250ToUtf8(std::string_view bytes);

// The Windows-1250 form of UTF-8 text, or nothing when a character cannot be
// stored (or the text is not valid UTF-8).
std::optional<std::string> Utf8ToCp1250(std::string_view utf8);

// Lower case of a Windows-1250 byte, Polish letters included (Ą -> ą, Ł -> ł).
unsigned char Cp1250ToLower(unsigned char b);

// Lower case of Windows-1250 text. Two words are the same word when their
// lower cases are equal: the addition, merge and check all compare so.
std::string Cp1250ToLower(std::string_view bytes);

// Lower case of n Windows-1250 bytes at p, in place, by the rule above,
// sixteen bytes at a time where the processor allows. Line ends, commas and
// quotation marks stay as they are.
void Cp1250ToLowerInPlace(char* p, std::size_t n);

// Reads the next character of UTF-8 text at pos and moves pos past it. An
// invalid sequence reads as U+FFFD and moves past one byte. Returns false at
// the end of the text.
bool NextUtf8Char(std::string_view text, std::size_t& pos, char32_t& c);

// Number of characters in UTF-8 text.
std::size_t Utf8Length(std::string_view text);

// Appends the UTF-8 form of one character.
void AppendUtf8(char32_t c, std::string& out);

}  // namespace wypelniak
