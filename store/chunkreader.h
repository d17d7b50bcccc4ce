#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <system_error>

#include "keptmemory.h"
#include "wordlist.h"

namespace wypelniak {

// The piece of a word-list file the search and the addition read at a time:
// small enough to stay in the processor's cache between the copy from the
// system and the scan, and to cost the first search of a process few fresh
// pages (measured: 64 KiB beats 256 KiB by some hundred page faults).
inline constexpr std::size_t ListChunkBytes = std::size_t{64} << 10;

// Reads up to size bytes into buffer; got is 0 only at the end.
using ChunkSource = std::function<std::error_code(char* buffer, std::size_t size, std::size_t& got)>;

// Reads the next chunk of a file behind the kept bytes at the front of buffer
// (the search's and the addition's one way of filling): at least chunk
// bytes and at least as many as are kept, so that a line or value still cut
// after a chunk has come in is scanned a bounded number of times over, not
// once per chunk. Fewer only at the source's end, when atEnd is set. The
// buffer has room for a chunk behind a cut line from the start, so that it
// is not taken again (and its fresh pages touched) at the second chunk.
std::error_code ReadNextChunk(const ChunkSource& source, KeptBuffer& buffer, std::size_t kept,
                              std::size_t chunk, std::size_t& read, bool& atEnd);

// Reads values exactly as CountedReader does over a whole file, while
// holding only a chunk of it at a time in one buffer that outlives the
// reading. A value that the chunk's end may cut (its delimiter, the LF of
// its CR LF, its closing quotation mark or the blanks before it not yet
// seen) is read again once the next chunk has come in behind it; a value
// longer than the buffer makes the buffer grow.
class ChunkedReader {
 public:
  using Source = ChunkSource;
  // Sees every piece of the file as it is read, before any value in it is
  // given out.
  using Watcher = std::function<void(std::string_view piece)>;

  ChunkedReader(KeptBuffer& buffer, std::size_t chunk, Source source, Watcher watcher = {})
      : buffer_(buffer),
        chunk_(chunk == 0 ? 1 : chunk),
        source_(std::move(source)),
        watcher_(std::move(watcher)) {}

  // As CountedReader::NextExpecting; false at the end of the file and on a
  // read error (Error() tells which). The value stays valid until the next
  // call.
  bool NextExpecting(std::size_t length, std::string_view& value) {
    const std::size_t at = reader_.Position();
    const bool got = reader_.NextExpecting(length, value);
    // A value that ends before the chunk does was read from whole data.
    if (reader_.Position() < filled_ || atEnd_) return got;
    return ReadAgain(at, length, value);
  }
  // As CountedReader::Next.
  bool Next(std::string_view& value) { return NextExpecting(0, value); }

  const std::error_code& Error() const { return error_; }

 private:
  // Brings in the next chunk behind the bytes from at on and reads the
  // value at at again, as often as the chunk's end still may cut it.
  bool ReadAgain(std::size_t at, std::size_t length, std::string_view& value);
  // Moves the bytes from at on to the buffer's front and reads behind them.
  bool Fill(std::size_t at);

  KeptBuffer& buffer_;
  std::size_t chunk_;
  Source source_;
  Watcher watcher_;
  CountedReader reader_{std::string_view{}};
  std::size_t filled_ = 0;  // bytes of the buffer that hold the file
  bool atEnd_ = false;      // the source has said it has no more
  std::error_code error_;
};

}  // namespace wypelniak
