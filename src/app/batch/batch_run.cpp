#include "app/batch/batch_run.h"

#include <optional>

#include "app/batch/dry_run_database_layer.h"
#include "app/batch/exit_codes.h"
#include "app/batch/output_sinks.h"
#include "app/batch/pair_file_check.h"
#include "app/batch/pair_file_process.h"
#include "app/batch/progress_line.h"
#include "app/batch/source_selection.h"
#include "ui/main_sequence.h"
#include "frontends/headless/headless_window_system.h"
#include "ui/frm_norvel.h"

namespace norvel::batch {
namespace {

constexpr const char* kProgram = "norvel-batch: ";

void listNames(std::ostream& err, const std::vector<std::string>& names) {
  if (names.empty()) err << "  (none)\n";
  for (const std::string& name : names) err << "  " << name << '\n';
}

// Drives one FrmNorvel from start-up to termination.
class BatchRun {
 public:
  BatchRun(const BatchOptions& options, BatchEnvironment& env)
      : options_(options),
        env_(env),
        process_(env.process, options.pairs_file),
        databases_(options.dry_run ? static_cast<DatabaseLayer&>(dry_run_.emplace(env.databases))
                                   : env.databases),
        platform_{windows_, databases_, env.files, env.code_page, process_},
        window_(platform_),
        progress_(env.stderr_is_terminal),
        messages_(env.err, progress_, dry_run_ ? &*dry_run_ : nullptr),
        status_(window_.txt状況, env.out, options.quiet, progress_) {
    windows_.attach(window_.form());
    windows_.onMessage([this](const HeadlessWindowSystem::Message& m) { messages_.show(m); });
    window_.form().addObserver(&status_);
  }

  // The window ends as when it is closed from outside: the connection is closed and the pair
  // list file is left alone (only 終了 writes it).
  ~BatchRun() {
    window_.form().userCloses();
    window_.form().removeObserver(&status_);
    windows_.onMessage(nullptr);
  }

  BatchRun(const BatchRun&) = delete;
  BatchRun& operator=(const BatchRun&) = delete;

  int run(const std::string& password) {
    if (!Main(window_) || messages_.warnings() > 0) return kExitUsage;
    if (window_.lst置換リスト.itemCount() == 0) return noPairs();

    enterSource(window_, options_, password);
    clickConnect(window_, windows_);
    if (messages_.warnings() > 0) return kExitUsage;
    if (!window_.mbConnected()) {
      env_.err << kProgram << "not connected: the input of the data source is empty\n";
      return kExitUsage;
    }
    if (window_.cobテーブル名.itemCount() == 0) {
      env_.err << kProgram << "the data source has no tables\n";
      return kExitUsage;
    }

    if (!selectItem(window_, window_.cobテーブル名, options_.table, windows_)) {
      env_.err << kProgram << "no table \"" << options_.table << "\"; the tables are:\n";
      listNames(env_.err, window_.cobテーブル名.items());
      return kExitUsage;
    }
    if (messages_.warnings() > 0) return kExitUsage;
    if (!selectItem(window_, window_.cobフィールド名, options_.field, windows_)) {
      env_.err << kProgram << "no field \"" << options_.field << "\" in table \"" << options_.table
               << "\"; its fields are:\n";
      listNames(env_.err, window_.cobフィールド名.items());
      return kExitUsage;
    }
    if (!window_.cmd開始.enabled()) {
      env_.err << kProgram << "the window does not offer to start the run\n";
      return kExitUsage;
    }
    return start();
  }

 private:
  int noPairs() {
    const std::string& path = window_.pairFilePath();
    if (const auto why = whyUnreadable(path)) {
      env_.err << kProgram << "cannot read the pair list file " << path << ": " << *why << '\n';
    } else {
      env_.err << kProgram << "the pair list file " << path << " holds no pairs\n";
    }
    return kExitUsage;
  }

  int start() {
    const int warnings_before = messages_.warnings();
    const int informations_before = messages_.informations();
    progress_.start(window_.lst置換リスト.itemCount());
    window_.form().userClicks(window_.cmd開始);
    windows_.processPendingEvents();
    progress_.finish();

    // The window reports its total only after a commit; a failed pair shows a warning instead.
    const bool reported =
        messages_.informations() > informations_before && messages_.warnings() == warnings_before;
    const bool committed_as_asked = !dry_run_ || dry_run_->rolledBackInsteadOfCommit();
    if (!reported || !committed_as_asked) return kExitRolledBack;
    env_.out << messages_.lastInformation() << '\n' << std::flush;
    return kExitCommitted;
  }

  const BatchOptions& options_;
  BatchEnvironment& env_;
  HeadlessWindowSystem windows_;
  PairFileProcess process_;
  std::optional<DryRunDatabaseLayer> dry_run_;
  DatabaseLayer& databases_;
  Platform platform_;
  FrmNorvel window_;
  ProgressLine progress_;
  MessageSink messages_;
  StatusLineSink status_;
};

}  // namespace

int runBatch(const BatchOptions& options, const std::string& password, BatchEnvironment& env) {
  if (options.pairs_file) {
    if (const auto why = whyUnreadable(*options.pairs_file)) {
      env.err << kProgram << "cannot read the pair list file " << *options.pairs_file << ": "
              << *why << '\n';
      return kExitUsage;
    }
  }
  BatchRun run(options, env);
  return run.run(password);
}

}  // namespace norvel::batch
