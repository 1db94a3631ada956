// Load and unload of libZelmor.so from outside the station home (its load
// and unload sequences included) against the same for the component runtime
// alone. The load sequence runs once per process, so every load is made in
// a fresh child process; the runtime is measured through a copy of it, as
// the original is already mapped into the child that measures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/testing/child_process.h"

namespace zelmor {
namespace {

constexpr int kLoads = 31;

// Child: one LoadModule and Release of `module`, microseconds to `result`.
int MeasureOnce(const std::string& module, const std::string& result) {
  const auto start = std::chrono::steady_clock::now();
  platform::OwnedModule handle = platform::LoadModule(module);
  if (!handle) return 2;
  handle.Release();
  const std::chrono::duration<double, std::micro> spent = std::chrono::steady_clock::now() - start;
  std::ofstream(result) << spent.count();
  return 0;
}

// The median of kLoads fresh-process loads, in microseconds; < 0 on failure.
double MedianLoad(const std::string& self, const std::string& module, const std::string& folder) {
  std::vector<double> figures;
  const std::string result = folder + "result";
  for (int i = 0; i < kLoads; ++i) {
    const auto child = platform::SpawnProcess(self, {"--once", module, result});
    int exit_code = -1;
    if (child == platform::kInvalidProcess || !platform::WaitProcess(child, 60000, exit_code) ||
        exit_code != 0) {
      return -1;
    }
    platform::CloseProcess(child);
    double micros = 0;
    std::ifstream(result) >> micros;
    figures.push_back(micros);
  }
  std::nth_element(figures.begin(), figures.begin() + kLoads / 2, figures.end());
  return figures[kLoads / 2];
}

int Main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--once") return MeasureOnce(argv[2], argv[3]);
  // A home and a Windows directory of the run's own: the library is loaded
  // from outside the home and reads an absent settings file.
  const std::string folder = platform::TempPath() + "zelmor-load-bench-" +
                             std::to_string(platform::CurrentProcessId()) + "/";
  std::filesystem::create_directories(folder + "home");
  std::filesystem::create_directories(folder + "windows");
  platform::SetEnvironmentVariable("ZEDE_HOME", folder + "home/");
  platform::SetEnvironmentVariable("ZEDE_WINDIR", folder + "windows/");
  const std::string runtime_copy = folder + "runtime-copy.so";
  std::filesystem::copy_file(ZELMOR_RUNTIME_FILE, runtime_copy);

  const std::string self = platform::HostExecutablePath();
  const double zelmor = MedianLoad(self, ZELMOR_LIBRARY_FILE, folder);
  const double runtime = MedianLoad(self, runtime_copy, folder);
  std::filesystem::remove_all(folder);
  if (zelmor < 0 || runtime < 0) {
    std::fprintf(stderr, "library_load_bench: a child could not load its module\n");
    return 1;
  }
  std::printf("LoadModule + Release in a fresh process, median of %d:\n", kLoads);
  std::printf("  libZelmor.so (outside the home)  %9.0f us\n", zelmor);
  std::printf("  component runtime alone          %9.0f us\n", runtime);
  std::printf("  ratio                            %9.2f x\n", zelmor / runtime);
  std::printf("RESULT load_zelmor=%.0f us\n", zelmor);
  std::printf("RESULT load_runtime=%.0f us\n", runtime);
  return 0;
}

}  // namespace
}  // namespace zelmor

int main(int argc, char** argv) { return zelmor::Main(argc, argv); }
