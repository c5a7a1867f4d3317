// Runs the end-to-end tests: takes the program paths off the command line
// before GoogleTest sees it, and lets the program annotate its controls
// for screen readers, as on Windows, through the recording stand-in.
#include <gtest/gtest.h>

#include "torva_harness.h"

int main(int argc, char** argv) {
  torva_harness::ParseCommandLine(&argc, argv);
  testing::InitGoogleTest(&argc, argv);
  torva_harness::PropertyServiceStandIn propertyService;
  return RUN_ALL_TESTS();
}
