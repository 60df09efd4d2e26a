#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "db/database_session.h"
#include "engine/replacement_run.h"
#include "pairs/cls_inf_col.h"
#include "platform/platform.h"
#include "ui/window_model.h"

namespace norvel {

struct JournalRecord;
struct RunFailure;
class RunPresenter;

// The main window: its controls, its state and every handler.
class FrmNorvel : public EventHandler {
  // Declared first: the control references below are bound to controls of form_.
  Platform& platform_;
  Form form_;

 public:
  explicit FrmNorvel(Platform& platform);
  ~FrmNorvel() override;
  FrmNorvel(const FrmNorvel&) = delete;
  FrmNorvel& operator=(const FrmNorvel&) = delete;

  Form& form() { return form_; }
  Platform& platform() { return platform_; }
  DatabaseSession& database() { return database_; }

  // Window creation: the load handler. Throws whatever start-up fails with.
  void Load();

  void handleEvent(Control& control, EventKind kind, int argument) override;
  bool handleKey(Control& control, Key key, int shift) override;
  std::vector<Command> commandsOf(const Control& control) override;
  bool commandEnabled(const Control& control, Command command) override;
  void handleCommand(Control& control, Command command) override;

  bool mbLoaded() const { return mbLoaded_; }
  bool mbConnected() const { return mbConnected_; }
  const clsInfCol* mPairs() const { return mPairs_.get(); }
  const std::string& pairFilePath() const { return pair_file_path_; }
  // True while connecting or running: the window is disabled and a tab change must not
  // enable anything.
  bool longActionRunning() const { return long_action_depth_ > 0; }
  // True while a run goes on off the window's thread.
  bool runRunning() const { return run_connection_ != nullptr; }
  // The pair list changed since it was loaded or saved.
  bool pairsChanged() const { return pairs_changed_; }
  // The journal the undo puts back: the last committed run's (or undo's) in this window, while
  // the connection it ran on is open; empty when there is none to undo.
  const std::string& undoJournal() const { return last_journal_; }

  // The handlers, public so that front ends and tests can name them.
  void RefreshControlStates();
  void TerminateApplication();
  void InitPairCollection();
  void InitializeForm();
  void LoadPairFile();
  // False when the file could not be written (the user has been told).
  bool SavePairFile();
  void ListTables();
  void ListFields();
  // 直前の置換を元に戻す: asks first, then puts the rows of the last run back as a run goes.
  void undoLastRun();
  bool canUndoLastRun() const;

  // The default pair list file: beside the executable, named after it, ".csv".
  std::string defaultPairFilePath() const;

  // Controls of the inventory.
  Control& frmNorvel;
  Control& Frame1;
  Control& sst対象;
  Control& txtMDBパス;
  Control& cmdMDBパス;
  Control& txtOO4Oユーザ名;
  Control& txtOO4Oパスワード;
  Control& txtOO4Oホスト文字列;
  Control& txtXLSパス;
  Control& chkフィールド名使用;
  Control& cmdXLSパス;
  Control& txt接続文字列;
  Control& cmd接続;
  Control& Frame3;
  Control& lst置換リスト;
  Control& txt置換元;
  Control& txt置換先;
  Control& cmd追加;
  Control& cmd削除;
  Control& Picture1;
  Control& Frame2;
  Control& cobテーブル名;
  Control& cobフィールド名;
  Control& txt状況;
  Control& cmd開始;
  Control& cmd終了;
  Control& dlgCommon;
  Control& Label1(int index) { return form_.control("Label1", index); }

 private:
  class LongAction;
  class RunView;

  void MsgWarning(std::string_view message);
  void MsgInfo(std::string_view message);

  // Handlers.
  void sst対象_Click(int previous_tab);
  void cmd接続_Click();
  void cmdMDBパス_Click();
  void cmdXLSパス_Click();
  void browse(Control& path_box, const char* default_ext, const char* filter);
  // Opens the session's connection; true means it failed and the user has been told.
  bool OpenDatabase(const std::string& connection_string);
  void cobテーブル名_Click();
  void cmd追加_Click();
  void cmd削除_Click();
  void cmd開始_Click(RunMode mode = RunMode::commit);
  void runInBackground(DatabaseConnection& connection, const RunTarget& target,
                       const std::vector<RunPair>& pairs, RunMode mode);
  // Runs `work` on its own thread while this thread keeps the window painted and answering; what
  // the presenter says goes to the status box as a run's lines, and the progress line follows
  // the observer the work is to tell.
  void presentOffWindowThread(DatabaseConnection& connection, std::size_t pairs, RunMode mode,
                              RunView& view,
                              const std::function<void(RunPresenter&, RunObserver&)>& work);
  void undoInBackground(DatabaseConnection& connection, const JournalRecord& undone);
  // The status box's line that names a committed run's journal; it becomes the one to undo.
  void journalWritten(const std::string& path, bool undoable);
  // Asks whether to interrupt the run and, on yes, interrupts it; true when it is interrupted.
  bool askToInterruptRun(bool to_close);
  void cmd終了_Click();
  void Form_Unload();
  void cancelRequested();
  void appendPair(const std::string& old_code, const std::string& new_code);
  Control& inputBoxOfCurrentTab();

  DatabaseSession database_;
  bool mbLoaded_ = false;
  bool mbConnected_ = false;
  std::unique_ptr<clsInfCol> mPairs_;
  std::string pair_file_path_;
  // The pair list file held lines the window did not load; saving over it keeps a copy first.
  bool pair_file_left_out_ = false;
  bool pairs_changed_ = false;
  bool table_click_running_ = false;
  int long_action_depth_ = 0;
  // The run going on: its connection, the request to stop it, and a close that waits for it.
  DatabaseConnection* run_connection_ = nullptr;
  std::atomic<bool> run_stop_{false};
  bool close_after_run_ = false;
  // The journal of the last committed run, for its undo, and the run's time.
  std::string last_journal_;
  std::chrono::system_clock::time_point last_run_time_;
};

}  // namespace norvel
