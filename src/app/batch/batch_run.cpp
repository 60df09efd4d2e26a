#include "app/batch/batch_run.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
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
#include "catalog/reason_texts.h"
#include "db/connection_string.h"
#include "db/source_kind.h"
#include "db/write_check.h"
#include "engine/other_form_hints.h"
#include "engine/replacement_run.h"
#include "engine/run_pair_review.h"
#include "journal/file_journal.h"
#include "journal/journal_location.h"
#include "journal/row_identity.h"
#include "journal/undo_run.h"
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

// NORVEL_TEST_PAUSE_BEFORE_COMMIT: with the journal on disk, says so on stderr and waits before
// the COMMIT, so that a test can kill the process exactly there.
class PausingJournal : public FileJournal {
 public:
  using FileJournal::FileJournal;
  void complete(const RunResult& result) override {
    FileJournal::complete(result);
    const char* pause = std::getenv("NORVEL_TEST_PAUSE_BEFORE_COMMIT");
    if (pause == nullptr || *pause == '\0') return;
    std::fprintf(stderr, "norvel-batch: journal written, pausing before COMMIT\n");
    std::fflush(stderr);
    std::this_thread::sleep_for(std::chrono::seconds(std::atoi(pause)));
  }
};

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
    if (options_.undo) {
      if (!readJournal()) return kExitUsage;
    } else if (!readPairs()) {
      return kExitUsage;
    }
    if (!connect(password)) return kExitUsage;
    if (!checkTarget()) return kExitUsage;
    if (options_.undo) return undo(watcher);
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

  bool readJournal() {
    const std::string& path = *options_.undo;
    if (const auto why = whyUnreadable(path)) {
      env_.err << kProgram << tr("cannot read the journal {1}: {2}", {path, *why}) << '\n';
      return false;
    }
    try {
      undone_ = parseJournal(env_.files.readFile(path));
    } catch (const std::exception& error) {
      env_.err << kProgram << tr("{1} is not a complete run journal: {2}", {path, error.what()})
               << '\n';
      return false;
    }
    if (!undone_.undoable()) {
      env_.err << kProgram
               << tr("{1} holds the counts only (its table had no primary key or unique "
                     "NOT NULL index): that run cannot be undone exactly; nothing was changed",
                     {path})
               << '\n';
      return false;
    }
    table_ = undone_.table;
    field_ = undone_.field;
    return true;
  }

  // The journal of a committed run, or none (--no-journal, a dry run); false when the run must
  // not start because no journal could be kept. An undo keeps one as well, so that it can be
  // undone in turn.
  bool prepareJournal(const std::vector<RunPair>& pairs, const std::string& undoes) {
    if (options_.no_journal) return true;
    std::vector<std::string> identity =
        undoes.empty() ? findRowIdentity(*connection_, table_, field_) : undone_.identity;
    if (identity.empty()) {
      env_.err << kProgram
               << tr("table \"{1}\" has no primary key or unique NOT NULL index the run can use: "
                     "this run cannot be undone exactly, its journal will hold the counts only",
                     {table_})
               << '\n';
    }
    if (options_.dry_run) return true;
    std::string folder = options_.journal_dir;
    if (folder.empty()) folder = defaultJournalFolder(processEnvironment());
    if (folder.empty()) {
      env_.err << kProgram
               << tr("no folder for the run journal (neither XDG_STATE_HOME nor HOME is set): "
                     "give --journal-dir DIR or --no-journal; nothing was run")
               << '\n';
      return false;
    }
    JournalRecord header;
    if (undoes.empty()) {
      header.source = maskPasswords(connection_string_);
      header.table = table_;
      header.field = field_;
      header.user = journalUser(processEnvironment());
      header.identity = std::move(identity);
    } else {
      header = undoJournalHeader(undone_, undoes, maskPasswords(connection_string_),
                                 journalUser(processEnvironment()));
    }
    journal_.emplace(env_.files, folder, std::move(header), pairs);
    return true;
  }

  void reportJournal(const RunResult& result) {
    // Scripts that look for it name the folder; the lines they read stay as they were.
    const bool asked = env_.stderr_is_terminal || !options_.journal_dir.empty();
    if (asked && journal_ && result.outcome == RunOutcome::committed && !journal_->path().empty()) {
      env_.err << kProgram << tr("journal: {1}", {journal_->path()}) << '\n' << std::flush;
    }
  }

  int undo(InterruptWatcher& watcher) {
    const std::string undoes = *options_.undo;
    const std::vector<RunPair> pairs = undoPairs(undone_);
    if (!prepareJournal(pairs, undoes.substr(undoes.find_last_of("/\\") + 1))) {
      return kExitUsage;
    }
    const RunMode mode = options_.dry_run ? RunMode::dryRun : RunMode::commit;
    {
      const std::lock_guard lock(stage_mutex_);
      running_ = true;
    }
    BatchRunDisplay display(output_);
    RunPresenter observer(
        display, mode,
        {.stop = &watcher.stop(), .show_findings = false, .language = batchLanguage()});
    progress_.start(static_cast<int>(pairs.size()));
    const UndoResult undo =
        runUndo(*connection_, undone_, observer, mode, journal_ ? &*journal_ : nullptr);
    progress_.finish();
    for (const LeftAloneRow& row : undo.left_alone) {
      env_.err << kProgram
               << tr("row {1} no longer holds {2}: changed since the run, left alone",
                     {identityText(undone_, *row.entry), row.entry->new_value.value_or("NULL")})
               << '\n';
    }
    if (undo.run.outcome != RunOutcome::failed && display.summary()) {
      env_.out << *display.summary() << '\n' << std::flush;
      if (!undo.left_alone.empty()) {
        env_.err << kProgram
                 << trn("{1} change of the run was left alone",
                        "{1} changes of the run were left alone", undo.left_alone.size(),
                        {std::to_string(undo.left_alone.size())})
                 << '\n';
      }
      reportJournal(undo.run);
      return kExitCommitted;
    }
    if (watcher.signal() != 0) return exitCodeOfSignal(watcher.signal());
    if (undo.run.failure && undo.run.failure->stage == RunStage::begin) {
      output_.message(failureMessage(failureText(*undo.run.failure, batchLanguage()),
                                     undo.run.failure->error, batchLanguage()));
    }
    return kExitRolledBack;
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
    connection_string_ = connection_string;
    try {
      connection_ = env_.databases.open(connection_string);
    } catch (const std::exception& error) {
      output_.message(openFailureMessage(connection_string, descriptionOf(error, batchLanguage()),
                                         batchLanguage()));
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
      output_.message(descriptionOf(error, batchLanguage()));
      return false;
    }
    if (tables.empty()) {
      env_.err << kProgram << tr("the data source has no tables") << '\n';
      return false;
    }
    if (!contains(tables, table_)) {
      env_.err << kProgram << tr("no table \"{1}\"; the tables are:", {table_}) << '\n';
      listNames(env_.err, tables);
      return false;
    }
    std::vector<std::string> fields;
    try {
      fields = connection_->columnNames(table_);
    } catch (const std::exception& error) {
      output_.message(
          fieldListFailureMessage(descriptionOf(error, batchLanguage()), batchLanguage()));
      return false;
    }
    if (!contains(fields, field_)) {
      env_.err << kProgram
               << tr("no field \"{1}\" in table \"{2}\"; its fields are:", {field_, table_})
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

    if (!prepareJournal(pairs_, {})) return kExitUsage;
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
    const RunTarget target{table_, field_};
    const RunResult result = runReplacement(
        connection, target, pairs_, observer,
        {mode, &watcher.stop(), options_.plain ? RunStrategy::perPair : RunStrategy::automatic,
         &findings, journal_ ? &*journal_ : nullptr});
    progress_.finish();

    if (result.outcome != RunOutcome::failed && display.summary()) {
      env_.out << *display.summary() << '\n' << std::flush;
      reportJournal(result);
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
      output_.message(failureMessage(failureText(*result.failure, batchLanguage()),
                                     result.failure->error, batchLanguage()));
    }
    return kExitRolledBack;
  }

  const BatchOptions& options_;
  BatchEnvironment& env_;
  std::string table_ = options_.table;
  std::string field_ = options_.field;
  std::string connection_string_;
  JournalRecord undone_;
  std::optional<PausingJournal> journal_;
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
