#include "keptmemory.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <cstdint>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace wypelniak {
namespace {

// The pieces given back, for reuse, and the lock that lets searches on
// several threads share them. Never destroyed, so that buffers destroyed at
// exit can still give theirs back.
std::vector<std::pair<char*, std::size_t>>& Pool() {
  static auto* pool = new std::vector<std::pair<char*, std::size_t>>;
  return *pool;
}

std::mutex& PoolLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

// A piece of size bytes from the pool, or nullptr.
char* FromPool(std::size_t size) {
  const std::lock_guard<std::mutex> hold(PoolLock());
  auto& pool = Pool();
  for (auto it = pool.begin(); it != pool.end(); ++it) {
    if (it->second == size) {
      char* piece = it->first;
      pool.erase(it);
      return piece;
    }
  }
  return nullptr;
}

constexpr std::size_t kSmallUnit = std::size_t{64} << 10;

std::size_t RoundUp(std::size_t bytes, std::size_t unit) {
  if (bytes == 0) bytes = 1;
  return (bytes + unit - 1) / unit * unit;
}

char* FromSystem(std::size_t size, bool huge) {
#ifdef _WIN32
  (void)huge;
  return static_cast<char*>(VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
#else
  if (!huge) {
    void* raw = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return raw == MAP_FAILED ? nullptr : static_cast<char*>(raw);
  }
  // Over-ask by one piece and trim, so that the piece starts on a huge-page
  // boundary: only whole aligned 2 MiB ranges can be backed by huge pages.
  const std::size_t asked = size + KeptPieceBytes;
  void* raw = mmap(nullptr, asked, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + KeptPieceBytes - 1) / KeptPieceBytes * KeptPieceBytes;
  if (aligned > start) munmap(raw, aligned - start);
  const std::uintptr_t tail = start + asked - (aligned + size);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
#ifdef MADV_HUGEPAGE
  madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);  // a hint: failure is harmless
#endif
  return reinterpret_cast<char*>(aligned);
#endif
}

}  // namespace

char* TakeKeptMemory(std::size_t bytes, std::size_t* got, bool huge) {
  const std::size_t size = RoundUp(bytes, huge ? KeptPieceBytes : kSmallUnit);
  if (size < bytes) return nullptr;  // wrapped around
  if (char* piece = FromPool(size)) {
    *got = size;
    return piece;
  }
  char* piece = FromSystem(size, huge);
  if (piece != nullptr) *got = size;
  return piece;
}

char* TakeLargeMemory(std::size_t bytes, std::size_t* got) {
  const std::size_t size = RoundUp(bytes, KeptPieceBytes);
  if (size < bytes) return nullptr;
  char* piece = FromSystem(size, true);
  if (piece != nullptr) *got = size;
  return piece;
}

void GiveBackLargeMemory(char* piece, std::size_t size) {
  if (piece == nullptr) return;
#ifdef _WIN32
  (void)size;
  VirtualFree(piece, 0, MEM_RELEASE);
#else
  munmap(piece, size);
#endif
}

void ReturnKeptMemory(char* piece, std::size_t size) {
  if (piece == nullptr) return;
  const std::lock_guard<std::mutex> hold(PoolLock());
  Pool().emplace_back(piece, size);
}

KeptBuffer::~KeptBuffer() {
  ReturnKeptMemory(data_, size_);
}

bool KeptBuffer::Reserve(std::size_t bytes, std::size_t keep) {
  if (bytes <= size_) return true;
  std::size_t got = 0;
  char* grown = TakeKeptMemory(bytes, &got, bytes >= KeptPieceBytes);
  if (grown == nullptr) return false;
  if (keep > 0) std::memcpy(grown, data_, keep < size_ ? keep : size_);
  ReturnKeptMemory(data_, size_);
  data_ = grown;
  size_ = got;
  return true;
}

}  // namespace wypelniak
