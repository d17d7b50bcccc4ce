#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "chunkreader.h"
#include "wordlist.h"

using namespace wypelniak;

namespace {

std::vector<std::string> Values(std::string_view data) {
  CountedReader reader(data);
  std::vector<std::string> out;
  std::string_view v;
  while (reader.Next(v)) out.emplace_back(v);
  return out;
}

std::vector<std::string> Lines(std::string_view data) {
  LineReader reader(data);
  std::vector<std::string> out;
  while (!reader.AtEnd()) out.emplace_back(reader.ReadLine());
  return out;
}

using Strings = std::vector<std::string>;

// Where each value read stands in the data and how long it is; read with the
// given length expected, or plainly when it is 0.
std::vector<std::pair<std::size_t, std::size_t>> Spans(std::string_view data, std::size_t expected = 0) {
  CountedReader reader(data);
  std::vector<std::pair<std::size_t, std::size_t>> out;
  std::string_view v;
  while (expected ? reader.NextExpecting(expected, v) : reader.Next(v))
    out.emplace_back(static_cast<std::size_t>(v.data() - data.data()), v.size());
  return out;
}

// The values read a chunk at a time, the file coming in pieces of random
// sizes from one byte up; with the given length expected, or plainly when it
// is 0. A source that fails after failAt bytes ends the reading.
std::vector<std::string> ChunkedValues(std::string_view data, std::size_t chunk, std::size_t expected,
                                       unsigned& state, std::error_code* error = nullptr,
                                       std::size_t failAt = std::string_view::npos) {
  KeptBuffer buffer;
  std::size_t at = 0;
  ChunkedReader reader(buffer, chunk, [&](char* into, std::size_t size, std::size_t& got) {
    state = state * 1103515245u + 12345u;
    got = std::min({size, data.size() - at, std::size_t{1} + (state >> 16) % 9});
    if (at >= failAt) return std::make_error_code(std::errc::io_error);
    std::memcpy(into, data.data() + at, got);
    at += got;
    return std::error_code{};
  });
  std::vector<std::string> out;
  std::string_view v;
  while (reader.NextExpecting(expected, v)) out.emplace_back(v);
  if (error) *error = reader.Error();
  return out;
}

}  // namespace

TEST(word_list, paths_name_the_length_without_leading_zeros) {
  const std::filesystem::path folder = "program";
  EXPECT_EQ(WordListPath(9, folder), folder / "slow" / "slow.9");
  EXPECT_EQ(WordListPath(10, folder), folder / "slow" / "slow.10");
  EXPECT_EQ(WordListPath(22, folder), folder / "slow" / "slow.22");
  EXPECT_EQ(TempListPath(10, folder), folder / "slow" / "~slow.10");
}

