#include <vector>

#include "engine/number_text.h"
#include "pairs/code_check.h"
#include "pairs/pair_file_text.h"
#include "pairs/pair_line.h"
#include "ui/frm_norvel.h"

namespace norvel {
namespace {

// A message box has room for a few line numbers; the rest are counted.
constexpr std::size_t kLineNumbersShown = 10;

std::string lineNumbers(const std::vector<std::int32_t>& numbers) {
  std::string text;
  for (std::size_t i = 0; i < numbers.size() && i < kLineNumbersShown; ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(numbers[i]);
  }
  text += " 行目";
  if (numbers.size() > kLineNumbersShown) {
    text += "ほか " + FormatCount(static_cast<std::int64_t>(numbers.size() - kLineNumbersShown)) +
            " 行";
  }
  return text;
}

}  // namespace

std::string FrmNorvel::DefaultPairFilePath() const {
  const std::string exe = platform_.process.executablePath();
  const std::size_t slash = exe.find_last_of('/');
  const std::string directory = slash == std::string::npos ? "." : exe.substr(0, slash);
  std::string base = slash == std::string::npos ? exe : exe.substr(slash + 1);
  const std::size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.erase(dot);
  return directory + "/" + base + ".csv";
}

void FrmNorvel::LoadPairFile() {
  const std::string argument = platform_.process.commandLineArgument();
  pair_file_path_ = argument.empty() ? DefaultPairFilePath() : argument;
  if (!platform_.files.canOpenForReading(pair_file_path_)) return;
  const PairFileText file =
      DecodePairFile(platform_.files.readFile(pair_file_path_), platform_.code_page);
  if (file.encoding == PairFileEncoding::utf16) {
    pair_file_left_out_ = true;
    MsgWarning(pair_file_path_ +
               " は UTF-16 で保存されているため読み込めません。\r\n"
               "コードページ 932（Shift-JIS）または UTF-8 で保存し直してください。");
    return;
  }

  std::vector<std::int32_t> with_control_chars;
  std::size_t refused = 0;
  for (const PairFileLine& line : SplitPairFileLines(file.text)) {
    PairCodes pair = ParsePairLine(line.text);
    if (pair.old_code.empty()) continue;
    if (HasControlChar(pair.old_code) || HasControlChar(pair.new_code)) {
      with_control_chars.push_back(line.number);
      continue;
    }
    if (lst置換リスト.itemCount() >= kMaxListLines) {
      ++refused;
      continue;
    }
    AppendPair(pair.old_code, pair.new_code);
  }
  // Undecodable bytes are saved as '?', so they count as left out too.
  pair_file_left_out_ = !with_control_chars.empty() || refused > 0 ||
                        file.text.find("\xEF\xBF\xBD") != std::string::npos;
  if (!with_control_chars.empty()) {
    MsgWarning("制御文字を含むコードは置換リストに登録できません。\r\n" + pair_file_path_ + " の " +
               lineNumbers(with_control_chars) + "は読み込まれていません。");
  }
  if (refused > 0) {
    MsgWarning("置換リストには " + FormatCount(kMaxListLines) + " 件までしか登録できません。\r\n" +
               pair_file_path_ + " の残り " + FormatCount(static_cast<std::int64_t>(refused)) +
               " 件は読み込まれていません。");
  }
}

void FrmNorvel::SavePairFile() {
  const std::string path = DefaultPairFilePath();
  std::string text;
  for (std::int32_t i = 1; i <= mPairs_->GetSize(); ++i) {
    const clsInf& pair = mPairs_->GetItem(i);
    text += FormatPairLine(pair.s01, pair.s02);
    text += "\r\n";
  }
  try {
    // Lines the window could not load would be lost with the old file: it is kept beside as .bak.
    if (pair_file_left_out_ && path == pair_file_path_ && platform_.files.canOpenForReading(path)) {
      platform_.files.replaceFile(path + ".bak", platform_.files.readFile(path));
    }
    // Written in full beside the old file and renamed over it, so a failure keeps the old list.
    platform_.files.replaceFile(path, platform_.code_page.encode(text));
  } catch (const std::exception& error) {
    MsgWarning(std::string("置換リストを保存できませんでした。\r\n") + error.what());
  }
}

}  // namespace norvel
