#include "known/client_config.h"

#include <gtest/gtest.h>

#include "platform/path.h"
#include "sample/sample_known.h"
#include "tests/support/memory_disk.h"

namespace {

std::string Listed(const std::vector<std::string>& folders) {
  std::string text;
  for (const std::string& folder : folders) text += "[" + folder + "]";
  return text;
}

TEST(ClientConfigTest, EachClientsFilesGiveItsFolders) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;  // name in "cfg", bytes
    ClientKind client;
    std::string incoming;
    std::string temp;
    std::string shared;
    std::string problems;
  };
  const std::string cfg = "cfg";
  const std::vector<Case> cases = {
      {"aMule: its universal form, an escape, a leading space",
       {{"amule.conf", SampleAmuleConf("/home/u/Inc\xC3\xA9", " /t\\mp")},
        {"shareddir.dat", SampleSharedDirs({"/srv/a", "", "# no folder", " /srv/b\r", "/srv/a/",
                                            "/home/u/Inc\xC3\xA9"}, false)}},
       ClientKind::Amule, "/home/u/Inc\xC3\xA9", "[ /t\\mp]", "[/srv/a][/srv/b]", ""},
      {"eMule: UTF-16LE with a mark, several temp folders",
       {{"preferences.ini", SampleEmulePreferences("C:\\Down\\Incoming", {"C:\\T1", "D:\\T\xC3\xA9", "c:\\t1"})},
        {"shareddir.dat", SampleSharedDirs({"C:\\Video\\", "C:\\Down\\Incoming", "E:\\M\xC3\xBCsik\\"}, true)}},
       ClientKind::Emule, "C:\\Down\\Incoming", "[C:\\T1][D:\\T\xC3\xA9]", "[C:\\Video\\][E:\\M\xC3\xBCsik\\]", ""},
      {"eMule: UTF-8 with a mark, quotes, keys of other sections and case",
       {{"preferences.ini", "\xEF\xBB\xBF[Other]\nIncomingDir=X\n[EMULE]\nincomingdir=\"C:\\In\"\nTempDir=C:\\Tmp\n"}},
       ClientKind::Emule, "C:\\In", "[C:\\Tmp]", "", ""},
      {"aMule without the keys: its defaults in the folder",
       {{"amule.conf", "[eMule]\nNick=x\n"}}, ClientKind::Amule, AppendPath(cfg, "Incoming"),
       "[" + AppendPath(cfg, "Temp") + "]", "", ""},
      {"eMule without the keys: its defaults beside the config folder",
       {{"preferences.ini", ""}}, ClientKind::Emule, "Incoming", "[Temp]", "", ""},
      {"UTF-16 that does not decode",
       // An odd byte, and a low surrogate alone.
       {{"preferences.ini", std::string("\xFF\xFEI\0n", 5)}, {"shareddir.dat", std::string("\xFF\xFE\0\xDC", 4)}},
       ClientKind::Emule, "Incoming", "[Temp]", "",
       "[preferences.ini is UTF-16 that does not decode][shareddir.dat is UTF-16 that does not decode]"},
      {"no configuration", {{"shareddir.dat", "/srv/a\n"}}, ClientKind::None, "", "", "",
       "[neither amule.conf nor preferences.ini is in cfg]"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    MemoryDisk disk;
    for (const auto& [name, bytes] : test.files) disk.PutFile(AppendPath(cfg, name), bytes);
    const ClientFolders folders = ReadClientFolders(disk, cfg);
    EXPECT_EQ(static_cast<int>(test.client), static_cast<int>(folders.client));
    EXPECT_EQ(test.incoming, folders.incoming);
    EXPECT_EQ(test.temp, Listed(folders.temp));
    EXPECT_EQ(test.shared, Listed(folders.shared));
    EXPECT_EQ(test.problems, Listed(folders.problems));
  }
}

}  // namespace
