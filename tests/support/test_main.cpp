// Test entry point: runs a child role when started as one, the tests
// otherwise.
#include <gtest/gtest.h>

#include "support/test_support.h"

int main(int argc, char** argv) {
  int exit_code = 0;
  if (zelmor::test::RunChildRoleIfAsked(argc, argv, exit_code)) return exit_code;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
