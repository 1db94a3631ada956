// What the station's layout keeps out: names planted where the library
// looks, lock folders outside the machine's one, lock files deleted while
// held, folders and files made for the wrong accounts.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "accounts/accounts_test_support.h"
#include "eventlog/eventlog_test_support.h"
#include "eventlog/archives.h"
#include "eventlog/eventlog_unit.h"
#include "eventlog/ldslogger.h"
#include "rtl/exceptions.h"
#include "rtl/global_mutex.h"
#include "settings/safe_ini_file.h"

namespace zelmor {
namespace {

using test::ChildProcess;
using Account = ChildProcess::Account;

constexpr int kRefusedAndTold = 0;
constexpr int kNotRefused = 1;
constexpr int kNotTold = 2;
constexpr int kFailedOtherwise = 3;

bool FallbackLogTells(const std::string& text) {
  return test::ReadFileBytes(eventlog::ErrorsWriter->FileName()).find(text) != std::string::npos;
}

// A fallback log of the child's own, so that one case's report does not
// stand for another's.
class OwnFallbackLog {
 public:
  OwnFallbackLog() {
    // Under /tmp, which every account may make a folder in.
    platform::SetEnvironmentVariable("TMPDIR", "/tmp");
    folder_ = std::make_unique<test::TempFolder>();
    platform::SetEnvironmentVariable("TMPDIR", folder_->Path());
    eventlog::InitializeUnit();
  }
  ~OwnFallbackLog() { eventlog::FinalizeUnit(); }

