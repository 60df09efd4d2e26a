// norvel-pairs on two full lists of 126,431 addresses each: the old one as KEN_ALL.CSV (code
// page 932, long town names over several lines), the new one as utf_ken_all.csv with every
// 50th code moved. Reports the program's wall time and peak memory (goals: under 2 s, under
// 200 MB).
//   pairs_bench [CSV] [NORVEL-PAIRS]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/iconv/iconv_code_page_932.h"
#include "postal/ken_all_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

void write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string csv = argc > 1 ? argv[1] : NORVEL_POSTAL_CSV;
  const std::string program = argc > 2 ? argv[2] : NORVEL_PAIRS_PROGRAM;
  const fs::path dir =
      fs::temp_directory_path() / ("norvel-pairs-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);

  norvel::IconvCodePage932 code_page;
  const auto old_list = norvel::postal::test::readJpPostal2022(csv);
  std::set<std::string> codes;
  for (const auto& r : old_list) codes.insert(r.code);
  auto new_list = old_list;
  std::size_t n = 0;
  std::set<std::string> moved;
  for (const std::string& code : codes) {
    if (n++ % 50 == 0) moved.insert(code);
  }
  for (auto& r : new_list) {
    if (moved.contains(r.code)) r.code[3] = r.code[3] == '9' ? '8' : '9';
  }
  write(dir / "KEN_ALL.CSV", norvel::postal::test::kenAllCp932(old_list, code_page));
  write(dir / "utf_ken_all.csv", norvel::postal::test::utfKenAll(new_list));

  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    const std::string out = (dir / "pairs.csv").string(), report = (dir / "report.csv").string();
    const std::string old_file = (dir / "KEN_ALL.CSV").string();
    const std::string new_file = (dir / "utf_ken_all.csv").string();
    execl(program.c_str(), program.c_str(), old_file.c_str(), new_file.c_str(), "--out",
          out.c_str(), "--report", report.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const double megabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const int exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;

  std::printf(
      "norvel-pairs on %zu + %zu addresses (%zu codes moved): exit %d, %.2f s, %.1f MB peak\n",
      old_list.size(), new_list.size(), moved.size(), exit_code, seconds, megabytes);
  std::printf("goals: under 2 s %s, under 200 MB %s\n", seconds < 2.0 ? "met" : "MISSED",
              megabytes < 200.0 ? "met" : "MISSED");
  if (std::getenv("NORVEL_BENCH_KEEP") == nullptr) fs::remove_all(dir);
  return exit_code == 0 && seconds < 2.0 && megabytes < 200.0 ? 0 : 1;
}
