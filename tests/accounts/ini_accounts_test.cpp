// The settings file written by several accounts, through symlinks, and by
// writers killed in the middle of a write.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "accounts/accounts_test_support.h"
#include "rtl/exceptions.h"
#include "settings/safe_ini_file.h"

namespace zelmor {
namespace {

using test::ChildProcess;

constexpr auto kNobody = ChildProcess::Account::kNobody;
constexpr auto kMember = ChildProcess::Account::kStationMember;

// Child: writes FB/<key>=<value>; 0 when it could.
ZELMOR_CHILD_ROLE(write_ini_key) {
  try {
    TSafeIniFile ini(args.at(0));
    ini.WriteString("FB", args.at(1), args.at(2));
  } catch (const Exception&) {
    return 1;
  }
  return 0;
}

// Child: 0 when FB/<key> reads <value>.
ZELMOR_CHILD_ROLE(read_ini_key) {
  TSafeIniFile ini(args.at(0));
  return ini.ReadString("FB", args.at(1), "<default>") == args.at(2) ? 0 : 1;
}

int As(ChildProcess::Account account, const char* role, const std::vector<std::string>& args) {
  ChildProcess child(role, args, account);
  return child.Wait();
}

std::string Read(const std::string& path, const std::string& key) {
  TSafeIniFile ini(path);
  return ini.ReadString("FB", key, "<default>");
}

void Write(const std::string& path, const std::string& key, const std::string& value) {
  TSafeIniFile ini(path);
  ini.WriteString("FB", key, value);
}

TEST(IniAccounts, AFileOfAnotherAccountKeepsItsOwnerAndModeWhenRootWritesIt) {
  ZELMOR_REQUIRE_ROOT();
  test::StationFolder dir;
  const std::string path = dir / "cnf.ini";
  ASSERT_EQ(As(kMember, "write_ini_key", {path, "A", "1"}), 0);
  ASSERT_TRUE(platform::SetMode(path, 0664));
  Write(path, "B", "2");
  const platform::FileStatus after = platform::StatusOf(path);
  EXPECT_EQ(after.owner, test::kStationMemberUid);
  EXPECT_EQ(after.group, test::kStationGid);
  EXPECT_EQ(after.mode, 0664u);
  EXPECT_EQ(As(kMember, "write_ini_key", {path, "C", "3"}), 0) << "the member's next write failed";
  EXPECT_EQ(Read(path, "A") + Read(path, "B") + Read(path, "C"), "123");
}

TEST(IniAccounts, AStrictUmaskDoesNotHideTheFileFromTheStation) {
  ZELMOR_REQUIRE_ROOT();
  test::StationFolder dir;
  const std::string path = dir / "cnf.ini";
  const uint32_t before = platform::ReplaceUmask(077);
  Write(path, "Port", "3050");
  EXPECT_EQ(platform::StatusOf(path).mode, 0660u) << "a new file";
  ASSERT_TRUE(platform::SetMode(path, 0640));
  Write(path, "Port", "30050");
  platform::ReplaceUmask(before);
  EXPECT_EQ(platform::StatusOf(path).mode, 0640u);
  EXPECT_EQ(As(kMember, "read_ini_key", {path, "Port", "30050"}), 0)
      << "the member read the default";
}

TEST(IniAccounts, AFolderTheMemberMayNotWriteIsWrittenInPlaceAndNobodyChangesNothing) {
  ZELMOR_REQUIRE_ROOT();
  test::StationFolder dir(02750);
  const std::string path = dir / "cnf.ini";
  Write(path, "Port", "3050");
  const platform::FileStatus made = platform::StatusOf(path);
  EXPECT_EQ(made.group, test::kStationGid);
  EXPECT_EQ(made.mode, 0660u);
  EXPECT_EQ(As(kMember, "write_ini_key", {path, "Port", "30050"}), 0);
  EXPECT_EQ(Read(path, "Port"), "30050");
  // An account outside the station cannot point root's programs elsewhere.
  EXPECT_EQ(As(kNobody, "write_ini_key", {path, "Port", "4444"}), 1);
  EXPECT_EQ(Read(path, "Port"), "30050");
  const platform::FileStatus after = platform::StatusOf(path);
  EXPECT_EQ(after.owner, 0u);
  EXPECT_EQ(after.mode, 0660u);
  EXPECT_EQ(platform::FindFiles(dir / "*"), std::vector<std::string>{"cnf.ini"});
}

TEST(IniFile, ASymlinkStaysAndItsTargetIsWritten) {
  test::TempFolder dir;
  ASSERT_TRUE(platform::ForceDirectories(dir / "real"));
  const std::string target = dir / "real/settings.ini";
  const std::string link = dir / "cnf.ini";
  Write(target, "Port", "3050");
  ASSERT_TRUE(platform::MakeSymlink(target, link));
  Write(link, "Port", "30050");
  EXPECT_TRUE(platform::StatusOf(link).symlink) << "the link was replaced by a file";
  EXPECT_EQ(Read(target, "Port"), "30050");
  std::vector<std::string> names = platform::FindFiles(dir / "*");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"cnf.ini", "real"}));
}

// Child: writes 1 MB values under one key until it is killed.
ZELMOR_CHILD_ROLE(write_large_values) {
  TSafeIniFile ini(args.at(0));
  for (int n = 0;; ++n) ini.WriteString("FB", "Big", std::string(1 << 20, 'a' + n % 26));
}

TEST(IniFile, AWriterKilledInTheMiddleLeavesTheValueWholeAndNoTemporaryFile) {
  constexpr int kKills = 10;
  test::TempFolder dir;
  const std::string path = dir / "cnf.ini";
  Write(path, "Big", std::string(1 << 20, 'z'));
  int killed_mid_write = 0;
  std::set<std::string> siblings_seen;
  for (int kill = 0; kill < kKills; ++kill) {
    ChildProcess child("write_large_values", {path});
    // Killed while a sibling of its own is on the disk, so in the middle of
    // a write.
    if (test::WaitUntil([&] {
          bool fresh = false;
          for (const std::string& name : platform::FindFiles(path + ".*.tmp"))
            fresh = siblings_seen.insert(name).second || fresh;
          return fresh;
        }))
      ++killed_mid_write;
    child.Kill();
  }
  EXPECT_EQ(killed_mid_write, kKills);
  const std::string value = Read(path, "Big");
  ASSERT_EQ(value.size(), size_t{1} << 20);
  EXPECT_EQ(value.find_first_not_of(value[0]), std::string::npos) << "a mixed value";

  Write(path, "Other", "clean");
  EXPECT_EQ(platform::FindFiles(dir / "*"), std::vector<std::string>{"cnf.ini"})
      << "what the killed writers left is still there";
  EXPECT_EQ(Read(path, "Big").size(), size_t{1} << 20);
}

}  // namespace
}  // namespace zelmor