 private:
  std::unique_ptr<test::TempFolder> folder_;
};

// Child: one log line to args[0]; refused when the fallback log says so
// (the name itself is not read: it may be a FIFO).
ZELMOR_CHILD_ROLE(log_line_to_planted_name) {
  OwnFallbackLog fallback;
  TLDSLogger logger(args.at(0));
  logger.Options.MaxSize = 0;
  logger.WriteLine("planted line");
  return FallbackLogTells("Refused \"") ? kRefusedAndTold : kNotRefused;
}

// Child: the mutex args[1] in the lock folder args[0]; refused when no
// mutex came back and the error says why.
ZELMOR_CHILD_ROLE(mutex_in_planted_folder) {
  platform::SetEnvironmentVariable("ZEDE_LOCKDIR", args.at(0));
  OwnFallbackLog fallback;
  platform::MutexHandle mutex = CreateGlobalMutex(args.at(1), "Error CreateMutex: ", false);
  if (mutex) {
    platform::CloseMutex(mutex);
    return kNotRefused;
  }
  if (platform::LastError() != platform::kErrorRefused) return kFailedOtherwise;
  return FallbackLogTells("Refused \"") ? kRefusedAndTold : kNotTold;
}

// Child: a settings key written to args[0]; refused when the write raised
// with the reason.
ZELMOR_CHILD_ROLE(write_ini_in_planted_folder) {
  OwnFallbackLog fallback;
  try {
    TSafeIniFile ini(args.at(0));
    ini.WriteString("FB", "DBPort", "4444");
  } catch (const Exception& error) {
    return std::string(error.what()).find("Refused \"") != std::string::npos ? kRefusedAndTold
                                                                             : kNotTold;
  }
  return kNotRefused;
}

struct PlantedCase {
  const char* what;
  Account victim;
  const char* role;
  // Plants in `dir` (writable by every account) and returns the child's
  // arguments.
  std::function<std::vector<std::string>(const test::TempFolder& dir)> plant;
};

std::string Folder(const test::TempFolder& dir, const char* name, uint32_t owner, uint32_t mode) {
  const std::string folder = dir / name;
  platform::ForceDirectories(folder);
  platform::SetOwner(folder, owner, owner == 0 ? test::kStationGid : platform::NobodyGid());
  platform::SetMode(folder, mode);
  return folder;
}

const std::string kSecret = "root's own\n";

TEST(StationLayout, WhatIsPlantedAtASharedNameIsRefusedAndToldNeverFollowedOrWaitedOn) {
  ZELMOR_REQUIRE_ROOT();
  const std::vector<PlantedCase> cases = {
      {"log: a symlink to a root-only file", Account::kSame, "log_line_to_planted_name",
       [](const test::TempFolder& dir) {
         const std::string station = Folder(dir, "station", 0, 02770);
         test::WriteFileBytes(dir / "secret", kSecret);
         platform::SetMode(dir / "secret", 0600);
         platform::MakeSymlink(dir / "secret", station + "/FBEvents.log");
         return std::vector<std::string>{station + "/FBEvents.log"};
       }},
      {"log: a dangling symlink", Account::kSame, "log_line_to_planted_name",
       [](const test::TempFolder& dir) {
         const std::string station = Folder(dir, "station", 0, 02770);
         platform::MakeSymlink(dir / "unmounted/FBEvents.log", station + "/FBEvents.log");
         return std::vector<std::string>{station + "/FBEvents.log"};
       }},
      {"log: a FIFO", Account::kStationMember, "log_line_to_planted_name",
       [](const test::TempFolder& dir) {
         const std::string station = Folder(dir, "station", 0, 02770);
         platform::MakeFifo(station + "/FBEvents.log", 0666);
         return std::vector<std::string>{station + "/FBEvents.log"};
       }},
      {"log folder every account may write to", Account::kSame, "log_line_to_planted_name",
       [](const test::TempFolder& dir) {
         return std::vector<std::string>{Folder(dir, "open", 0, 0777) + "/FBEvents.log"};
       }},
      {"log folder an outsider made", Account::kSame, "log_line_to_planted_name",
       [](const test::TempFolder& dir) {
         return std::vector<std::string>{
             Folder(dir, "nobodys", platform::NobodyUid(), 0755) + "/FBEvents.log"};
       }},
      {"lock folder: a symlink", Account::kSame, "mutex_in_planted_folder",
       [](const test::TempFolder& dir) {
         platform::MakeSymlink(Folder(dir, "real-locks", 0, 02770), dir / "locks");
         return std::vector<std::string>{dir / "locks", "planted link"};
       }},
      {"lock folder an outsider made", Account::kSame, "mutex_in_planted_folder",
       [](const test::TempFolder& dir) {
         return std::vector<std::string>{Folder(dir, "locks", platform::NobodyUid(), 0755),
                                         "squatted"};
       }},
      {"lock folder every account may write to", Account::kSame, "mutex_in_planted_folder",
       [](const test::TempFolder& dir) {
         return std::vector<std::string>{Folder(dir, "locks", 0, 01777), "open"};
       }},
      {"lock file: a FIFO", Account::kStationMember, "mutex_in_planted_folder",
       [](const test::TempFolder&) {
         const std::string name = test::UniqueName("fifo");
         platform::MakeFifo(test::StationLockFolder() + "/" + name, 0444);
         return std::vector<std::string>{test::StationLockFolder(), name};
       }},
      {"settings folder every account may write to", Account::kSame,
       "write_ini_in_planted_folder",
       [](const test::TempFolder& dir) {
         return std::vector<std::string>{Folder(dir, "windir", 0, 0777) + "/cnf.ini"};
       }},
  };
  for (const PlantedCase& c : cases) {
    test::SharedFolder dir;
    ChildProcess child(c.role, c.plant(dir), c.victim);
    const int verdict = child.Wait(10000);
    EXPECT_EQ(verdict, kRefusedAndTold)
        << c.what << " (1: used, 2: refused in silence, 3: another error, -1000: hung)";
    if (platform::FileExists(dir / "secret")) {
      EXPECT_EQ(test::ReadFileBytes(dir / "secret"), kSecret) << c.what;
    }
  }
}

TEST(StationLayout, NobodyCanPlantNothingInTheStationsFolders) {
  ZELMOR_REQUIRE_ROOT();
  test::StationFolder logs;
  ChildProcess log_child("log_line_to_planted_name", {logs / "FBEvents.log"}, Account::kNobody);
  log_child.Wait(10000);
  EXPECT_FALSE(platform::FileExists(logs / "FBEvents.log"));
  ChildProcess lock_child("mutex_in_planted_folder", {test::StationLockFolder(), "outsider"},
                          Account::kNobody);
  EXPECT_EQ(lock_child.Wait(10000), kFailedOtherwise) << "1: nobody took a lock of the station";
}

// Child: holds the mutex args[0] until args[2] exists, having made args[1].
ZELMOR_CHILD_ROLE(hold_mutex_until) {
  platform::MutexHandle mutex = CreateGlobalMutex(args.at(0), "", false);
  if (!mutex || !platform::WaitMutex(mutex)) return 2;
  test::WriteFileBytes(args.at(1), "held");
  test::WaitUntil([&] { return platform::FileExists(args.at(2)); }, 60000);
  platform::ReleaseMutex(mutex);
  platform::CloseMutex(mutex);
  return 0;
}

// Whether another thread of this process takes `mutex` within 300 ms; the
// thread is joined once the lock is free again.
class TakesItWhileHeld {
 public:
  explicit TakesItWhileHeld(platform::MutexHandle mutex)
      : waiter_([this, mutex] {
          NamedMutexGuard guard(mutex);
          taken_ = true;
        }) {
    platform::SleepMs(300);
    early_ = taken_;
  }
  ~TakesItWhileHeld() { waiter_.join(); }
  bool Early() const { return early_; }

