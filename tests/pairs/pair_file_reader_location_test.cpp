#include <gtest/gtest.h>

#include "pairs/pair_file_reader.h"

namespace norvel {
namespace {

TEST(PairFileLocation, BesideTheProgramUnlessItIsInstalledOrItsFolderIsNotTheUsers) {
  struct Case {
    const char* what;
    bool beside_exists;
    bool writable;
    std::string installed;
    std::string config;
    std::string expected;
  };
  const std::string exe = "/opt/tools/norvel";
  const std::vector<Case> cases = {
      {"a build or portable copy", false, true, "/usr/bin", "/home/u/.config",
       "/opt/tools/norvel.csv"},
      {"installed", false, true, "/opt/tools", "/home/u/.config",
       "/home/u/.config/norvel/norvel.csv"},
      {"a folder the user may not write", false, false, "/usr/bin", "/home/u/.config",
       "/home/u/.config/norvel/norvel.csv"},
      {"a list beside the program still wins", true, false, "/opt/tools", "/home/u/.config",
       "/opt/tools/norvel.csv"},
      {"no config folder to go to", false, false, "/opt/tools", "", "/opt/tools/norvel.csv"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pairFileLocation({exe, c.beside_exists, c.writable, c.installed, c.config}),
              c.expected)
        << c.what;
  }
  EXPECT_EQ(pairFileLocation({"/usr/bin/norvel-batch", false, false, "/usr/bin", "/h/.config"}),
            "/h/.config/norvel/norvel-batch.csv");
}

// GetModuleFileNameW answers "C:\…\norvel.exe"; on Linux a backslash is part of a name.
TEST(PairFileLocation, TheProgramsFolderInTheSystemsOwnPathForm) {
#if defined(_WIN32)
  EXPECT_EQ(defaultPairFilePath("C:\\Program Files\\Norvel\\norvel-batch.exe"),
            "C:\\Program Files\\Norvel\\norvel-batch.csv");
  EXPECT_EQ(defaultPairFilePath("\\\\server\\郵便\\norvel.exe"), "\\\\server\\郵便\\norvel.csv");
  EXPECT_EQ(defaultPairFilePath("C:/tools/norvel.exe"), "C:/tools/norvel.csv");
  EXPECT_EQ(pairFileLocation(
                {"C:\\Norvel\\norvel.exe", false, false, "", "C:\\Users\\u\\AppData\\Roaming"}),
            "C:\\Users\\u\\AppData\\Roaming/norvel/norvel.csv");
#else
  EXPECT_EQ(defaultPairFilePath("/opt/a\\b/norvel"), "/opt/a\\b/norvel.csv");
  EXPECT_EQ(defaultPairFilePath("C:\\tools\\norvel.exe"), "./C:\\tools\\norvel.csv");
#endif
}

}  // namespace
}  // namespace norvel
