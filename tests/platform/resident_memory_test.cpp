// The process's resident memory, as the memory benchmark reads it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/platform.h"
#include "platform/testing/resident_memory.h"

namespace zelmor::platform {
namespace {

TEST(ResidentMemoryTest, CountsPagesTheProcessTouches) {
  const uint64_t before = ResidentMemoryBytes();
  ASSERT_GT(before, 0u);
  constexpr size_t kBlock = 64u << 20;
  auto block = std::make_unique<char[]>(kBlock);
  std::memset(block.get(), 1, kBlock);
  const uint64_t after = ResidentMemoryBytes();
  // Generous: other threads and the allocator may move the figure a little.
  EXPECT_GT(after, before + kBlock / 2) << before << " -> " << after;
  EXPECT_EQ(block[kBlock - 1], 1);
}

}  // namespace
}  // namespace zelmor::platform
