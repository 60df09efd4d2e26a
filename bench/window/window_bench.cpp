// A run of 32,767 pairs (the most a list holds) on the 126,431-row sample address database,
// through the real window (offscreen) and through the headless window system, each in a process
// of its own so that its peak memory is its own; then the cost of the status box's appends at
// growing lengths.
//   window_bench [CSV] [ROUNDS]
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "app/sample/postal_csv.h"
#include "app/sample/sample_database.h"
#include "frontends/qt/log_view.h"
#include "frontends/qt/qt_text.h"
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

// Processor time of this process: under other load on the machine it varies far less than the
// wall clock.
double cpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
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

// Distinct codes spread evenly over the list, each moved to its hyphenated form (which no row
// has), so every pair replaces the rows of one code.
std::string pairList(const sample::PostalCsv& csv) {
  std::set<std::string> distinct;
  for (const auto& row : csv.rows) distinct.insert(row.front());
  const std::vector<std::string> codes(distinct.begin(), distinct.end());
  if (codes.size() < kPairs) throw std::runtime_error("too few codes in the list");
  std::string list;
  for (std::size_t i = 0; i < kPairs; ++i) {
    const std::string& code = codes[i * codes.size() / kPairs];
    list += code + "," + code.substr(0, 3) + "-" + code.substr(3) + "\r\n";
  }
  return list;
}

// Answers the run's message box as soon as it is on screen and notes when that was: the time the
// box stays open is the user's, not the run's.
class MessageBoxCloser : public QObject {
 public:
  MessageBoxCloser() { qApp->installEventFilter(this); }
  ~MessageBoxCloser() override { qApp->removeEventFilter(this); }

  Clock::time_point shown_at{};
  double cpu_start = 0;
  double cpu_seconds = 0;
  QString text;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      if (auto* box = qobject_cast<QMessageBox*>(watched)) {
        shown_at = Clock::now();
        cpu_seconds = cpuSeconds() - cpu_start;
        text = box->text();
        while (text.endsWith(QLatin1Char(' '))) text.chop(1);
        QTimer::singleShot(0, box, [box] { box->button(QMessageBox::Ok)->click(); });
      }
    }
    return false;
  }
};

struct Sample {
  std::string database;
  std::string pair_file;
};

std::string windowRun(const Sample& sample, const std::string& copy) {
  application();
  std::filesystem::copy_file(sample.database, copy);
  QtWindowHarness h;
  h.process.argument = sample.pair_file;
  const auto s0 = Clock::now();
  if (!h.start()) throw std::runtime_error("start-up failed");
  const double start_seconds = secondsSince(s0);
  if (h.w().lst置換リスト.itemCount() != static_cast<int>(kPairs)) {
    throw std::runtime_error("the list holds " + std::to_string(h.w().lst置換リスト.itemCount()));
  }
  h.typeInto(h.w().txtMDBパス, QString::fromStdString(copy));
  h.click(h.w().cmd接続);
  h.pickFromOpenList(h.w().cobテーブル名, QStringLiteral("住所"));
  h.pickFromOpenList(h.w().cobフィールド名, QStringLiteral("郵便番号"));
  MessageBoxCloser closer;
  auto* start = qobject_cast<QPushButton*>(h.v().widgetOf(h.w().cmd開始));
  closer.cpu_start = cpuSeconds();
  const auto t0 = Clock::now();
  QTest::mouseClick(start, Qt::LeftButton);
  const double with_box = secondsSince(t0);
  const double seconds = std::chrono::duration<double>(closer.shown_at - t0).count();
  const QString message = closer.text.isEmpty() ? QStringLiteral("?") : closer.text;
  const int status_lines = h.widget<LogView>(h.w().txt状況)->lineCount() - 1;
  char line[512];
  std::snprintf(line, sizeof line,
                "%.3f %.3f %ld %s (until the box was closed %.3f s; start-up with the list %.3f s; "
                "%d status lines)",
                seconds, closer.cpu_seconds, peakRssKilobytes(), toUtf8(message).c_str(), with_box,
                start_seconds, status_lines);
  return line;
}

