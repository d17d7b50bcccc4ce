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
  std::size_t read = 0;
  if ((error_ = ReadNextChunk(source_, buffer_, kept, chunk_, read, atEnd_))) return false;
  if (watcher_ && read > 0) watcher_(std::string_view(buffer_.Data() + kept, read));
  filled_ = kept + read;
  reader_ = CountedReader(std::string_view(buffer_.Data(), filled_));
  return true;
}

std::error_code ReadNextChunk(const ChunkSource& source, KeptBuffer& buffer, std::size_t kept,
                              std::size_t chunk, std::size_t& read, bool& atEnd) {
  read = 0;
  if (chunk == 0) chunk = 1;
  const std::size_t want = kept > chunk ? kept : chunk;
  const std::size_t room = kept + want > 2 * chunk ? kept + want : 2 * chunk;
  if (!buffer.Reserve(room, kept)) return std::make_error_code(std::errc::not_enough_memory);
  char* const into = buffer.Data() + kept;
  while (read < want) {
    std::size_t got = 0;
    if (const std::error_code ec = source(into + read, want - read, got)) return ec;
    if (got == 0) {
      atEnd = true;
      break;
    }
    read += got;
  }
  return {};
}

}  // namespace wypelniak
