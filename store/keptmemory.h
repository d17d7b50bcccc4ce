#pragma once

#include <cstddef>
#include <memory>
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

// Memory straight from the system for one large buffer that is not kept:
// bytes rounded up to KeptPieceBytes, aligned and advised for huge pages;
// nullptr when the system has none. GiveBackLargeMemory returns it to the
// system (size: the rounded size).
char* TakeLargeMemory(std::size_t bytes, std::size_t* got);
void GiveBackLargeMemory(char* piece, std::size_t size);

// An allocator for a vector that grows large and is written right after it
// grows (the fill's arena of words): from 2 MiB on its memory comes in huge
// pages (one fault per 2 MiB instead of 512) and goes back to the system
// when freed; the elements it adds are left unwritten.
template <class T>
struct LargePageAllocator {
  using value_type = T;
  LargePageAllocator() = default;
  template <class U>
  LargePageAllocator(const LargePageAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n * sizeof(T) < KeptPieceBytes) return std::allocator<T>().allocate(n);
    std::size_t got = 0;
    char* piece = TakeLargeMemory(n * sizeof(T), &got);
    if (piece == nullptr) throw std::bad_alloc();
    return reinterpret_cast<T*>(piece);
  }
  void deallocate(T* p, std::size_t n) noexcept {
    const std::size_t bytes = n * sizeof(T);
    if (bytes < KeptPieceBytes) return std::allocator<T>().deallocate(p, n);
    GiveBackLargeMemory(reinterpret_cast<char*>(p), (bytes + KeptPieceBytes - 1) / KeptPieceBytes * KeptPieceBytes);
  }
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  friend bool operator==(const LargePageAllocator&, const LargePageAllocator&) { return true; }
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
