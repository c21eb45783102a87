#include "tests/support/local_port.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(LocalPortTest, GivesDistinctPorts) {
  std::vector<uint16_t> ports = UnusedLocalPorts(5);
  ASSERT_EQ(5u, ports.size());
  std::set<uint16_t> distinct(ports.begin(), ports.end());
  EXPECT_EQ(5u, distinct.size());
  EXPECT_EQ(0u, distinct.count(0));
}

}  // namespace
