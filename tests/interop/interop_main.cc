// The interop suite needs a real aMule; without one it says so and reports
// itself skipped (status 77, which CTest shows as "Skipped").
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/interop/amule_daemon.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::string missing;
  if (!::testing::GTEST_FLAG(list_tests) && !FindAmulePrograms(&missing)) {
    std::printf("%s is not installed: the interop suite against aMule is skipped "
                "(Debian packages amule-daemon and amule-utils).\n",
                missing.c_str());
    return 77;
  }
  return RUN_ALL_TESTS();
}
