#include "app/batch/batch_run.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/batch/batch_text.h"
#include "app/batch/exit_codes.h"
#include "app/batch/interrupt_watcher.h"
#include "app/batch/output_sinks.h"
#include "app/batch/pair_file_check.h"
#include "app/batch/progress_line.h"
#include "app/batch/run_display.h"
#include "app/batch/terminal.h"
#include "catalog/connect_texts.h"
#include "catalog/failure_texts.h"
#include "catalog/pair_texts.h"
#include "db/source_kind.h"
#include "db/write_check.h"
#include "engine/other_form_hints.h"
#include "engine/replacement_run.h"
#include "engine/run_pair_review.h"
#include "pairs/cls_inf_col.h"
#include "pairs/pair_file_reader.h"

namespace norvel::batch {
namespace {

constexpr const char* kProgram = "norvel-batch: ";

void listNames(std::ostream& err, const std::vector<std::string>& names) {
  if (names.empty()) err << "  " << tr("(none)") << '\n';
  for (const std::string& name : names) err << "  " << name << '\n';
}

const char* signalName(int signal) {
  return signal == SIGINT ? "SIGINT" : "SIGTERM";
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

SourceInputs inputsOf(const BatchOptions& options, const std::string& password) {
  return {.path = options.path,
          .user = options.oracle_user,
          .password = password,
          .host = options.oracle_host,
          .header_check = options.header_row ? 1 : 0,
          .connection_string = options.connection_string};
}

class BatchRun {
 public:
  BatchRun(const BatchOptions& options, BatchEnvironment& env)
      : options_(options),
        env_(env),
        progress_(env.stderr_is_terminal),
        output_(env.out, env.err, options.quiet, progress_, env.same_output) {}

  int run(const std::string& password) {
    ignoreBrokenPipe();
    // A signal stops norvel-batch from here on, not only during the run.
    InterruptWatcher watcher([this](int signal) { stopFor(signal); });
    output_.whenOutputCloses([&watcher] { watcher.requestStop(); });
    if (!readPairs()) return kExitUsage;
    if (!connect(password)) return kExitUsage;
    if (!checkTarget()) return kExitUsage;
    return replace(watcher);
  }

 private:
  // On the watcher's thread, at every signal. Before the run has begun nothing can have changed,
  // so the program ends at once, also in the middle of a connect or of loading a workbook, which
  // nothing could cut short; during the run the statement running is cut short, and the run
  // rolls back.
  void stopFor(int signal) {
    const std::lock_guard lock(stage_mutex_);
    if (running_) {
      connection_->interrupt();
      return;
    }
    env_.err << kProgram
             << tr("interrupted ({1}) before the run began: nothing was changed",
                   {signalName(signal)})
             << '\n'
             << std::flush;
    std::_Exit(exitCodeOfSignal(signal));
  }

  // The list as the window loads it at start-up; a script learns of a file it cannot read.
  bool readPairs() {
    const std::string path =
        options_.pairs_file.value_or(pairFileLocationOf(env_.process, env_.files));
    if (const auto why = whyUnreadable(path)) {
      env_.err << kProgram << tr("cannot read the pair list file {1}: {2}", {path, *why}) << '\n';
      return false;
    }
    PairFileContents file =
        readPairFile(env_.files.readFile(path), path, env_.code_page, kMaxListLines);
    for (const PairFileProblem& problem : file.problems) {
      output_.message(pairFileProblemText(problem, batchLanguage()));
    }
    if (!file.problems.empty()) return false;
    if (file.pairs.empty()) {
      env_.err << kProgram << tr("the pair list file {1} holds no pairs", {path}) << '\n';
      return false;
    }
    pairs_ = std::move(file.pairs);
    return true;
  }

  bool connect(const std::string& password) {
    const SourceInputs inputs = inputsOf(options_, password);
    // The window does not offer 接続 without it.
    if (primaryInput(options_.source, inputs).empty()) {
      env_.err << kProgram << tr("not connected: the input of the data source is empty") << '\n';
      return false;
    }
    if (const auto missing = missingInput(options_.source, inputs)) {
      output_.message(missingInputText(*missing, batchLanguage()));
      return false;
    }
    const std::string connection_string = buildConnectionString(options_.source, inputs);
    try {
      connection_ = env_.databases.open(connection_string);
    } catch (const std::exception& error) {
      output_.message(openFailureMessage(connection_string, error.what(), batchLanguage()));
      return false;
    }
    // A dry run writes nothing: only a run is told that it will fail.
    if (!options_.dry_run) {
      const bool file_kind =
          options_.source == SourceKind::access || options_.source == SourceKind::excel;
      const std::string warning = writeWarningOf(*connection_, file_kind ? options_.path : "",
                                                 env_.files, batchLanguage(), CheckName::batch);
      if (!warning.empty()) env_.err << kProgram << warning << '\n';
    }
    return true;
  }

  bool checkTarget() {
    std::vector<std::string> tables;
    try {
      tables = connection_->tableNames();
    } catch (const std::exception& error) {
      output_.message(error.what());
      return false;
    }
    if (tables.empty()) {
      env_.err << kProgram << tr("the data source has no tables") << '\n';
      return false;
    }
    if (!contains(tables, options_.table)) {
      env_.err << kProgram << tr("no table \"{1}\"; the tables are:", {options_.table}) << '\n';
      listNames(env_.err, tables);
      return false;
    }
    std::vector<std::string> fields;
    try {
      fields = connection_->columnNames(options_.table);
    } catch (const std::exception& error) {
      output_.message(fieldListFailureMessage(error.what(), batchLanguage()));
      return false;
    }
    if (!contains(fields, options_.field)) {
      env_.err << kProgram
               << tr("no field \"{1}\" in table \"{2}\"; its fields are:",
                     {options_.field, options_.table})
               << '\n';
      listNames(env_.err, fields);
      return false;
    }
    return true;
  }

  int replace(InterruptWatcher& watcher) {
    // Pairs the user may not have meant are named before the run.
    const std::vector<PairFinding> findings = reviewRunPairs(pairs_);
    for (const PairFinding& finding : findings) {
      output_.message(pairFindingText(finding, batchLanguage()));
    }
    if (options_.strict && !findings.empty()) {
      env_.err << kProgram
               << trn("--strict: the pair list has {1} pair worth a second look (above); "
                      "nothing was run",
                      "--strict: the pair list has {1} pairs worth a second look (above); "
                      "nothing was run",
                      findings.size(), {std::to_string(findings.size())})
               << '\n';
      return kExitUsage;
    }

    const RunMode mode = options_.dry_run ? RunMode::dryRun : RunMode::commit;
    DatabaseConnection& connection = *connection_;
    {
      const std::lock_guard lock(stage_mutex_);
      running_ = true;
    }
    BatchRunDisplay display(output_);
    RunPresenter observer(
        display, mode,
        {.stop = &watcher.stop(), .show_findings = false, .language = batchLanguage()});
    progress_.start(static_cast<int>(pairs_.size()));
    const RunTarget target{options_.table, options_.field};
    const RunResult result =
        runReplacement(connection, target, pairs_, observer,
                       {mode, &watcher.stop(),
                        options_.plain ? RunStrategy::perPair : RunStrategy::automatic, &findings});
    progress_.finish();

    if (result.outcome != RunOutcome::failed && display.summary()) {
      env_.out << *display.summary() << '\n' << std::flush;
      // After the counts: a pair that matched nothing may be a code written another way.
      for (const OtherFormHint& hint :
           findOtherFormHints(connection, target, pairs_, result.counts)) {
        output_.message(otherFormHintText(hint, batchLanguage()));
      }
      return kExitCommitted;
    }
    if (watcher.signal() != 0) {
      env_.err << kProgram
               << tr("interrupted ({1}): the run was rolled back, nothing was changed",
                     {signalName(watcher.signal())})
               << '\n'
               << std::flush;
      return exitCodeOfSignal(watcher.signal());
    }
    if (output_.outputClosed()) {
      env_.err << kProgram
               << tr("stdout was closed ({1}): the run was rolled back, nothing was changed",
                     {std::strerror(EPIPE)})
               << '\n'
               << std::flush;
      return kExitOutputClosed;
    }
    // A failed begin reaches no observer: the window shows its message alone.
    if (result.failure && result.failure->stage == RunStage::begin) {
      output_.message(
          failureMessage(result.failure->description, result.failure->error, batchLanguage()));
    }
    return kExitRolledBack;
  }

  const BatchOptions& options_;
  BatchEnvironment& env_;
  ProgressLine progress_;
  BatchOutput output_;
  std::vector<RunPair> pairs_;
  std::unique_ptr<DatabaseConnection> connection_;
  std::mutex stage_mutex_;
  bool running_ = false;  // the replacement has begun: a signal no longer ends the program
};

}  // namespace

int runBatch(const BatchOptions& options, const std::string& password, BatchEnvironment& env) {
  BatchRun run(options, env);
  return run.run(password);
}

}  // namespace norvel::batch
