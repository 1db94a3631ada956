#include "support/test_support.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace zelmor::test {
namespace {

std::map<std::string, ChildRole>& Roles() {
  static std::map<std::string, ChildRole> roles;
  return roles;
}

constexpr char kRoleFlag[] = "--zelmor-child=";

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  path_ = platform::ScratchFolder() + "zelmor-test-" + std::to_string(platform::CurrentProcessId()) +
          "-" + std::to_string(counter++) + platform::kPathDelimiter;
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(bytes.substr(start, end - start));
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

uint32_t CreateSparseFile(const std::string& path, int64_t size) {
  const platform::FileHandle file = platform::CreateExclusive(path);
  if (file == platform::kInvalidFile) return platform::LastError();
  const uint32_t error = platform::FileSetSize(file, size) ? 0 : platform::LastError();
  platform::FileClose(file);
  return error;
}

bool FileSystemRefusesSize(uint32_t error) {
  return error == platform::kErrorDiskFull || error == platform::kErrorFileTooLarge;
}

bool RegisterChildRole(const std::string& name, ChildRole role) {
  Roles()[name] = std::move(role);
  return true;
}

bool RunChildRoleIfAsked(int argc, char** argv, int& exit_code) {
  if (argc < 2) return false;
  const std::string first = argv[1];
  if (first.rfind(kRoleFlag, 0) != 0) return false;
  const auto role = Roles().find(first.substr(sizeof kRoleFlag - 1));
  if (role == Roles().end()) {
    exit_code = 99;
    return true;
  }
  exit_code = role->second(std::vector<std::string>(argv + 2, argv + argc));
  return true;
}

ChildProcess::ChildProcess(const std::string& role, const std::vector<std::string>& args,
                           Account account) {
  std::vector<std::string> all{kRoleFlag + role};
  all.insert(all.end(), args.begin(), args.end());
  const std::string self = platform::HostExecutablePath();
  const std::string member = std::to_string(kStationMemberUid);
  const std::string group = std::to_string(kStationGid);
  switch (account) {
    case Account::kNobody:
      all.insert(all.begin(), {"--reuid=nobody", "--regid=nogroup", "--clear-groups", self});
      handle_ = platform::SpawnProcess("/usr/bin/setpriv", all);
      break;
    case Account::kStationMember:
      all.insert(all.begin(), {"--reuid=" + member, "--regid=" + group, "--groups=" + group, self});
      handle_ = platform::SpawnProcess("/usr/bin/setpriv", all);
      break;
    case Account::kPrivateTmp:
      all.insert(all.begin(), {"-m", "--propagation", "private", "--", "/bin/sh", "-c",
                               "mount -t tmpfs tmpfs /tmp && exec \"$0\" \"$@\"", self});
      handle_ = platform::SpawnProcess("/usr/bin/unshare", all);
      break;
    case Account::kSame:
      handle_ = platform::SpawnProcess(self, all);
      break;
  }
  if (handle_ == platform::kInvalidProcess)
    throw std::runtime_error("cannot start child process " + role);
}

ChildProcess::~ChildProcess() {
  if (!ended_) Kill();
  platform::CloseProcess(handle_);
}

int ChildProcess::Wait(uint32_t timeout_ms) {
  if (!ended_ && platform::WaitProcess(handle_, timeout_ms, exit_code_)) ended_ = true;
  return ended_ ? exit_code_ : -1000;
}

void ChildProcess::Kill() {
  if (ended_) return;
  platform::KillProcess(handle_);
  ended_ = true;
}

// Child: holds a file open without sharing, says so with a "held" marker,
// and lets it go when a "release" marker appears.
ZELMOR_CHILD_ROLE(hold_file_exclusively) {
  const platform::FileHandle file = platform::OpenExclusive(args.at(0));
  if (file == platform::kInvalidFile) return 2;
  WriteFileBytes(args.at(1), "held");
  WaitUntil([&] { return platform::FileExists(args.at(2)); }, 60000);
  platform::FileClose(file);
  return 0;
}

FileHeldElsewhere::FileHeldElsewhere(const std::string& path)
    : child_("hold_file_exclusively", {path, markers_ / "held", markers_ / "release"}) {
  WaitUntil([&] { return Held(); });
}

bool FileHeldElsewhere::Held() const { return platform::FileExists(markers_ / "held"); }

int FileHeldElsewhere::Release() {
  WriteFileBytes(markers_ / "release", "");
  return child_.Wait();
}

bool WaitUntil(const std::function<bool()>& condition, uint32_t timeout_ms) {
  const uint32_t start = platform::TickCount();
  while (!condition()) {
    if (platform::TickCount() - start >= timeout_ms) return false;
    platform::SleepMs(5);
  }
  return true;
}

}  // namespace zelmor::test