TEST(word_list, program_folder_holds_this_executable) {
  const std::filesystem::path folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(word_list, counted_reading_splits_at_commas_and_line_ends) {
  EXPECT_EQ(Values("2\r\nkot\r\nkąt\r\n"), (Strings{"2", "kot", "kąt"}));
  EXPECT_EQ(Values("ab,cd\r\nef"), (Strings{"ab", "cd", "ef"}));
  EXPECT_EQ(Values("ab\rcd"), (Strings{"ab", "cd"}));                // a lone CR ends a line
  EXPECT_EQ(Values("ab\ncd\r\n"), (Strings{"ab\ncd"}));              // a lone LF does not
  EXPECT_EQ(Values("ab\r\n\r\ncd\r\n"), (Strings{"ab", "", "cd"}));  // an empty line is an empty value
  EXPECT_EQ(Values(""), Strings{});
}

TEST(word_list, counted_reading_skips_leading_blanks_and_unquotes) {
  EXPECT_EQ(Values("  ab\r\n\tcd\r\n"), (Strings{"ab", "cd"}));
  EXPECT_EQ(Values("\"a,b\"\r\ncd"), (Strings{"a,b", "cd"}));
  EXPECT_EQ(Values("\"ab\"xy,cd\r\n"), (Strings{"ab", "cd"}));  // after the closing mark, up to the comma
  EXPECT_EQ(Values("\"a\r\nb\"\r\n"), (Strings{"a\r\nb"}));
  EXPECT_EQ(Values("\"unclosed\r\nab"), (Strings{"unclosed\r\nab"}));
}

// Reading with a length expected takes a short cut for words of that length
// ended by CR LF; it must give what the plain reading gives, for any length,
// wherever in the data the words stand.
TEST(word_list, reading_with_an_expected_length_gives_the_same_values) {
  std::vector<std::string> inputs = {"3\r\nkot\r\nko,t\r\n \"kot\"\r\n",
                                     "kot\rkot\nkot\r\n\tkot\r\nkotx\r\nko\r\n",
                                     "\"kot\r\n\"\r\nkot",
                                     "kot\r\n",
                                     "kot\r",
                                     "abcdefghijklmnopq\r\nabcdefghijklmnop,\r\n",
                                     "abcdefghijklmnopqrstuv\r\nabcdefghijklmnopqrst\rv\r\n"};
  // Random data over the bytes the reading rule cares about, of every length
  // up to a few sixteen-byte loads, so that words meet the data's end at
  // every offset.
  const char alphabet[] = {'k', 'o', 't', ',', '\r', '\n', ' ', '\t', '"'};
  unsigned state = 12345;
  for (int n = 0; n < 3000; ++n) {
    std::string data;
    for (int i = 0; i < n % 70; ++i) {
      state = state * 1103515245u + 12345u;
      const unsigned pick = (state >> 16) % 16;
      data += pick < sizeof alphabet ? alphabet[pick] : 'a';  // words are mostly letters
    }
    inputs.push_back(data);
  }
  for (const std::string& data : inputs)
    for (std::size_t length = 1; length <= 33; ++length)
      ASSERT_EQ(Spans(data, length), Spans(data)) << length << " in " << testing::PrintToString(data);
  // A length no data can hold is no trouble either.
  EXPECT_EQ(Spans("kot\r\n", static_cast<std::size_t>(-1)), Spans("kot\r\n"));
}

// Reading a chunk at a time gives what reading the whole data gives, however
// the chunks' ends cut the words, their CR LF, their quotation marks or the
// blanks before them, and when one value is longer than the buffer.
TEST(word_list, reading_in_chunks_gives_the_same_values) {
  std::vector<std::string> inputs = {"3\r\nkot\r\nko,t\r\n \"kot\"\r\n", "kot\rkot\nkot\r\n\tkot\r\n", "\"kot\r\n\"\r\nkot",
                                     "   ", "kot\r", "\"a\"  x\r\nb", std::string(3 << 20, 'q').append("\r\nkot\r\n"),
                                     std::string(5 << 20, 'q').insert(0, 1, '"')};
  const char alphabet[] = {'k', 'o', 't', ',', '\r', '\n', ' ', '\t', '"'};
  unsigned state = 54321;
  for (int n = 0; n < 1500; ++n) {
    std::string data;
    for (int i = 0; i < n % 90; ++i) {
      state = state * 1103515245u + 12345u;
      const unsigned pick = (state >> 16) % 16;
      data += pick < sizeof alphabet ? alphabet[pick] : 'a';
    }
    inputs.push_back(data);
  }
  for (const std::string& data : inputs) {
    const std::vector<std::string> whole = Values(data);
    const std::size_t big = data.size() > 1000 ? 1 : 0;  // long inputs: fewer rounds
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, std::size_t{64}})
      for (const std::size_t length : {0, 1, 2, 3, 5, 16, 17}) {
        if (big && chunk < 64) continue;
        ASSERT_EQ(ChunkedValues(data, chunk, length, state), whole)
            << chunk << "/" << length << " in " << testing::PrintToString(data.substr(0, 100));
      }
  }
}

TEST(word_list, a_read_error_ends_reading_in_chunks) {
  unsigned state = 1;
  std::error_code error;
  const std::vector<std::string> got = ChunkedValues("kot\r\nkit\r\nkat\r\n", 4, 3, state, &error, 8);
  EXPECT_EQ(got, (Strings{"kot"}));  // "kit" was cut by the failed read
  EXPECT_EQ(error, std::errc::io_error);
}

