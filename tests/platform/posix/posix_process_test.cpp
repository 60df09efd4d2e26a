#include "platform/posix/posix_process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace norvel {
namespace {

PosixProcess processWith(const std::vector<const char*>& argv) {
  return PosixProcess(static_cast<int>(argv.size()), argv.data());
}

TEST(PosixProcess, CommandLineArgumentJoinsTheArgumentsWithSingleBlanks) {
  const std::pair<std::vector<const char*>, std::string> cases[] = {
      {{}, ""},
      {{"norvel"}, ""},
      {{"norvel", " my pairs.csv "}, " my pairs.csv "},
      {{"norvel", "my", "置換リスト.csv"}, "my 置換リスト.csv"},
      {{"norvel", "\"a b.csv\""}, "\"a b.csv\""},
      {{"norvel", "", ""}, " "},
  };
  for (const auto& [argv, argument] : cases) {
    EXPECT_EQ(processWith(argv).commandLineArgument(), argument) << argument;
  }
}

TEST(PosixProcess, ExecutableAndCurrentDirectoryOfTheRunningProcess) {
  const std::filesystem::path executable(processWith({"some-other-name"}).executablePath());
  EXPECT_TRUE(executable.is_absolute()) << executable;
  EXPECT_EQ(executable.filename(), "norvel_posix_tests");

  // The directory at the time of asking, not at start-up.
  const testing::TempDir dir;
  const auto saved = std::filesystem::current_path();
  const PosixProcess process = processWith({"norvel"});
  std::filesystem::current_path(dir.path());
  const std::string inside = process.currentDirectory();
  std::filesystem::current_path(saved);
  EXPECT_EQ(inside, std::filesystem::canonical(dir.path()).string());
}

TEST(PosixProcess, AbsoluteProgramPathFromTheStartDirectoryOrThePath) {
  const testing::TempDir dir;
  const std::string bin = dir.file("bin");
  const std::string data = dir.file("data");
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(data);
  testing::writeBytes(bin + "/norvel", "#!/bin/sh\n");
  ::chmod((bin + "/norvel").c_str(), 0755);
  testing::writeBytes(data + "/norvel", "not a program");  // not executable: the search goes on
  const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
      {"/opt/norvel/norvel", "/home/user", "", "/opt/norvel/norvel"},
      {"./bin/norvel", "/home/user", "", "/home/user/bin/norvel"},
      {"../tools/norvel", "/home/user", "", "/home/tools/norvel"},
      {"", "/home/user", "", ""},
      {"norvel", "/home/user", "/nowhere:" + data + ":" + bin, bin + "/norvel"},
      {"norvel", dir.path().string(), "data:bin", bin + "/norvel"},
      {"norvel", bin, "/nowhere::", bin + "/norvel"},  // an empty entry is the start directory
      {"norvel", "/home/user", "/nowhere:" + data, "/home/user/norvel"},
  };
  for (const auto& [argv0, start, path, expected] : cases) {
    EXPECT_EQ(absoluteProgramPath(argv0, start, path), expected) << argv0 << " in " << path;
  }
}

}  // namespace
}  // namespace norvel
