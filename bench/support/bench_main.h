// The main() of the benchmarks that take no arguments (bench_main.cpp):
// it runs Run(), and a failure leaving it is printed under the program's
// name and ends the program with 1.
#pragma once

namespace zelmor::bench {

// The benchmark itself: prints its figures and RESULT lines; the exit code.
int Run();

}  // namespace zelmor::bench
