#include "support/bench_main.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int /*argc*/, char** argv) {
  try {
    return zelmor::bench::Run();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", std::filesystem::path(argv[0]).filename().c_str(),
                 error.what());
    return 1;
  }
}
