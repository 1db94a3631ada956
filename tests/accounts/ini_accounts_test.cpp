// The settings file written by several accounts, through symlinks, by
// writers killed in the middle of a write, on a full disk, with names
// planted where a writer puts its sibling, and read while another thread
// forks.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
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

// Child: writes ACC/<key>=<that many x>; 0 when it could, 112 when the disk
// was full, 1 for any other failure.
ZELMOR_CHILD_ROLE(write_acc_value) {
  try {
    TSafeIniFile ini(args.at(0));
    ini.WriteString("ACC", args.at(1), std::string(std::stoul(args.at(2)), 'x'));
  } catch (const Exception& error) {
    const std::string full = platform::SystemErrorMessage(platform::kErrorDiskFull);
    return error.Message().find(full) != std::string::npos ? 112 : 1;
  }
  return 0;
}

std::string AccountsText() {
  std::string text = "[ACC]\r\n";
  for (int n = 1; n <= 40; ++n)
    text += "Key" + std::to_string(n) + "=value of key " + std::to_string(n) + " at the station\r\n";
  return text + "[FB]\r\nDBPort=3050\r\n";
}

// The station's member may write cnf.ini but not rename in its folder, so
// it writes in place. On a full disk a change that needs more room fails as a full disk
// and leaves the file byte for byte as it was; one that needs none is made.
TEST(IniAccounts, AnInPlaceWriteOnAFullDiskFailsWithTheFileAsItWas) {
  ZELMOR_REQUIRE_ROOT();
  struct Case {
    const char* what;
    const char* key;
    size_t value_size;
    int exit_code;
  };
  const Case kCases[] = {
      {"a value that needs more room", "Note", 64 * 1024, 112},
      {"a shorter value", "Key7", 1, 0},
  };
  for (const Case& c : kCases) {
    test::TempFolder dir;
    const std::string etc = dir / "etc";
    ASSERT_TRUE(platform::ForceDirectories(etc));
    ASSERT_TRUE(platform::LetEveryAccountIn(etc));
    test::SmallDisk disk(etc, 256 * 1024, 0755);
    if (!disk.Mounted()) GTEST_SKIP() << "this machine does not let the test mount a tmpfs";
    ASSERT_TRUE(platform::SetOwner(etc, 0, test::kStationGid));
    ASSERT_TRUE(platform::SetMode(etc, 02750));
    const std::string path = etc + "/cnf.ini";
    test::WriteFileBytes(path, AccountsText());
    ASSERT_TRUE(platform::SetOwner(path, 0, test::kStationGid));
    ASSERT_TRUE(platform::SetMode(path, 0660));
    // What the same change makes of the file where there is room.
    const std::string roomy = dir / "cnf.ini";
    test::WriteFileBytes(roomy, AccountsText());
    {
      TSafeIniFile ini(roomy);
      ini.WriteString("ACC", c.key, std::string(c.value_size, 'x'));
    }
    disk.Fill(etc + "/filler");

    EXPECT_EQ(As(kMember, "write_acc_value", {path, c.key, std::to_string(c.value_size)}),
              c.exit_code)
        << c.what;
    const std::string expected =
        c.exit_code == 0 ? test::ReadFileBytes(roomy) : AccountsText();
    const std::string after = test::ReadFileBytes(path);
    EXPECT_EQ(after.size(), expected.size()) << c.what;
    EXPECT_TRUE(after == expected) << c.what << ": " << after.substr(0, 80);
    EXPECT_EQ(platform::StatusOf(path).owner, 0u) << c.what;
  }
}

// A writer's sibling is a new file under a name nobody can guess. Whatever
// is planted at the name it had before (<name>.<pid>.<tid>.tmp) is never
// followed, truncated or renamed into place; what writers that died left, in
// that form or the new one, is removed, a link without its target touched.
TEST(IniFile, NamesPlantedWhereAWriterPutsItsSiblingAreNeverFollowed) {
  const std::string own = "." + std::to_string(platform::CurrentProcessId()) + "." +
                          std::to_string(platform::CurrentThreadId()) + ".tmp";
  const std::string dead = ".2147483000.1.tmp";  // no process has that id
  const std::string dead_random = ".2147483000.1.0123456789abcdef.tmp";
  struct Case {
    const char* what;
    std::string suffix;
    bool symlink;
    bool removed;
  };
  const Case kCases[] = {
      {"a link at this writer's old name", own, true, false},
      {"a file at this writer's old name", own, false, false},
      {"a dead writer's sibling of the old form", dead, false, true},
      {"a dead writer's sibling", dead_random, false, true},
      {"a link at a dead writer's name", dead, true, true},
  };
  for (const Case& c : kCases) {
    test::TempFolder dir;
    const std::string path = dir / "cnf.ini";
    const std::string victim = dir / "victim";
    Write(path, "Port", "3050");
    test::WriteFileBytes(victim, "root's own");
    ASSERT_TRUE(platform::SetMode(victim, 0600));
    const std::string planted = path + c.suffix;
    if (c.symlink)
      ASSERT_TRUE(platform::MakeSymlink(victim, planted));
    else
      test::WriteFileBytes(planted, "planted");

    EXPECT_NO_THROW(Write(path, "Port", "30050")) << c.what;
    EXPECT_EQ(Read(path, "Port"), "30050") << c.what;
    EXPECT_FALSE(platform::StatusOf(path).symlink) << c.what << ": cnf.ini became a link";
    EXPECT_EQ(test::ReadFileBytes(victim), "root's own") << c.what;
    EXPECT_EQ(platform::StatusOf(victim).mode, 0600u) << c.what;
    const platform::FileStatus left = platform::StatusOf(planted);
    EXPECT_EQ(left.exists || left.symlink, !c.removed) << c.what;
    if (!c.removed && !c.symlink) {
      EXPECT_EQ(test::ReadFileBytes(planted), "planted") << c.what;
    }
  }
}

// A child forked while a writer holds its sibling's lock keeps that lock on
// what is then cnf.ini until it execs; a reader meeting it waits, and never
// reads the defaults.
TEST(IniFile, AReaderNeverGetsADefaultWhileAnotherThreadForks) {
  test::TempFolder dir;
  const std::string path = dir / "cnf.ini";
  Write(path, "Port", "30050");
  std::atomic<bool> stop{false};
  std::atomic<int> writes{0}, forks{0};
  std::thread writer([&] {
    for (int n = 0; !stop; ++n) {
      try {
        Write(path, "Counter", std::to_string(n));
        ++writes;
      } catch (const Exception&) {
      }
    }
  });
  std::thread forker([&] {
    while (!stop) {
      const platform::ProcessHandle child = platform::SpawnProcess("/bin/true", {});
      int code = 0;
      if (child != platform::kInvalidProcess && platform::WaitProcess(child, 10000, code))
        ++forks;
    }
  });
  int reads = 0, defaults = 0;
  const uint32_t started = platform::TickCount();
  while (platform::TickCount() - started < 3000) {
    if (Read(path, "Port") != "30050") ++defaults;
    ++reads;
  }
  stop = true;
  writer.join();
  forker.join();
  EXPECT_EQ(defaults, 0) << "of " << reads << " reads (" << writes << " writes, " << forks
                         << " forks)";
  EXPECT_GT(writes, 0);
  EXPECT_GT(forks, 0);
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
