#include <gtest/gtest.h>
#include <iconv.h>

#include <set>
#include <string>

#include "cp1250.h"

using namespace wypelniak;

namespace {

// What glibc's iconv makes of one Windows-1250 byte, as UTF-8; empty when it
// refuses the byte.
std::string IconvDecode(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-8", "CP1250");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << "glibc has no CP1250 converter";
  char in[1] = {static_cast<char>(byte)};
  char out[8] = {};
  char* inp = in;
  char* outp = out;
  size_t inleft = 1, outleft = sizeof out;
  const size_t r = iconv(cd, &inp, &inleft, &outp, &outleft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return {};
  return std::string(out, sizeof out - outleft);
}

}  // namespace

TEST(cp1250, every_byte_decodes_as_glibc_does) {
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    const std::string expected = IconvDecode(static_cast<unsigned char>(b));
    const std::string actual = Cp1250ToUtf8(std::string(1, static_cast<char>(b)));
    if (expected.empty()) {
      // The five bytes glibc refuses decode to the C1 control of their number.
      ++undefined;
      std::string c1;
      AppendUtf8(static_cast<char32_t>(b), c1);
      EXPECT_EQ(actual, c1) << "byte " << b;
    } else {
      EXPECT_EQ(actual, expected) << "byte " << b;
    }
  }
  EXPECT_EQ(undefined, 5);
}

TEST(cp1250, encoding_inverts_decoding_for_every_byte) {
  std::set<char32_t> seen;
  for (int b = 0; b < 256; ++b) {
    const char32_t c = Cp1250ToUnicode(static_cast<unsigned char>(b));
    EXPECT_TRUE(seen.insert(c).second) << "two bytes decode to U+" << std::hex << static_cast<unsigned>(c);
    EXPECT_EQ(UnicodeToCp1250(c), b);
  }
}

TEST(cp1250, polish_text_round_trips) {
  const std::string polish = "Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ";
  const auto bytes = Utf8ToCp1250(polish);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->size(), Utf8Length(polish));
  EXPECT_EQ(Cp1250ToUtf8(*bytes), polish);
  EXPECT_EQ(static_cast<unsigned char>((*Utf8ToCp1250("ą"))[0]), 0xB9);
}

TEST(cp1250, unstorable_or_broken_text_is_refused) {
  EXPECT_FALSE(Utf8ToCp1250("кот").has_value());
  EXPECT_FALSE(Utf8ToCp1250("kot\xF0\x9F\x98\x80").has_value());  // emoji
  EXPECT_FALSE(Utf8ToCp1250("k\xC5").has_value());                 // cut sequence
  EXPECT_FALSE(Utf8ToCp1250("\xC0\xAF").has_value());              // overlong '/'
  EXPECT_EQ(Utf8ToCp1250("").value(), "");
}

TEST(cp1250, lower_case_covers_polish_capitals) {
  EXPECT_EQ(Cp1250ToUtf8(Cp1250ToLower(*Utf8ToCp1250("ĄĆĘŁŃÓŚŹŻ ABC Š×ß"))), "ąćęłńóśźż abc š×ß");
  // Lower case letters, digits and signs stay as they are.
  for (int b = 0; b < 256; ++b) {
    const unsigned char lower = Cp1250ToLower(static_cast<unsigned char>(b));
    EXPECT_EQ(Cp1250ToLower(lower), lower) << "byte " << b;
  }
  // Text folds as its bytes do one by one, wherever in it each byte stands.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (std::size_t shift = 0; shift < 17; ++shift) {
    const std::string text = all.substr(shift) + all.substr(0, shift);
    const std::string folded = Cp1250ToLower(text);
    for (std::size_t i = 0; i < text.size(); ++i)
      ASSERT_EQ(static_cast<unsigned char>(folded[i]), Cp1250ToLower(static_cast<unsigned char>(text[i])))
          << "byte " << int(static_cast<unsigned char>(text[i])) << " at " << i;
  }
}

TEST(utf8, counts_characters_not_bytes) {
  EXPECT_EQ(Utf8Length("kąt"), 3u);
  EXPECT_EQ(Utf8Length("\xF0\x9F\x98\x80"), 1u);
  EXPECT_EQ(Utf8Length("a\xFF"
                       "b"),
            3u);  // a stray byte counts as one character
}
