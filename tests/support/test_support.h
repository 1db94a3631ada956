// Helpers shared by the tests of every area.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/testing/child_process.h"
#include "platform/testing/scratch.h"

namespace zelmor::test {

// A fresh, empty folder under the temporary folder, removed with its content
// when the object goes. Path() ends with the path delimiter.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
// The lines of a log's bytes, each ended by CR LF; a last line without its
// end is kept too.
std::vector<std::string> SplitLines(const std::string& bytes);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Creates `path` as a sparse file of `size` bytes (only the size is set).
// Returns 0, or the error of the step that failed.
uint32_t CreateSparseFile(const std::string& path, int64_t size);
// True for an error that means the file system holds no file that large
// (disk full, file too large), where a test of large files skips.
bool FileSystemRefusesSize(uint32_t error);

// Roles a test executable can be started in as a child process:
//   ZELMOR_CHILD_ROLE(hold_lock) { …; return 0; }
// defines a role; StartChild("hold_lock", {"a", "b"}) runs this executable
// again in that role with those arguments (available as ChildArguments()).
using ChildRole = std::function<int(const std::vector<std::string>& args)>;
bool RegisterChildRole(const std::string& name, ChildRole role);
// Runs the role named on the command line, if any; used by the test main.
bool RunChildRoleIfAsked(int argc, char** argv, int& exit_code);

// The second account of the account tests and the station's group (ids
// only: neither needs an entry in /etc/passwd or /etc/group).
constexpr uint32_t kStationMemberUid = 1001;
constexpr uint32_t kStationGid = 2323;

class ChildProcess {
 public:
  enum class Account { kSame, kNobody, kStationMember, kPrivateTmp };
  // Linux, run by root, through setpriv: kNobody runs the child as
  // nobody:nogroup with no other groups (an account outside the station);
  // kStationMember as uid kStationMemberUid in the station's group
  // kStationGid alone. kPrivateTmp: this account in a mount namespace of its
  // own with a tmpfs over /tmp, as a service with PrivateTmp= runs.
  ChildProcess(const std::string& role, const std::vector<std::string>& args,
               Account account = Account::kSame);
  ~ChildProcess();  // kills the child if it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Waits for the exit code; -1000 on time-out.
  int Wait(uint32_t timeout_ms = 60000);
  void Kill();

 private:
  platform::ProcessHandle handle_;
  bool ended_ = false;
  int exit_code_ = -1000;
};

// Another process holding `path` open without sharing, as a program that
// ignores the suite's locks would, from construction until Release().
class FileHeldElsewhere {
 public:
  explicit FileHeldElsewhere(const std::string& path);
  // True once the other process has the file.
  bool Held() const;
  // Lets the file go; the other process's exit code (0: all went well).
  int Release();

 private:
  TempFolder markers_;
  ChildProcess child_;
};

// Polls `condition` every few ms until it holds or `timeout_ms` passes.
bool WaitUntil(const std::function<bool()>& condition, uint32_t timeout_ms = 10000);

}  // namespace zelmor::test

#define ZELMOR_CHILD_ROLE(name)                                                   \
  static int ZelmorChildRole_##name(const std::vector<std::string>& args);          \
  static const bool kZelmorChildRoleRegistered_##name =                             \
      ::zelmor::test::RegisterChildRole(#name, ZelmorChildRole_##name);             \
  static int ZelmorChildRole_##name([[maybe_unused]] const std::vector<std::string>& args)
