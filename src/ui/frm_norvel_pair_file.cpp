#include <vector>

#include "catalog/pair_texts.h"
#include "pairs/pair_file_reader.h"
#include "pairs/pair_file_writer.h"
#include "pairs/pair_line.h"
#include "ui/frm_norvel.h"

namespace norvel {

std::string FrmNorvel::defaultPairFilePath() const {
  return pairFileLocationOf(platform_.process, platform_.files);
}

void FrmNorvel::LoadPairFile() {
  const std::string argument = platform_.process.commandLineArgument();
  pair_file_path_ = argument.empty() ? defaultPairFilePath() : argument;
  pairs_changed_ = false;
  if (!platform_.files.canOpenForReading(pair_file_path_)) return;
  const PairFileContents file = readPairFile(platform_.files.readFile(pair_file_path_),
                                             pair_file_path_, platform_.code_page, kMaxListLines);
  for (const PairCodes& pair : file.pairs) appendPair(pair.old_code, pair.new_code);
  pairs_changed_ = false;
  pair_file_left_out_ = file.left_out;
  for (const PairFileProblem& problem : file.problems) {
    MsgWarning(pairFileProblemText(problem, Language::japanese));
  }
}

bool FrmNorvel::SavePairFile() {
  const std::string path = defaultPairFilePath();
  std::vector<PairCodes> pairs;
  for (std::int32_t i = 1; i <= mPairs_->GetSize(); ++i) {
    const clsInf& pair = mPairs_->GetItem(i);
    pairs.push_back({pair.s01, pair.s02});
  }
  try {
    // Lines the window could not load would be lost with the old file: it is kept beside as .bak.
    if (pair_file_left_out_ && path == pair_file_path_ && platform_.files.canOpenForReading(path)) {
      platform_.files.replaceFile(path + ".bak", platform_.files.readFile(path));
    }
    // An installed program's list lives in the user's config folder, made on first save.
    if (const std::size_t slash = path.find_last_of('/'); slash != std::string::npos && slash > 0) {
      platform_.files.createDirectories(path.substr(0, slash));
    }
    // Written in full beside the old file and renamed over it, so a failure keeps the old list.
    platform_.files.replaceFile(path, encodePairFile(pairs, platform_.code_page));
  } catch (const std::exception& error) {
    MsgWarning(std::string("置換リストを保存できませんでした。\r\n") + error.what());
    return false;
  }
  pairs_changed_ = false;
  return true;
}

}  // namespace norvel
