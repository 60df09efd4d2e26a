#include <csignal>
#include <cstdlib>
#if !defined(_WIN32)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#endif

#include "batch_test_support.h"
#if !defined(_WIN32)
#include "platform/posix/file_descriptor.h"
#endif

namespace norvel::batch::test {
namespace {

using Args = std::vector<std::string>;

const std::vector<std::tuple<int, int, std::string>> kStopSignals = {{SIGINT, 130, "SIGINT"},
                                                                     {SIGTERM, 143, "SIGTERM"}};

#if !defined(_WIN32)
// A server on a port of localhost that takes connections and never answers: a connect to it
// waits for as long as its client lets it.
class SilentServer {
 public:
  SilentServer() : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (!listener_ || ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_.get(), 4) != 0 ||
        ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      throw systemError("listen");
    }
    port_ = ntohs(address.sin_port);
  }
  int port() const { return port_; }
  // Whether a client has connected (and is now kept waiting).
  bool connected() {
    pollfd ready{listener_.get(), POLLIN, 0};
    if (::poll(&ready, 1, 0) != 1) return false;
    clients_.emplace_back(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    return true;
  }

 private:
  FileDescriptor listener_;
  std::vector<FileDescriptor> clients_;
  int port_ = 0;
};

// What the process is waiting in, as the kernel names it ("wait_for_partner": opening a FIFO
// that has no writer).
std::string waitChannel(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/wchan");
  std::string name;
  std::getline(in, name);
  return name;
}
#endif

// Before the run, while norvel-batch connects or loads a workbook, a signal ends it at once:
// nothing can have changed yet, and it says so with the signal's exit code.
TEST_F(BatchTest, SignalWhileConnectingEndsAtOnceSayingNothingChanged) {
#if defined(_WIN32)
  GTEST_SKIP() << "Windows has no signals to send; Ctrl+C on a console is tried by hand";
#else
  if (!std::ifstream("/proc/self/wchan")) GTEST_SKIP() << "no /proc/<pid>/wchan to see a wait in";
  // A workbook that is a FIFO: loading it waits in open() until a writer comes, and none does.
  const std::string book = file("遅い.xlsx");
  if (::mkfifo(utf8Path(book).c_str(), 0600) != 0) throw systemError("mkfifo");
  const char* pg = std::getenv("NORVEL_TEST_PG");
  for (const auto& [signal, exit_code, name] : kStopSignals) {
    SCOPED_TRACE(name);
    const RunResult loading =
        batch({"--xls", book, "--table", "Sheet1$", "--field", "F1", "--pairs", pairs_}, {}, {},
              {signal, "", [](int pid) { return waitChannel(pid) == "wait_for_partner"; }});
    EXPECT_EQ(loading.exit_code, exit_code) << loading.err;
    EXPECT_EQ(loading.out, "");
    EXPECT_EQ(loading.err, "norvel-batch: interrupted (" + name +
                               ") before the run began: nothing was changed\n");

    // The PostgreSQL driver connecting to a server that never answers.
    if (pg == nullptr || *pg == '\0') continue;
    SilentServer server;
    const RunResult connecting = batch(
        {"--connect",
         "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=" + std::to_string(server.port()) +
             ";Database=norvel;Uid=norvel;Pwd=x;",
         "--table", "住所", "--field", "郵便番号", "--pairs", pairs_},
        {}, {}, {signal, "", [&server](int) { return server.connected(); }});
    EXPECT_EQ(connecting.exit_code, exit_code) << connecting.err;
    EXPECT_EQ(connecting.out, "");
    EXPECT_EQ(connecting.err, "norvel-batch: interrupted (" + name +
                                  ") before the run began: nothing was changed\n");
  }
  EXPECT_EQ(codes(), kOriginalCodes);
#endif
}

// "norvel-batch … | head -2": once the reader has gone, the next status line cannot be written.
// The run stops there and is rolled back, stderr says why, and the exit code is the one a shell
// gives a program SIGPIPE ended.
TEST_F(BatchTest, AClosedStdoutStopsTheRunAndRollsItBack) {
  if (!kTerminalAndSignals) GTEST_SKIP() << "the Windows launcher reads stdout to its end";
  const Args long_run = longRun();
  const std::string before = readBytes(db_);
  for (const Args& strategy : {Args{}, Args{"--plain"}}) {
    Args arguments = long_run;
    arguments.insert(arguments.end(), strategy.begin(), strategy.end());
    Launch head;
    head.stdout_lines = 2;
    const RunResult run = batch(arguments, {}, head);
    EXPECT_EQ(run.exit_code, 141) << run.err;
    EXPECT_EQ(run.out, statusLines("100-0001", "100-0002", "200,000"));
    EXPECT_EQ(run.err,
              "norvel-batch: stdout was closed (Broken pipe): the run was rolled back, nothing "
              "was changed\n");
    EXPECT_EQ(readBytes(db_), before);
  }
}

// Ctrl+C or a kill in the middle of a long run: the pairs already done are undone, the file is
// byte for byte as before, and the exit code tells which signal stopped it.
TEST_F(BatchTest, SignalDuringTheRunRollsBackAndExitsWithIt) {
  if (!kTerminalAndSignals) {
    GTEST_SKIP() << "Windows has no signals to send; Ctrl+C on a console is tried by hand";
  }
  const Args long_run = longRun();
  const std::string before = readBytes(db_);
  for (const auto& [signal, exit_code, name] : kStopSignals) {
    const RunResult run = batch(long_run, {}, {}, {signal, "200,000件置換しました。\n"});
    EXPECT_EQ(run.exit_code, exit_code) << name << run.err;
    EXPECT_THAT(run.out, StartsWith(statusLines("100-0001", "100-0002", "200,000")));
    EXPECT_THAT(run.out, Not(HasSubstr("9999->1")));
    EXPECT_EQ(run.err, "norvel-batch: interrupted (" + name +
                           "): the run was rolled back, nothing was changed\n");
    EXPECT_EQ(readBytes(db_), before) << name;
  }
}

// What a look over the list finds is said before the run, also with --quiet, and never stops it.
TEST_F(BatchTest, PairListFindingsGoToStderrBeforeTheRun) {
  writeBytes(pairs_, "100-0004,\r\n100-0001,100-0091\r\n");
  const std::string finding =
      "Pair 1 \"100-0004 -> \" has an empty new code: the fields it matches become empty "
      "(NULL).\n";
  for (const auto& [more, out] : std::vector<std::pair<Args, std::string>>{
           {{"--dry-run"},
            statusLines("100-0004", "", "1") + statusLines("100-0001", "100-0091", "2") +
                "dry run: 3件置換しました。 (rolled back, nothing changed)\n"},
           {{"--quiet"}, "3件置換しました。\n"}}) {
    Args arguments = args({"--db", db_});
    arguments.insert(arguments.end(), more.begin(), more.end());
    const RunResult run = batch(arguments);
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, out);
    EXPECT_EQ(run.err, finding + out.substr(out.rfind('\n', out.size() - 2) + 1));
  }
  EXPECT_EQ(codes(), "NULL|1\n100-0003|1500\n100-0091|2");
}

}  // namespace
}  // namespace norvel::batch::test
