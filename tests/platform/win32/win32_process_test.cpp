#include "platform/win32/win32_process.h"

#include <gmock/gmock.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>

#include "platform/win32/win32_text.h"

namespace norvel {
namespace {

using ::testing::EndsWith;

TEST(Win32Process, TheRunningProgramsPathAndFolder) {
  const Win32Process process;
  EXPECT_THAT(process.executablePath(), EndsWith("\\norvel_win32_tests.exe"));
  EXPECT_TRUE(std::filesystem::path(win32::wideFromUtf8(process.executablePath())).is_absolute());

  wchar_t current[MAX_PATH];
  ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, current), 0u);
  EXPECT_EQ(process.currentDirectory(), win32::utf8FromWide(current));
}

TEST(Win32Process, TheArgumentsComeFromTheWideCommandLine) {
  Utf8Arguments arguments;
  ASSERT_GE(arguments.argc(), 1);
  EXPECT_EQ(arguments.argv()[arguments.argc()], nullptr);
  EXPECT_THAT(std::string(arguments.argv()[0]), EndsWith("norvel_win32_tests.exe"));
  // ctest passes --gtest_filter=…: every argument after the program's name, blank-separated.
  std::string joined;
  for (int i = 1; i < arguments.argc(); ++i)
    joined += (i > 1 ? " " : "") + arguments.arguments()[i];
  EXPECT_EQ(Win32Process().commandLineArgument(), joined);
}

TEST(Win32Process, SettingsLiveInTheRoamingProfile) {
  const wchar_t* app_data = ::_wgetenv(L"APPDATA");
  ASSERT_NE(app_data, nullptr);
  EXPECT_EQ(Win32Process().userConfigDirectory(), win32::utf8FromWide(app_data));
  EXPECT_EQ(Win32Process().installedBinDirectory(), "");
}

TEST(Win32Process, TheInstallersMarkerMakesTheFolderAnInstalledOne) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / L"norvel-郵便番号-installed";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const std::string program = win32::utf8FromWide((folder / L"norvel.exe").wstring());
  const std::string folder_text = win32::utf8FromWide(folder.wstring());

  EXPECT_EQ(installedFolderOf(program), "") << "a portable copy";
  std::filesystem::create_directory(folder / kInstalledMarker);
  EXPECT_EQ(installedFolderOf(program), "") << "a folder of the marker's name is no marker";
  std::filesystem::remove(folder / kInstalledMarker);
  {
    std::FILE* marker = ::_wfopen((folder / kInstalledMarker).c_str(), L"w");
    ASSERT_NE(marker, nullptr);
    std::fclose(marker);
  }
  EXPECT_EQ(installedFolderOf(program), folder_text);
  EXPECT_EQ(installedFolderOf("norvel.exe"), "") << "no folder in the path";
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace norvel
