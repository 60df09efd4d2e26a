#include "engine/number_text.h"
#include "pairs/pair_line.h"
#include "ui/frm_norvel.h"

namespace norvel {

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
  const std::string text = platform_.code_page.decode(platform_.files.readFile(pair_file_path_));

  std::size_t refused = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;

    PairCodes pair = ParsePairLine(line);
    if (pair.old_code.empty()) continue;
    if (lst置換リスト.itemCount() >= kMaxListLines) {
      ++refused;
      continue;
    }
    AppendPair(pair.old_code, pair.new_code);
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
    // Written in full beside the old file and renamed over it, so a failure keeps the old list.
    platform_.files.replaceFile(path, platform_.code_page.encode(text));
  } catch (const std::exception& error) {
    MsgWarning(std::string("置換リストを保存できませんでした。\r\n") + error.what());
  }
}

}  // namespace norvel
