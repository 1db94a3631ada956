// Several processes write multi-chunk values of different lengths to one key
// and read it back: every read must be one of the written values, whole.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "settings/safe_ini_file.h"
#include "support/test_support.h"
#include "wine_limits.h"

namespace zelmor {
namespace {

constexpr int kWriters = 4;

std::string ValueOf(int writer) {
  std::string value;
  const size_t length = 66000 + static_cast<size_t>(writer) * 45000;
  for (size_t i = 0; value.size() < length; ++i)
    value += (i % 97 == 96) ? std::string("\r\n") : std::string(1, static_cast<char>('a' + writer));
  return value;
}

ZELMOR_CHILD_ROLE(ini_writer) {
  const int writer = std::stoi(args.at(1));
  const uint32_t duration = static_cast<uint32_t>(std::stoul(args.at(2)));
  std::vector<std::string> values;
  for (int i = 0; i < kWriters; ++i) values.push_back(ValueOf(i));
  TSafeIniFile ini(args.at(0));
  const uint32_t started = platform::TickCount();
  int rounds = 0;
  while (platform::TickCount() - started < duration || rounds < 3) {
    ini.WriteString("Stress", "Value", values[writer]);
    const std::string read = ini.ReadString("Stress", "Value", "");
    bool known = false;
    for (const std::string& value : values) known = known || read == value;
    if (!known) return 10;
    ++rounds;
  }
  return 0;
}

TEST(SafeIniFileCrossProcess, ReadersNeverSeeAMix) {
  ZELMOR_SKIP_LONG_VALUES_UNDER_WINE();
  test::TempFolder folder;
  const std::string path = folder / "stress.ini";
  std::vector<std::unique_ptr<test::ChildProcess>> children;
  for (int i = 0; i < kWriters; ++i)
    children.push_back(std::make_unique<test::ChildProcess>(
        "ini_writer", std::vector<std::string>{path, std::to_string(i), "3000"}));
  for (auto& child : children) EXPECT_EQ(child->Wait(120000), 0);

  TSafeIniFile ini(path);
  const std::string last = ini.ReadString("Stress", "Value", "");
  bool known = false;
  for (int i = 0; i < kWriters; ++i) known = known || last == ValueOf(i);
  EXPECT_TRUE(known);
  std::vector<std::string> keys;
  ini.ReadSection("Stress", keys);
  EXPECT_EQ(keys.size(), 3u + (last.size() + 3 * (last.size() / 97)) / 65532);
  std::vector<std::string> sections;
  ini.ReadSections(sections);
  EXPECT_EQ(sections, std::vector<std::string>{"Stress"});
}

}  // namespace
}  // namespace zelmor
