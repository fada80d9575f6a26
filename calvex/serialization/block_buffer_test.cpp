#include "block_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pack.h"
#include "serialization_test_util.h"

#if defined(__SANITIZE_ADDRESS__)
#define CALVEX_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CALVEX_TEST_ASAN 1
#endif
#endif

#ifdef CALVEX_TEST_ASAN
// The full-size buffer test allocates 1.5 GiB; when that is refused it must
// see a null pointer and skip, not have the sanitizer end the program.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
#endif

namespace {

using serialization_test::Hex;
using serialization_test::Throws;

// Counts what the buffer asks of its allocator; refuses on request.
template <uint32_t BlockSize>
struct CountingAllocator {
  static constexpr uint32_t block_size = BlockSize;
  static inline int allocations = 0;
  static inline int releases = 0;
  static inline bool refuse = false;

  static char* allocate(uint32_t count) {
    if (refuse) return nullptr;
    ++allocations;
    return logic::default_block_allocator_malloc_free<BlockSize>::allocate(count);
  }
  static void deallocate(char* storage) {
    ++releases;
    logic::default_block_allocator_malloc_free<BlockSize>::deallocate(storage);
  }
  static void Reset() {
    allocations = 0;
    releases = 0;
    refuse = false;
  }
};

typedef logic::BlockBuffer<CountingAllocator<16384>, 65536> CountedBuffer;
// The same template with a ceiling of 4 blocks of 16 bytes (64 bytes).
typedef logic::BlockBuffer<CountingAllocator<16>, 4> SmallBuffer;

template <class B>
std::string Contents(const B& buffer) {
  return buffer.size() == 0 ? std::string() : std::string(buffer.data(), buffer.size());
}

TEST(BlockBufferTest, NewBufferHoldsNothing) {
  logic::Buffer buffer;
  EXPECT_EQ(buffer.data(), nullptr);
  EXPECT_EQ(buffer.size(), 0u);
  EXPECT_EQ(buffer.blocks(), 0u);
  EXPECT_EQ(logic::Buffer::max_size, 1073741824u);
}

struct GrowthCase {
  const char* name;
  uint32_t before;           // bytes appended first
  uint32_t n;                // then this append
  uint32_t blocks;           // blocks held afterwards
  int allocations;           // allocations made by the second append
};

TEST(BlockBufferTest, GrowsToExactlyTheBlocksTheAppendNeeds) {
  const GrowthCase cases[] = {
      {"one byte into a new buffer", 0, 1, 1, 1},
      {"one whole block into a new buffer", 0, 16384, 1, 1},
      {"one block and a byte into a new buffer", 0, 16385, 2, 1},
      {"five blocks at once", 0, 5 * 16384, 5, 1},
      {"room left in the last block", 1, 16383, 1, 0},
      {"one byte past the last block", 16384, 1, 2, 1},
      {"a partly used block, then two blocks more", 100, 2 * 16384, 3, 1},
      {"nothing into a new buffer", 0, 0, 0, 0},
  };
  for (const GrowthCase& c : cases) {
    SCOPED_TRACE(c.name);
    CountingAllocator<16384>::Reset();
    {
      std::vector<char> source(c.before + c.n, 'x');
      for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>(i * 7);
      CountedBuffer buffer;
      ASSERT_TRUE(buffer.append(source.data(), c.before));
      int allocations_before = CountingAllocator<16384>::allocations;
      int releases_before = CountingAllocator<16384>::releases;
      ASSERT_TRUE(buffer.append(source.data() + c.before, c.n));
      EXPECT_EQ(buffer.blocks(), c.blocks);
      EXPECT_EQ(buffer.size(), c.before + c.n);
      EXPECT_EQ(CountingAllocator<16384>::allocations - allocations_before, c.allocations);
      // One growth releases the old area once, if there was one.
      int expected_releases = (c.allocations == 1 && allocations_before == 1) ? 1 : 0;
      EXPECT_EQ(CountingAllocator<16384>::releases - releases_before, expected_releases);
      EXPECT_EQ(Contents(buffer), std::string(source.begin(), source.end()));
    }
    // Whatever was taken is given back when the buffer goes.
    EXPECT_EQ(CountingAllocator<16384>::allocations, CountingAllocator<16384>::releases);
  }
}

TEST(BlockBufferTest, CeilingIsReachedExactlyAndNeverPassed) {
  SmallBuffer::allocator_type::Reset();
  SmallBuffer buffer;
  std::string bytes(64, 'q');
  ASSERT_TRUE(buffer.append(bytes.data(), 63));
  ASSERT_TRUE(buffer.append("z", 1));
  EXPECT_EQ(buffer.blocks(), 4u);
  EXPECT_EQ(buffer.size(), 64u);

  const char* storage = buffer.data();
  int allocations = SmallBuffer::allocator_type::allocations;
  const uint32_t too_much[] = {1, 16, 17, 0x7FFFFFFFu, UINT32_MAX};
  for (uint32_t n : too_much) {
    SCOPED_TRACE(n);
    EXPECT_FALSE(buffer.append(bytes.data(), n));
    EXPECT_EQ(buffer.size(), 64u);
    EXPECT_EQ(buffer.blocks(), 4u);
    EXPECT_EQ(buffer.data(), storage);
    EXPECT_EQ(Contents(buffer), std::string(63, 'q') + "z");
  }
  // Refused before asking the allocator.
  EXPECT_EQ(SmallBuffer::allocator_type::allocations, allocations);
}

TEST(BlockBufferTest, AppendPastTheCeilingOfANewOrPartlyFilledBufferFails) {
  SmallBuffer::allocator_type::Reset();
  std::string bytes(65, 'q');
  SmallBuffer fresh;
  EXPECT_FALSE(fresh.append(bytes.data(), 65));
  EXPECT_EQ(fresh.blocks(), 0u);
  EXPECT_EQ(fresh.data(), nullptr);

  SmallBuffer partly;
  ASSERT_TRUE(partly.append(bytes.data(), 20));
  // The block count for a huge n is computed without wrapping around.
  EXPECT_FALSE(partly.append(bytes.data(), UINT32_MAX));
  EXPECT_FALSE(partly.append(bytes.data(), UINT32_MAX - 11));  // exactly fills 32 bits
  EXPECT_FALSE(partly.append(bytes.data(), 45));
  EXPECT_TRUE(partly.append(bytes.data(), 44));
  EXPECT_EQ(partly.blocks(), 4u);
  EXPECT_EQ(SmallBuffer::allocator_type::allocations, 2);
}

TEST(BlockBufferTest, RealCeilingRefusesWithoutAllocating) {
  CountingAllocator<16384>::Reset();
  CountedBuffer buffer;
  const char byte = 1;
  // The source is never read: the ceiling refuses first.
  EXPECT_FALSE(buffer.append(&byte, 1073741824u + 1));
  EXPECT_FALSE(buffer.append(&byte, UINT32_MAX));
  ASSERT_TRUE(buffer.append(&byte, 1));
  EXPECT_FALSE(buffer.append(&byte, 1073741824u));
  EXPECT_FALSE(buffer.append(&byte, UINT32_MAX));
  EXPECT_EQ(buffer.size(), 1u);
  EXPECT_EQ(buffer.blocks(), 1u);
  EXPECT_EQ(CountingAllocator<16384>::allocations, 1);
}

TEST(BlockBufferTest, RefusedAllocationLeavesTheBufferAsItWas) {
  SmallBuffer::allocator_type::Reset();
  SmallBuffer buffer;
  ASSERT_TRUE(buffer.append("0123456789abcdef", 16));
  SmallBuffer::allocator_type::refuse = true;
  EXPECT_FALSE(buffer.append("x", 1));
  EXPECT_FALSE(buffer.replace(10, "ABCDEFGH", 8));
  EXPECT_EQ(Contents(buffer), "0123456789abcdef");
  EXPECT_EQ(buffer.blocks(), 1u);
  SmallBuffer::allocator_type::refuse = false;
}

struct ReplaceCase {
  const char* name;
  uint32_t pos;
  std::string bytes;
  std::string after;
};

TEST(BlockBufferTest, ReplaceOverwritesAppendsOrCutsAndAppends) {
  const ReplaceCase cases[] = {
      {"at the end appends", 8, "XY", "abcdefghXY"},
      {"past the end appends at the end, leaving no gap", 100, "XY", "abcdefghXY"},
      {"at the front overwrites", 0, "XY", "XYcdefgh"},
      {"inside overwrites", 3, "XYZ", "abcXYZgh"},
      {"the last four bytes are overwritten in place", 4, "WXYZ", "abcdWXYZ"},
      {"reaching past the end cuts there and appends", 6, "WXYZ", "abcdefWXYZ"},
      {"nothing inside changes nothing", 3, "", "abcdefgh"},
      {"nothing at the end changes nothing", 8, "", "abcdefgh"},
      {"nothing past the end changes nothing", 9, "", "abcdefgh"},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(c.name);
    SmallBuffer buffer;
    ASSERT_TRUE(buffer.append("abcdefgh", 8));
    const char* bytes = c.bytes.empty() ? nullptr : c.bytes.data();  // no bytes may come as no pointer
    EXPECT_TRUE(buffer.replace(c.pos, bytes, static_cast<uint32_t>(c.bytes.size())));
    EXPECT_EQ(Contents(buffer), c.after);
  }
}

TEST(BlockBufferTest, ReplaceThatCannotGrowLeavesTheBufferWhole) {
  typedef logic::BlockBuffer<CountingAllocator<16>, 1> OneBlock;
  OneBlock buffer;
  ASSERT_TRUE(buffer.append("0123456789abcdef", 16));
  EXPECT_FALSE(buffer.replace(12, "ABCDEFGH", 8));  // would need 20 bytes
  EXPECT_EQ(Contents(buffer), "0123456789abcdef");
  // A huge length at a position inside must not wrap into an overwrite.
  EXPECT_FALSE(buffer.replace(2, "AB", UINT32_MAX));
  EXPECT_FALSE(buffer.replace(15, "AB", UINT32_MAX - 10));
  EXPECT_EQ(Contents(buffer), "0123456789abcdef");
  EXPECT_EQ(buffer.size(), 16u);
}

TEST(BlockBufferTest, SourceInsideTheBufferSurvivesGrowth) {
  SmallBuffer buffer;
  ASSERT_TRUE(buffer.append("0123456789abcdef", 16));
  ASSERT_TRUE(buffer.append(buffer.data(), 16));  // grows: the storage moves
  EXPECT_EQ(Contents(buffer), "0123456789abcdef0123456789abcdef");
  ASSERT_TRUE(buffer.replace(28, buffer.data() + 2, 8));  // cuts and grows
  EXPECT_EQ(Contents(buffer), "0123456789abcdef0123456789ab23456789");
  ASSERT_TRUE(buffer.replace(1, buffer.data(), 4));  // overlapping overwrite
  EXPECT_EQ(Contents(buffer), "0012356789abcdef0123456789ab23456789");
}

// The real buffer filled to its 1 GiB ceiling, where the machine can give
// 1.5 GiB (the last doubling holds the old and the new area); skipped
// otherwise.  The bytes are made by appending the buffer to itself.
TEST(BlockBufferTest, FullSizeBufferStopsAtOneGibibyte) {
  if (sizeof(void*) < 8) GTEST_SKIP() << "a 32-bit process rarely gets 1 GiB in one piece";
  const uint32_t kGiB = 1073741824u;
  logic::Buffer buffer;
  std::string seed(16384, '\0');
  for (size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<char>(i);
  ASSERT_TRUE(buffer.append(seed.data(), 16384));
  while (buffer.size() < kGiB / 2) {
    if (!buffer.append(buffer.data(), buffer.size())) GTEST_SKIP() << "not enough memory";
  }
  // Leave 3 bytes free: a varstr "abc" then gets its length, not its bytes.
  if (!buffer.append(buffer.data(), kGiB / 2 - 3)) GTEST_SKIP() << "not enough memory";
  EXPECT_EQ(buffer.blocks(), 65536u);
  logic::Pack pack(buffer);
  EXPECT_TRUE(Throws<logic::PackError>([&] { pack.push_varstr("abc", 3); }, "append buffer overflow"));
  EXPECT_EQ(buffer.size(), kGiB - 1);
  EXPECT_EQ(Hex(std::string(buffer.data() + kGiB - 3, 2)), "03 00");
  EXPECT_TRUE(Throws<logic::PackError>([&] { pack.push_uint16(7); }, "append buffer overflow"));
  EXPECT_TRUE(Throws<logic::PackError>([&] { pack.push_uint32(7); }, "append buffer overflow"));
  pack.push_uint8(0x5A);
  EXPECT_EQ(buffer.size(), kGiB);
  EXPECT_TRUE(Throws<logic::PackError>([&] { pack.push_uint8(7); }, "append buffer overflow"));
  EXPECT_TRUE(Throws<logic::PackError>([&] { pack.replace_uint32(kGiB - 2, 7); }, "replace buffer overflow"));
  EXPECT_EQ(Hex(std::string(buffer.data() + kGiB - 3, 3)), "03 00 5a");
  pack.replace_uint32(kGiB - 4, 0x04030201u);
  EXPECT_EQ(Hex(std::string(buffer.data() + kGiB - 4, 4)), "01 02 03 04");
  EXPECT_EQ(buffer.size(), kGiB);
  EXPECT_EQ(buffer.blocks(), 65536u);
}

}  // namespace
