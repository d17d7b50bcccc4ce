#pragma once

#include <string>
#include <string_view>

// The single-byte encodings of the dictionaries the program reads besides
// its own word list (the thesaurus, Hunspell dictionaries), turned into the
// program's UTF-8.
namespace wypelniak {

enum class Charset { Unknown, Utf8, Iso8859_2, Windows1250 };

// The encoding a dictionary names on its first line or in its SET line
// ("ISO8859-2", "ISO-8859-2", "UTF-8", "cp1250", ...); case and blanks
// around the name do not matter.
Charset CharsetByName(std::string_view name);

// The character that an ISO-8859-2 byte stands for.
char32_t Iso8859_2ToUnicode(unsigned char b);

// The character that a byte stands for in a one-byte encoding (ISO-8859-2
// or Windows-1250).
char32_t DecodeByte(Charset charset, unsigned char b);

// Appends the UTF-8 form of bytes in the given encoding to out. Returns false
// when the encoding is unknown or UTF-8 text is not valid UTF-8 (out then
// holds an unspecified part of the text).
bool AppendAsUtf8(Charset charset, std::string_view bytes, std::string& out);

// Lower case of UTF-8 text in Polish terms: the letters Windows-1250 can
// store are lowered as the word list lowers them, any other character is
// kept.
std::string LowerUtf8(std::string_view utf8);

}  // namespace wypelniak
