// BlockBuffer: the growable byte area that every serialization writes into.
//
// Storage is one contiguous area of whole blocks taken from the allocator.
// It grows to exactly as many blocks as the next append needs (no doubling,
// no slack block), with one allocation, one copy and one release per growth,
// and never beyond MaxBlocks blocks.  The buffer the engine uses is
// logic::Buffer: 16 KiB blocks, at most 65536 of them (1 GiB).
//
// Invariants: size() <= blocks() * BlockSize <= MaxBlocks * BlockSize, which
// fits in 32 bits; data() is null exactly when blocks() is 0.  A failed
// append or replace leaves the buffer exactly as it was.
//
// Threads: none of this is locked.  A buffer belongs to one thread at a time;
// it is made, filled and dropped inside one operation.
#ifndef CALVEX_SERIALIZATION_BLOCK_BUFFER_H_
#define CALVEX_SERIALIZATION_BLOCK_BUFFER_H_

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace logic {

// Hands out whole blocks of BlockSize bytes with the runtime's malloc/free.
template <uint32_t BlockSize>
struct default_block_allocator_malloc_free {
  static constexpr uint32_t block_size = BlockSize;

  // Storage for `count` blocks, or null when it cannot be had.
  static char* allocate(uint32_t count) {
    return static_cast<char*>(std::malloc(static_cast<size_t>(count) * BlockSize));
  }
  static void deallocate(char* storage) { std::free(storage); }
};

template <class Allocator, uint32_t MaxBlocks>
class BlockBuffer {
 public:
  typedef Allocator allocator_type;
  static constexpr uint32_t block_size = Allocator::block_size;
  static constexpr uint32_t max_blocks = MaxBlocks;
  static_assert(block_size > 0 && max_blocks > 0, "a buffer needs blocks");
  // Sizes and positions are 32-bit: the largest buffer must be countable.
  static_assert(static_cast<uint64_t>(block_size) * max_blocks <= UINT32_MAX,
                "the largest buffer must fit in 32 bits");
  static constexpr uint32_t max_size = block_size * max_blocks;

  BlockBuffer() : data_(nullptr), size_(0), blocks_(0) {}
  virtual ~BlockBuffer() {
    if (blocks_ != 0) Allocator::deallocate(data_);
  }
  BlockBuffer(const BlockBuffer&) = delete;
  BlockBuffer& operator=(const BlockBuffer&) = delete;

  // Copies n bytes to the end, growing first when needed.  False, with the
  // buffer unchanged, when the ceiling or the allocator refuses the room.
  bool append(const void* source, uint32_t n) {
    if (n == 0) return true;
    // A source inside our own storage would move with it when we grow.
    const char* from = static_cast<const char*>(source);
    bool from_inside = lies_inside(from);
    uint32_t inside_at = from_inside ? static_cast<uint32_t>(from - data_) : 0;
    if (!increase_capacity(n)) return false;
    if (from_inside) from = data_ + inside_at;
    std::memmove(data_ + size_, from, n);
    size_ += n;
    return true;
  }

  // Writes n bytes at position pos.  At or past the end the bytes are
  // appended (no gap is ever made); a write that stays inside overwrites in
  // place; a write that reaches or passes the end cuts the buffer at pos and
  // appends.  False, with the buffer unchanged, when growing fails.
  bool replace(uint32_t pos, const void* source, uint32_t n) {
    if (n == 0) return true;
    if (pos >= size_) return append(source, n);
    // pos < size_, so size_ - pos cannot wrap, while pos + n could.
    if (n < size_ - pos) {
      std::memmove(data_ + pos, source, n);
      return true;
    }
    uint32_t old_size = size_;
    // The source may lie in the tail being cut: append recognises any source
    // inside the storage, and memmove copes with the overlap.
    size_ = pos;
    if (!append(source, n)) {
      size_ = old_size;
      return false;
    }
    return true;
  }

  char* data() { return data_; }
  const char* data() const { return data_; }
  uint32_t size() const { return size_; }
  uint32_t blocks() const { return blocks_; }
  uint32_t capacity() const { return blocks_ * block_size; }

 private:
  // Makes room for n more bytes: grows to exactly the whole blocks needed.
  bool increase_capacity(uint32_t n) {
    if (n == 0) return true;
    uint32_t free_bytes = capacity() - size_;
    if (free_bytes >= n) return true;
    // 64-bit so that no n, however large, wraps the block count.
    uint64_t need = n - free_bytes;
    uint64_t new_blocks = blocks_ + need / block_size + (need % block_size != 0 ? 1 : 0);
    if (new_blocks > max_blocks) return false;
    char* storage = Allocator::allocate(static_cast<uint32_t>(new_blocks));
    if (storage == nullptr) return false;
    if (blocks_ != 0) {
      if (size_ != 0) std::memcpy(storage, data_, size_);
      Allocator::deallocate(data_);
    }
    data_ = storage;
    blocks_ = static_cast<uint32_t>(new_blocks);
    return true;
  }

  bool lies_inside(const char* p) const {
    if (data_ == nullptr) return false;
    std::less_equal<const char*> le;
    return le(data_, p) && std::less<const char*>()(p, data_ + capacity());
  }

  char* data_;
  uint32_t size_;
  uint32_t blocks_;
};

// The one buffer the engine serializes into: 16 KiB blocks, 1 GiB at most.
typedef BlockBuffer<default_block_allocator_malloc_free<16384>, 65536> Buffer;

}  // namespace logic

#endif  // CALVEX_SERIALIZATION_BLOCK_BUFFER_H_