TEST(word_list, line_reading_keeps_commas_and_ends_at_cr) {
  EXPECT_EQ(Lines("2\r\na,b\r\n\"q\"\r\n"), (Strings{"2", "a,b", "\"q\""}));
  EXPECT_EQ(Lines("ab\rcd\nef"), (Strings{"ab", "cd\nef"}));
  EXPECT_EQ(Lines("ab\r\n\r\n"), (Strings{"ab", ""}));
  EXPECT_EQ(Lines(""), Strings{});
}

TEST(word_list, count_takes_plain_and_fractional_numbers) {
  std::int32_t count = -1;
  EXPECT_EQ(ParseCount("0", count), CountError::None);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(ParseCount(" 42 ", count), CountError::None);
  EXPECT_EQ(count, 42);
  EXPECT_EQ(ParseCount("3.6", count), CountError::None);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(ParseCount("2.5", count), CountError::None);
  EXPECT_EQ(count, 2);  // halves round to even
  EXPECT_EQ(ParseCount("2147483647", count), CountError::None);
  EXPECT_EQ(count, 2147483647);
}

TEST(word_list, count_refuses_what_is_not_a_count) {
  std::int32_t count = 7;
  EXPECT_EQ(ParseCount("", count), CountError::Empty);
  EXPECT_EQ(ParseCount("abc", count), CountError::NotANumber);
  EXPECT_EQ(ParseCount("3abc", count), CountError::NotANumber);
  EXPECT_EQ(ParseCount("inf", count), CountError::NotANumber);
  EXPECT_EQ(ParseCount("+-3", count), CountError::NotANumber);
  EXPECT_EQ(ParseCount("3\nab", count), CountError::NotANumber);
  EXPECT_EQ(ParseCount("-5", count), CountError::Negative);
  EXPECT_EQ(ParseCount("2147483648", count), CountError::TooLarge);
  EXPECT_EQ(ParseCount("1e400", count), CountError::TooLarge);
  EXPECT_EQ(count, 7);  // untouched by a refusal
}

// Numbers beyond a double's range: the whole value must still be a number,
// and whether it is huge or rounds to 0 goes by its size, not by whether its
// text has a negative exponent.
TEST(word_list, count_beyond_double_range_goes_by_size) {
  const std::string zeros(400, '0');
  std::int32_t count = 7;
  EXPECT_EQ(ParseCount("1e999e-5", count), CountError::NotANumber);
  EXPECT_EQ(ParseCount("1e-999.5", count), CountError::NotANumber);
  EXPECT_EQ(ParseCount("1" + zeros + "e-5", count), CountError::TooLarge);
  EXPECT_EQ(ParseCount("-1" + zeros + "e-5", count), CountError::Negative);
  EXPECT_EQ(ParseCount("1e99999999999999999999999", count), CountError::TooLarge);
  // Exponents at the very edge of a long long, next to a mantissa that moves
  // the first digit further the same way.
  EXPECT_EQ(ParseCount("10e9223372036854775807", count), CountError::TooLarge);
  EXPECT_EQ(count, 7);
  EXPECT_EQ(ParseCount("0.01e-9223372036854775807", count), CountError::None);
  EXPECT_EQ(count, 0);
  count = 7;
  EXPECT_EQ(ParseCount("0." + zeros + "1e5", count), CountError::None);
  EXPECT_EQ(count, 0);
  count = 7;
  EXPECT_EQ(ParseCount("1e-99999999999999999999999", count), CountError::None);
  EXPECT_EQ(count, 0);
  count = 7;
  EXPECT_EQ(ParseCount("1e-999", count), CountError::None);
  EXPECT_EQ(count, 0);
}

TEST(word_list, file_errors_read_in_polish) {
  EXPECT_EQ(DescribeFileError(std::make_error_code(std::errc::no_such_file_or_directory)),
            "plik nie istnieje");
  EXPECT_EQ(DescribeFileError(std::make_error_code(std::errc::no_space_on_device)), "brak miejsca na dysku");
  EXPECT_NE(DescribeFileError(std::make_error_code(std::errc::bad_address)).find("nr"), std::string::npos);
}
