// A run of 32,767 pairs (the most a list holds) on the 126,431-row sample address database,
// through the real window (offscreen) and through the headless window system, each in a process
// of its own so that its peak memory is its own; then the cost of the status box's appends at
// growing lengths.
//   window_bench [CSV] [ROUNDS]
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "app/sample/postal_csv.h"
#include "app/sample/sample_database.h"
#include "app/sample/sample_pairs.h"
#include "platform/iconv/iconv_code_page_932.h"
#include "platform/qt/qt_text.h"
#include "qt_window_harness.h"
#include "support/window_harness.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace norvel;
using namespace norvel::testing;

constexpr std::size_t kPairs = 32767;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

long peakRssKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Runs body in a child process and returns the line it wrote.
std::string inChild(const std::function<std::string()>& body) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    close(fds[0]);
    std::string line;
    try {
      line = body();
    } catch (const std::exception& error) {
      line = std::string("error: ") + error.what();
    }
    if (write(fds[1], line.data(), line.size()) < 0) _exit(2);
    close(fds[1]);
    std::fflush(nullptr);
    _exit(0);
  }
  close(fds[1]);
  std::string line;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = read(fds[0], buffer, sizeof buffer)) > 0) line.append(buffer, got);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return line;
}

QApplication& application() {
  static int argc = 1;
  static char name[] = "window_bench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

struct Sample {
  std::string database;
  std::string pair_file;
};

std::string windowRun(const Sample& sample, const std::string& copy) {
  application();
  std::filesystem::copy_file(sample.database, copy);
  QtWindowHarness h;
  h.process.argument = sample.pair_file;
  if (!h.start()) throw std::runtime_error("start-up failed");
  if (h.w().lst置換リスト.itemCount() != static_cast<int>(kPairs)) {
    throw std::runtime_error("the list holds " + std::to_string(h.w().lst置換リスト.itemCount()));
  }
  h.connectFile(copy, QStringLiteral("住所"), QStringLiteral("郵便番号"));
  DialogAnswerer answerer;
  auto* start = qobject_cast<QPushButton*>(h.v().widgetOf(h.w().cmd開始));
  const auto t0 = Clock::now();
  QTest::mouseClick(start, Qt::LeftButton);
  const double seconds = secondsSince(t0);
  const QString message = answerer.messages.empty() ? QStringLiteral("?")
                                                    : withoutPadding(answerer.messages[0].text);
  char line[512];
  std::snprintf(line, sizeof line, "%.3f %ld %s", seconds, peakRssKilobytes(),
                toUtf8(message).c_str());
  return line;
}

std::string headlessRun(const Sample& sample, const std::string& copy) {
  std::filesystem::copy_file(sample.database, copy);
  WindowHarness h;
  h.process.argument = sample.pair_file;
  if (!h.start()) throw std::runtime_error("start-up failed");
  h.connectFile(copy, "住所", "郵便番号");
  const auto t0 = Clock::now();
  h.click(h.w().cmd開始);
  const double seconds = secondsSince(t0);
  const auto texts = h.messageTexts();
  char line[512];
  std::snprintf(line, sizeof line, "%.3f %ld %s", seconds, peakRssKilobytes(),
                texts.empty() ? "?" : texts.back().c_str());
  return line;
}

// The status box as the run fills it: two lines per pair, the caret put at the end and the
// window's events processed after each pair.
std::string statusAppends(int lines) {
  application();
  QtWindowHarness h;
  if (!h.start()) throw std::runtime_error("start-up failed");
  Control& status = h.w().txt状況;
  const auto t0 = Clock::now();
  for (int i = 0; i < lines / 2; ++i) {
    status.appendText("1000001->1000002 ... \r\n");
    status.appendText("                       1件置換しました。\r\n");
    status.setSelectionStart(status.text().size());
    h.windows.processPendingEvents();
  }
  const double seconds = secondsSince(t0);
  char line[128];
  std::snprintf(line, sizeof line, "%.3f", seconds);
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string csv_path = argc > 1 ? argv[1] : NORVEL_POSTAL_CSV;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
  TempDir dir;
  Sample sample{dir.file("sample.sqlite"), dir.file("pairs.csv")};
  const std::string prepared = inChild([&] {
    const sample::PostalCsv csv = sample::readPostalCsv(csv_path);
    sample::writeSampleDatabase(sample.database, csv);
    IconvCodePage932 code_page;
    writeBytes(sample.pair_file,
               sample::pairListBytes(sample::choosePairs(csv, kPairs), code_page));
    return std::to_string(csv.rows.size()) + " rows";
  });
  std::printf("sample: %s, %zu pairs\n", prepared.c_str(), kPairs);

  double best_window = 1e9, best_headless = 1e9;
  long window_rss = 0, headless_rss = 0;
  for (int round = 0; round < rounds; ++round) {
    const std::string copy = dir.file("run" + std::to_string(round));
    const std::string window = inChild([&] { return windowRun(sample, copy + "w.sqlite"); });
    const std::string headless = inChild([&] { return headlessRun(sample, copy + "h.sqlite"); });
    std::printf("round %d  window:   %s\n", round + 1, window.c_str());
    std::printf("round %d  headless: %s\n", round + 1, headless.c_str());
    double seconds = 0;
    long rss = 0;
    if (std::sscanf(window.c_str(), "%lf %ld", &seconds, &rss) == 2) {
      best_window = std::min(best_window, seconds);
      window_rss = std::max(window_rss, rss);
    }
    if (std::sscanf(headless.c_str(), "%lf %ld", &seconds, &rss) == 2) {
      best_headless = std::min(best_headless, seconds);
      headless_rss = std::max(headless_rss, rss);
    }
  }
  std::printf("run of %zu pairs: window %.3f s, headless %.3f s, ratio %.2f (goal 1.30)\n", kPairs,
              best_window, best_headless, best_window / best_headless);
  std::printf("peak RSS: window %.1f MiB, headless %.1f MiB\n", window_rss / 1024.0,
              headless_rss / 1024.0);

  std::printf("status box, lines appended with the caret at the end and events processed:\n");
  for (int lines : {1000, 8000, 32000}) {
    const std::string result = inChild([&] { return statusAppends(lines); });
    const double seconds = std::atof(result.c_str());
    std::printf("  %6d lines  %8.3f s  %6.2f us/line\n", lines, seconds, seconds * 1e6 / lines);
  }
  return 0;
}
