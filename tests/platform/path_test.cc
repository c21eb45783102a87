#include "platform/path.h"

#include <gtest/gtest.h>

namespace {

std::string Native(std::string path) {
  for (char& c : path) {
    if (c == '/') c = kPathSeparator;
  }
  return path;
}

TEST(PathTest, RemoveFileSpecKeepsTheFolder) {
  EXPECT_EQ(Native("dl/sub"), RemoveFileSpec(Native("dl/sub/X.part")));
  EXPECT_EQ("", RemoveFileSpec("X.part"));
  EXPECT_EQ("", RemoveFileSpec(""));
  EXPECT_EQ(Native("/"), RemoveFileSpec(Native("/X.part")));
}

TEST(PathTest, AppendJoinsWithOneSeparator) {
  EXPECT_EQ(Native("dl/data.part"), AppendPath("dl", "data.part"));
  EXPECT_EQ(Native("dl/data.part"), AppendPath(Native("dl/"), "data.part"));
  EXPECT_EQ("data.part", AppendPath("", "data.part"));
  EXPECT_EQ(Native("/data.part"), AppendPath(RemoveFileSpec(Native("/X.part")), "data.part"));
}

TEST(PathTest, PlainFileNames) {
  EXPECT_TRUE(IsPlainFileName("001.part"));
  EXPECT_TRUE(IsPlainFileName("..part"));
  for (const char* name : {"", ".", "..", "../x", "a/b", "a\\b", "C:x", "/etc/passwd"})
    EXPECT_FALSE(IsPlainFileName(name)) << name;
}

}  // namespace
