#include "chunkreader.h"

#include <cstring>

namespace wypelniak {

bool ChunkedReader::ReadAgain(std::size_t at, std::size_t length, std::string_view& value) {
  for (;;) {
    if (!Fill(at)) {
      value = {};
      return false;
    }
    at = 0;
    const bool got = reader_.NextExpecting(length, value);
    if (reader_.Position() < filled_ || atEnd_) return got;
  }
}

bool ChunkedReader::Fill(std::size_t at) {
  if (error_) return false;
  const std::size_t kept = filled_ - at;
  if (kept > 0 && at > 0) std::memmove(buffer_.Data(), buffer_.Data() + at, kept);
  // A value still cut after a chunk came in reads at least as many new bytes
  // as it already holds, so a long value is scanned a bounded number of
  // times over, not once per chunk.
  const std::size_t want = kept > chunk_ ? kept : chunk_;
  // Room for a chunk behind a cut value from the start, so that the buffer
  // is not taken again (and its fresh pages touched) at the second chunk.
  const std::size_t room = kept + want > 2 * chunk_ ? kept + want : 2 * chunk_;
  if (!buffer_.Reserve(room, kept)) {
    error_ = std::make_error_code(std::errc::not_enough_memory);
    return false;
  }
  char* const into = buffer_.Data() + kept;
  std::size_t read = 0;
  while (read < want) {
    std::size_t got = 0;
    if ((error_ = source_(into + read, want - read, got))) return false;
    if (got == 0) {
      atEnd_ = true;
      break;
    }
    read += got;
  }
  if (watcher_ && read > 0) watcher_(std::string_view(into, read));
  filled_ = kept + read;
  reader_ = CountedReader(std::string_view(buffer_.Data(), filled_));
  return true;
}

}  // namespace wypelniak