 private:
  std::atomic<bool> taken_{false};
  bool early_ = false;
  std::thread waiter_;
};

struct HolderCase {
  const char* what;
  Account holder;
  // Run before the holder starts, with the mutex's name; the lock folder to
  // use, empty for the station's.
  std::function<std::string(const std::string& name)> before;
};

TEST(StationLayout, ProcessesExcludeEachOtherWhateverHappenedToTheLockFileOrTmp) {
  ZELMOR_REQUIRE_ROOT();
  const std::string station_locks = test::StationLockFolder();
  const std::vector<HolderCase> cases = {
      {"the lock file deleted while root held it", Account::kSame,
       [](const std::string& name) {
         platform::MutexHandle mutex = CreateGlobalMutex(name, "", true);
         platform::WaitMutex(mutex);
         // As a cleaner deletes it: no lock asked for.
         std::filesystem::remove(test::StationLockFolder() + "/" + name);
         platform::ReleaseMutex(mutex);
         platform::CloseMutex(mutex);
         return std::string();
       }},
      {"a holder with a private /tmp", Account::kPrivateTmp,
       [](const std::string&) { return std::string(); }},
  };
  for (const HolderCase& c : cases) {
    // A build under /tmp is hidden from a child with a /tmp of its own.
    if (c.holder == Account::kPrivateTmp && platform::HostExecutablePath().starts_with("/tmp/")) {
      std::cout << "[ skipped  ] " << c.what << ": this build lies under /tmp\n";
      continue;
    }
    const std::string name = test::UniqueName("holder");
    // The machine's lock folder, not this program's one under /tmp: the
    // private /tmp hides that one.
    platform::SetEnvironmentVariable("ZEDE_LOCKDIR", "");
    platform::MutexHandle mine = CreateGlobalMutex(name, "", true);
    c.before(name);
    const std::string marks = "/run/lock/zelmor/" + name;
    ChildProcess holder("hold_mutex_until", {name, marks + ".held", marks + ".release"}, c.holder);
    const bool held = test::WaitUntil([&] { return platform::FileExists(marks + ".held"); });
    {
      TakesItWhileHeld taker(mine);
      EXPECT_TRUE(held) << c.what;
      EXPECT_FALSE(taker.Early()) << c.what << ": both held the mutex";
      test::WriteFileBytes(marks + ".release", "");
    }
    EXPECT_EQ(holder.Wait(), 0) << c.what;
    platform::CloseMutex(mine);
    platform::DeleteFile(marks + ".held");
    platform::DeleteFile(marks + ".release");
    platform::SetEnvironmentVariable("ZEDE_LOCKDIR", station_locks);
  }
}

TEST(StationLayout, FoldersAndFilesAreTheStationsWhateverTheUmask) {
  ZELMOR_REQUIRE_ROOT();
  test::StationFolder home;
  for (const uint32_t mask : {0u, 022u, 077u}) {
    const uint32_t before = platform::ReplaceUmask(mask);
    const std::string folder = home / ("umask" + std::to_string(mask)) + "/LogFiles";
    ASSERT_TRUE(platform::ForceDirectories(folder));
    {
      TLDSLogger logger(folder + "/FBEvents.log");
      logger.WriteLine("made");
    }
    platform::ReplaceUmask(before);
    const platform::FileStatus made_folder = platform::StatusOf(folder);
    const platform::FileStatus made_file = platform::StatusOf(folder + "/FBEvents.log");
    EXPECT_EQ(made_folder.mode, 02770u) << "umask " << mask;
    EXPECT_EQ(made_folder.group, test::kStationGid) << "umask " << mask;
    EXPECT_EQ(made_file.mode, 0660u) << "umask " << mask;
    EXPECT_EQ(made_file.group, test::kStationGid) << "umask " << mask;
  }
}

TEST(StationLayout, TheFallbackLogsFolderIsTheAccountsOwnEvenWhereItsNameWasTaken) {
  ZELMOR_REQUIRE_ROOT();
  test::SharedFolder temp;
  const std::string before = platform::GetEnvironmentVariable("TMPDIR");
  platform::SetEnvironmentVariable("TMPDIR", temp.Path());
  const std::string own = platform::TempPath();
  // Another account takes the name first, as it could in /tmp after a boot.
  test::SharedFolder squatted_temp;
  const std::string squatted = squatted_temp / "zelmor-0";
  platform::ForceDirectories(squatted);
  platform::SetOwner(squatted, platform::NobodyUid(), platform::NobodyGid());
  platform::SetMode(squatted, 0700);
  platform::SetEnvironmentVariable("TMPDIR", squatted_temp.Path());
  const std::string elsewhere = platform::TempPath();
  platform::SetEnvironmentVariable("TMPDIR", before);
  EXPECT_EQ(own, temp / "zelmor-0/");
  EXPECT_NE(elsewhere, squatted + "/");
  for (const std::string& folder : {own, elsewhere}) {
    const platform::FileStatus status = platform::StatusOf(folder);
    EXPECT_EQ(status.owner, 0u) << folder;
    EXPECT_EQ(status.mode, 0700u) << folder;
  }
  std::error_code ignored;
  std::filesystem::remove_all(elsewhere, ignored);
}

// Children forked while other threads log, that go on without exec (a
// launcher's workers): the log's descriptors they inherit hold no lock, so
// the log still rotates.
TEST(StationLayout, WorkersForkedWhileOthersLogLeaveTheLogRotating) {
  constexpr int64_t kMaxSize = 16 * 1024;
  test::TempFolder dir;
  const std::string path = dir / "workers.log";
  TLDSLogger logger(path);
  logger.Options.MaxSize = kMaxSize;
  logger.Options.TrimInPlace = false;
  logger.Options.MaxArchives = 3;
  std::atomic<bool> done{false};
  std::vector<std::thread> writers;
  for (int t = 0; t < 2; ++t)
    writers.emplace_back([&, t] {
      for (int n = 0; n < 4000; ++n)
        logger.WriteLine("writer " + std::to_string(t) + " #" + std::to_string(n) +
                         std::string(60, 'x'));
    });
  std::vector<int> workers;
  for (int n = 0; n < 20; ++n) {
    const int pid = platform::ForkProcess();
    if (pid == 0) {
      platform::SleepMs(3000);
      platform::EndForkedChild(0);
    }
    if (pid > 0) workers.push_back(pid);
    platform::SleepMs(20);
  }
  for (std::thread& writer : writers) writer.join();
  for (const int pid : workers) platform::WaitForkedChild(pid, 10000);
  std::vector<std::string> archives;
  eventlog::FindArchives(path, archives);
  EXPECT_FALSE(archives.empty()) << "no rotation while the workers lived";
  EXPECT_LE(static_cast<int64_t>(test::ReadFileBytes(path).size()), 2 * kMaxSize);
}

}  // namespace
}  // namespace zelmor
