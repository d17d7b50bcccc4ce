// Line reading over arbitrary bytes. The lines, put back with their line
// ends, must give the input again: each line is the input's next stretch up
// to a CR, the CR and an LF right after it are one line end, and a lone LF is
// part of a line. No line holds a CR, and no empty line is made up after the
// last line end.

#include <cstdint>
#include <string_view>

#include "fuzz_support.h"
#include "wordlist.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string_view data(reinterpret_cast<const char*>(bytes), size);
  wypelniak::LineReader reader(data);
  std::size_t pos = 0;  // where the next line must begin
  while (!reader.AtEnd()) {
    FUZZ_CHECK(pos < size);
    const std::string_view line = reader.ReadLine();
    FUZZ_CHECK(line.data() == data.data() + pos);
    FUZZ_CHECK(line.size() <= size - pos);
    FUZZ_CHECK(line.find('\r') == std::string_view::npos);
    pos += line.size();
    if (pos < size) {
      FUZZ_CHECK(data[pos] == '\r');
      pos += pos + 1 < size && data[pos + 1] == '\n' ? 2 : 1;
    }
  }
  FUZZ_CHECK(pos == size);
  return 0;
}
