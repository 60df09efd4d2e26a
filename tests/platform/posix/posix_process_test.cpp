#include "platform/posix/posix_process.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "temporary_directory.h"

namespace norvel {
namespace {

using testing_support::TemporaryDirectory;
using testing_support::writeBytes;

PosixProcess processWith(const std::vector<const char*>& argv) {
  return PosixProcess(static_cast<int>(argv.size()), argv.data());
}

struct ArgumentCase {
  const char* name;
  std::vector<const char*> argv;
  std::string argument;
};

void PrintTo(const ArgumentCase& argument_case, std::ostream* out) {
  *out << argument_case.name;
}

class CommandLineArgument : public testing::TestWithParam<ArgumentCase> {};

TEST_P(CommandLineArgument, JoinsTheArgumentsWithSingleBlanks) {
  EXPECT_EQ(processWith(GetParam().argv).commandLineArgument(), GetParam().argument);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineArgument,
    testing::Values(
        ArgumentCase{"None", {"norvel"}, ""}, ArgumentCase{"NoneNotEvenAProgramName", {}, ""},
        ArgumentCase{"OnePath", {"norvel", "/data/pairs.csv"}, "/data/pairs.csv"},
        ArgumentCase{"PathWithBlanksKeptVerbatim", {"norvel", " my pairs.csv "}, " my pairs.csv "},
        ArgumentCase{"SplitPathJoinedAgain", {"norvel", "my", "pairs.csv"}, "my pairs.csv"},
        ArgumentCase{"QuotesKept", {"norvel", "\"a b.csv\""}, "\"a b.csv\""},
        ArgumentCase{"Japanese", {"norvel", "置換リスト.csv"}, "置換リスト.csv"},
        ArgumentCase{"EmptyArguments", {"norvel", "", ""}, " "}),
    [](const testing::TestParamInfo<ArgumentCase>& info) { return info.param.name; });

TEST(PosixProcess, ExecutablePathIsTheRunningProgramWhateverArgvZeroSays) {
  const std::string path = processWith({"some-other-name"}).executablePath();
  const std::filesystem::path executable(path);
  EXPECT_TRUE(executable.is_absolute()) << path;
  EXPECT_EQ(executable.filename(), "norvel_posix_tests");
  EXPECT_TRUE(std::filesystem::is_regular_file(executable)) << path;
}

TEST(PosixProcess, CurrentDirectoryFollowsChangesOfDirectory) {
  const TemporaryDirectory directory;
  const auto saved = std::filesystem::current_path();
  const PosixProcess process = processWith({"norvel"});
  std::filesystem::current_path(directory.path());
  const std::string inside = process.currentDirectory();
  std::filesystem::current_path(saved);
  EXPECT_EQ(inside, std::filesystem::canonical(directory.path()).string());
  EXPECT_EQ(process.currentDirectory(), saved.string());
}

TEST(PosixProcess, CurrentDirectoryThatWasRemovedFails) {
  const TemporaryDirectory directory;
  const auto saved = std::filesystem::current_path();
  const auto gone = directory.path() / "gone";
  std::filesystem::create_directory(gone);
  std::filesystem::current_path(gone);
  std::filesystem::remove(gone);
  std::string error = "no error";
  try {
    processWith({"norvel"}).currentDirectory();
  } catch (const FileError& failure) {
    error = failure.what();
  }
  std::filesystem::current_path(saved);
  EXPECT_EQ(error, "current directory: No such file or directory");
}

class AbsoluteProgramPath : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(directory_.path() / "bin");
    std::filesystem::create_directories(directory_.path() / "data");
    writeBytes(directory_.file("bin/norvel"), "#!/bin/sh\n");
    ::chmod(directory_.file("bin/norvel").c_str(), 0755);
    writeBytes(directory_.file("data/norvel"), "not a program");
    ::chmod(directory_.file("data/norvel").c_str(), 0644);
  }

  TemporaryDirectory directory_;
};

TEST_F(AbsoluteProgramPath, PathsWithADirectoryPartAreTakenFromTheStartDirectory) {
  EXPECT_EQ(absoluteProgramPath("/opt/norvel/norvel", "/home/user", ""), "/opt/norvel/norvel");
  EXPECT_EQ(absoluteProgramPath("./bin/norvel", "/home/user", ""), "/home/user/bin/norvel");
  EXPECT_EQ(absoluteProgramPath("../tools/norvel", "/home/user", ""), "/home/tools/norvel");
  EXPECT_EQ(absoluteProgramPath("", "/home/user", ""), "");
}

TEST_F(AbsoluteProgramPath, BareNamesAreSearchedInThePath) {
  const std::string bin = directory_.file("bin");
  const std::string data = directory_.file("data");
  // The data folder's "norvel" is not executable, so the search goes on.
  EXPECT_EQ(absoluteProgramPath("norvel", "/home/user", "/nowhere:" + data + ":" + bin),
            bin + "/norvel");
  EXPECT_EQ(absoluteProgramPath("norvel", directory_.path().string(), "data:bin"), bin + "/norvel");
  // An empty entry is the start directory.
  EXPECT_EQ(absoluteProgramPath("norvel", bin, "/nowhere::"), bin + "/norvel");
  EXPECT_EQ(absoluteProgramPath("norvel", "/home/user", "/nowhere:" + data), "/home/user/norvel");
}

}  // namespace
}  // namespace norvel
