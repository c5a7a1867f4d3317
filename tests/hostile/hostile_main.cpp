// Runs the hostile-input tests: takes the program path off the command line
// before GoogleTest sees it.
#include <gtest/gtest.h>

#include "torva_harness.h"

int main(int argc, char** argv) {
  torva_harness::ParseCommandLine(&argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
