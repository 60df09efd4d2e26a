#include "pairs/pair_file_reader.h"

#include <cstdint>

#include "pairs/code_check.h"
#include "pairs/pair_file_text.h"

namespace norvel {
namespace {

// Windows takes either slash between folders (and GetModuleFileNameW answers with '\');
// elsewhere a backslash is part of a file name.
#if defined(_WIN32)
constexpr const char* kPathSeparators = "/\\";
#else
constexpr const char* kPathSeparators = "/";
#endif

}  // namespace

PairFileContents readPairFile(std::string_view bytes, const std::string& path,
                              const CodePage932& code_page, std::size_t max_pairs) {
  PairFileContents contents;
  const PairFileText file = decodePairFile(bytes, code_page);
  if (file.encoding == PairFileEncoding::utf16) {
    contents.left_out = true;
    contents.problems.push_back({PairFileProblemKind::utf16, path});
    return contents;
  }

  std::vector<std::int32_t> with_control_chars;
  std::size_t refused = 0;
  for (const PairFileLine& line : splitPairFileLines(file.text)) {
    PairCodes pair = parsePairLine(line.text);
    if (pair.old_code.empty()) continue;
    if (hasControlChar(pair.old_code) || hasControlChar(pair.new_code)) {
      with_control_chars.push_back(line.number);
      continue;
    }
    if (contents.pairs.size() >= max_pairs) {
      ++refused;
      continue;
    }
    contents.pairs.push_back(std::move(pair));
  }
  // Undecodable bytes are saved as '?', so they count as left out too.
  contents.left_out = !with_control_chars.empty() || refused > 0 ||
                      file.text.find("\xEF\xBF\xBD") != std::string::npos;
  if (!with_control_chars.empty()) {
    contents.problems.push_back(
        {PairFileProblemKind::controlChars, path, std::move(with_control_chars)});
  }
  if (refused > 0) {
    contents.problems.push_back({PairFileProblemKind::tooManyPairs, path, {}, max_pairs, refused});
  }
  return contents;
}

std::string defaultPairFilePath(std::string_view executable_path) {
  const std::size_t slash = executable_path.find_last_of(kPathSeparators);
  const std::string directory =
      slash == std::string_view::npos ? "." : std::string(executable_path.substr(0, slash));
  std::string base(slash == std::string_view::npos ? executable_path
                                                   : executable_path.substr(slash + 1));
  const std::size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.erase(dot);
  // The separator the path itself uses, so a Windows path stays in one style.
  const char separator = slash == std::string_view::npos ? '/' : executable_path[slash];
  return directory + separator + base + ".csv";
}

std::string pairFileLocation(const PairFileLocationFacts& facts) {
  const std::string beside = defaultPairFilePath(facts.executable_path);
  const std::size_t slash = beside.find_last_of(kPathSeparators);
  const std::string folder = beside.substr(0, slash);
  const bool installed =
      !facts.installed_bin_directory.empty() && folder == facts.installed_bin_directory;
  if (facts.beside_exists || facts.user_config_directory.empty() ||
      (!installed && facts.folder_writable)) {
    return beside;
  }
  return facts.user_config_directory + "/norvel/" + beside.substr(slash + 1);
}

std::string pairFileLocationOf(const Process& process, const FileSystem& files) {
  PairFileLocationFacts facts;
  facts.executable_path = process.executablePath();
  const std::string beside = defaultPairFilePath(facts.executable_path);
  facts.beside_exists = files.canOpenForReading(beside);
  facts.folder_writable =
      files.canWriteInDirectory(beside.substr(0, beside.find_last_of(kPathSeparators)));
  facts.installed_bin_directory = process.installedBinDirectory();
  facts.user_config_directory = process.userConfigDirectory();
  return pairFileLocation(facts);
}

}  // namespace norvel
