#pragma once

#include <cstddef>
#include <new>
#include <utility>

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

// The rounded size of a piece of bytes bytes taken with huge set from 2 MiB
// on, as KeptAllocator takes them.
std::size_t KeptPieceSize(std::size_t bytes);

// An allocator over kept memory for a vector that grows and shrinks all the
// time (the fill's arena of words): its pieces go back to the pool for the
// next one, and the elements it adds when it grows are left unwritten, since
// they are written right after.
template <class T>
struct KeptAllocator {
  using value_type = T;
  KeptAllocator() = default;
  template <class U>
  KeptAllocator(const KeptAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    std::size_t got = 0;
    const std::size_t bytes = n * sizeof(T);
    char* piece = TakeKeptMemory(bytes, &got, bytes >= KeptPieceBytes);
    if (piece == nullptr) throw std::bad_alloc();
    return reinterpret_cast<T*>(piece);
  }
  void deallocate(T* p, std::size_t n) noexcept {
    ReturnKeptMemory(reinterpret_cast<char*>(p), KeptPieceSize(n * sizeof(T)));
  }
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  friend bool operator==(const KeptAllocator&, const KeptAllocator&) { return true; }
};

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
