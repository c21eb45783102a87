#include "tests/interop/show_dl.h"

#include <gtest/gtest.h>

namespace {

// As amulecmd 2.3.3 prints it, with two downloads.
const char kTwoDownloads[] =
    "This is amulecmd 2.3.3\n"
    "\n"
    "Creating client...\n"
    "Succeeded! Connection established to aMule 2.3.3\n"
    " > 8FDD63AA4C878E9FA55F1CDDD8FF5DAC my movie - part 1.avi\n"
    " > \t [67.6%]    0/   0          - Waiting - 001.part.met - Auto [Hi]\n"
    " > 0123456789abcdef0123456789ABCDEF test_movie.avi\n"
    " > \t [0.0%]    0/   0          - Completing -  - Auto [Hi]\n";

TEST(ShowDlTest, ReadsEveryDownload) {
  DownloadList list = ParseShowDl(kTwoDownloads);
  EXPECT_TRUE(list.connected);
  ASSERT_EQ(2u, list.downloads.size());
  const ListedDownload& first = list.downloads[0];
  EXPECT_EQ("8FDD63AA4C878E9FA55F1CDDD8FF5DAC", first.fileHash);
  EXPECT_EQ("my movie - part 1.avi", first.name);
  EXPECT_EQ(std::optional<double>(67.6), first.percent);
  EXPECT_EQ("Waiting", first.status);
  EXPECT_EQ("001.part.met", first.metName);
  const ListedDownload& second = list.downloads[1];
  EXPECT_EQ("0123456789ABCDEF0123456789ABCDEF", second.fileHash);
  EXPECT_EQ(std::optional<double>(0.0), second.percent);
  EXPECT_EQ("Completing", second.status);
  EXPECT_EQ("", second.metName);
  EXPECT_EQ(&second, FindListedDownload(list, "0123456789abcdef0123456789abcdef"));
  EXPECT_EQ(nullptr, FindListedDownload(list, "00000000000000000000000000000000"));
}

TEST(ShowDlTest, AnEmptyQueueIsAnEmptyList) {
  DownloadList list = ParseShowDl(
      "This is amulecmd 2.3.3\n\nCreating client...\n"
      "Succeeded! Connection established to aMule 2.3.3\n\n");
  EXPECT_TRUE(list.connected);
  EXPECT_TRUE(list.downloads.empty());
}

// amulecmd ends with status 0 also when it reached nothing: only its words tell.
TEST(ShowDlTest, NoConnectionSaysNothing) {
  for (const char* refused :
       {"Creating client...\nConnection Failed. Unable to connect to 127.0.0.1:4712\n",
        "Creating client...\nAccess denied because: Authentication failed: wrong password.\n"
        " > 8FDD63AA4C878E9FA55F1CDDD8FF5DAC 001.bin\n"}) {
    DownloadList list = ParseShowDl(refused);
    EXPECT_FALSE(list.connected);
    EXPECT_TRUE(list.downloads.empty());
  }
}

TEST(ShowDlTest, AMissingOrDamagedSecondLineLeavesNoPercent) {
  DownloadList list = ParseShowDl(
      "Succeeded! Connection established to aMule 2.3.3\n"
      " > 8FDD63AA4C878E9FA55F1CDDD8FF5DAC a\n"
      " > 0123456789ABCDEF0123456789ABCDEF b\n"
      " > \t [6x.6%]    0/   0          - Waiting - 001.part.met - Auto [Hi]\n");
  ASSERT_EQ(2u, list.downloads.size());
  EXPECT_FALSE(list.downloads[0].percent);
  EXPECT_FALSE(list.downloads[1].percent);
  EXPECT_EQ("", list.downloads[1].status);
}

TEST(ShowDlTest, BusyStatuses) {
  EXPECT_TRUE(IsBusyStatus("Hashing"));
  EXPECT_TRUE(IsBusyStatus("Completing"));
  EXPECT_TRUE(IsBusyStatus("Waiting for Hash"));
  EXPECT_FALSE(IsBusyStatus("Waiting"));
  EXPECT_FALSE(IsBusyStatus("Paused"));
}

}  // namespace