std::string headlessRun(const Sample& sample, const std::string& copy) {
  std::filesystem::copy_file(sample.database, copy);
  WindowHarness h;
  h.process.argument = sample.pair_file;
  const auto s0 = Clock::now();
  if (!h.start()) throw std::runtime_error("start-up failed");
  const double start_seconds = secondsSince(s0);
  h.connectFile(copy, "住所", "郵便番号");
  const double cpu0 = cpuSeconds();
  const auto t0 = Clock::now();
  h.click(h.w().cmd開始);
  const double seconds = secondsSince(t0);
  const double cpu = cpuSeconds() - cpu0;
  const auto texts = h.messageTexts();
  char line[512];
  std::snprintf(line, sizeof line, "%.3f %.3f %ld %s (start-up with the list %.3f s)", seconds, cpu,
                peakRssKilobytes(), texts.empty() ? "?" : texts.back().c_str(), start_seconds);
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
  const std::string csv_path = argc > 1 && argv[1][0] != '\0' ? argv[1] : NORVEL_POSTAL_CSV;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
  TempDir dir;
  Sample sample{dir.file("sample.sqlite"), dir.file("pairs.csv")};
  const std::string prepared = inChild([&] {
    const sample::PostalCsv csv = sample::readPostalCsv(csv_path);
    sample::writeSampleDatabase(sample.database, csv);
    writeBytes(sample.pair_file, pairList(csv));
    return std::to_string(csv.rows.size()) + " rows";
  });
  std::printf("sample: %s, %zu pairs\n", prepared.c_str(), kPairs);
  if (prepared.rfind("error", 0) == 0) return 1;

  double best_window = 1e9, best_headless = 1e9;
  double best_window_cpu = 1e9, best_headless_cpu = 1e9;
  long window_rss = 0, headless_rss = 0;
  if (std::getenv("NORVEL_BENCH_WINDOW_ONLY") != nullptr) {
    // For a profiler: the window's run alone, in this process.
    std::printf("window (wall s, processor s, peak RSS KiB): %s\n",
                windowRun(sample, dir.file("profiled.sqlite")).c_str());
    return 0;
  }
  for (int round = 0; round < rounds; ++round) {
    const std::string copy = dir.file("run" + std::to_string(round));
    const std::string window = inChild([&] { return windowRun(sample, copy + "w.sqlite"); });
    const std::string headless = inChild([&] { return headlessRun(sample, copy + "h.sqlite"); });
    std::printf("round %d  window   (wall s, processor s, peak RSS KiB): %s\n", round + 1,
                window.c_str());
    std::printf("round %d  headless (wall s, processor s, peak RSS KiB): %s\n", round + 1,
                headless.c_str());
    if (window.rfind("error", 0) == 0 || headless.rfind("error", 0) == 0) return 1;
    double seconds = 0;
    double cpu = 0;
    long rss = 0;
    if (std::sscanf(window.c_str(), "%lf %lf %ld", &seconds, &cpu, &rss) == 3) {
      best_window = std::min(best_window, seconds);
      best_window_cpu = std::min(best_window_cpu, cpu);
      window_rss = std::max(window_rss, rss);
    }
    if (std::sscanf(headless.c_str(), "%lf %lf %ld", &seconds, &cpu, &rss) == 3) {
      best_headless = std::min(best_headless, seconds);
      best_headless_cpu = std::min(best_headless_cpu, cpu);
      headless_rss = std::max(headless_rss, rss);
    }
  }
  std::printf(
      "run of %zu pairs (best of %d), wall clock: window %.3f s, headless %.3f s, "
      "ratio %.2f (goal 1.30)\n",
      kPairs, rounds, best_window, best_headless, best_window / best_headless);
  std::printf(
      "run of %zu pairs (best of %d), processor: window %.3f s, headless %.3f s, "
      "ratio %.2f\n",
      kPairs, rounds, best_window_cpu, best_headless_cpu, best_window_cpu / best_headless_cpu);
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
