#pragma once

#include <cstddef>

// Memory for the search's big buffers (the file's chunks, the result rows).
// A fresh page costs a fault each time it is first touched, and the C
// library hands large freed buffers back to the system, so a buffer freed
// after each search is paid for again by the next. This memory is taken from
// the system in large aligned pieces, advised for huge pages where the system
// offers them (one fault then makes 2 MiB usable), and is never given back
// while the process runs: a piece freed goes to a pool that the next request
// of its size takes from.
namespace wypelniak {

// The size every piece is a whole multiple of (one huge page on x86-64).
inline constexpr std::size_t KeptPieceBytes = std::size_t{2} << 20;

// A piece of at least bytes bytes, reused from the pool or taken from the
// system; nullptr when the system has none. Its content is unspecified.
// *got receives its size: bytes rounded up to KeptPieceBytes and advised for
// huge pages when huge, else to 64 KiB (a huge page is resident whole, too
// much for a piece that is mostly left untouched).
char* TakeKeptMemory(std::size_t bytes, std::size_t* got, bool huge = true);

// Puts a piece from TakeKeptMemory back in the pool; size is its rounded
// size.
void ReturnKeptMemory(char* piece, std::size_t size);

// One growable buffer in kept memory.
class KeptBuffer {
 public:
  // The buffer takes no memory until the first Reserve.
  KeptBuffer() = default;
  KeptBuffer(const KeptBuffer&) = delete;
  KeptBuffer& operator=(const KeptBuffer&) = delete;
  ~KeptBuffer();

  // Makes room for at least bytes bytes, keeping the first keep bytes; the
  // memory is advised for huge pages only from 2 MiB on. False when the
  // memory cannot be had (the buffer is then unchanged).
  bool Reserve(std::size_t bytes, std::size_t keep);

  char* Data() const { return data_; }
  std::size_t Size() const { return size_; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace wypelniak
