#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pairs/pair_line.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace norvel {

// What kept a pair list file, or some of its lines, out of the list.
enum class PairFileProblemKind {
  utf16,         // saved as UTF-16: nothing read
  controlChars,  // lines whose codes hold control characters
  tooManyPairs,  // lines beyond the list's limit
};

// One problem as the catalogue words it (pairFileProblemText).
struct PairFileProblem {
  PairFileProblemKind kind;
  std::string path;
  std::vector<std::int32_t> lines = {};  // controlChars: the line numbers, from 1
  std::size_t limit = 0;                 // tooManyPairs: the most pairs the list holds
  std::size_t refused = 0;               // tooManyPairs: the pairs left out
};

// The pairs of a pair list file and what kept some of its lines out.
struct PairFileContents {
  std::vector<PairCodes> pairs;  // in file order; lines without an old code are skipped
  // One per kind of problem.
  std::vector<PairFileProblem> problems;
  // Something in the file is not among the pairs, or not as it was: a refused UTF-16 file,
  // lines with control characters, lines beyond the limit, bytes that were not text.
  bool left_out = false;
};

// Reads the pair list from the bytes of the file at path (the path only names it in messages).
// At most max_pairs are taken: the list box of the window holds no more lines.
PairFileContents readPairFile(std::string_view bytes, const std::string& path,
                              const CodePage932& code_page, std::size_t max_pairs);

// The default pair list file of a program: beside the executable, named after it, ".csv".
std::string defaultPairFilePath(std::string_view executable_path);

// Where a program keeps its default pair list. The file beside the executable wins when it
// exists (a portable copy) and whenever that folder is the user's to write; a program that runs
// from the installed bin folder, or from a folder the user may not write, keeps it in
// <config>/norvel/ instead. Without a config folder it stays beside the executable.
struct PairFileLocationFacts {
  std::string executable_path;
  bool beside_exists = false;
  bool folder_writable = true;
  std::string installed_bin_directory;  // empty when unknown
  std::string user_config_directory;    // empty when there is none
};
std::string pairFileLocation(const PairFileLocationFacts& facts);
// The same, with the facts asked of the running process and the file system.
std::string pairFileLocationOf(const Process& process, const FileSystem& files);

}  // namespace norvel
