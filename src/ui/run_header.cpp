#include "ui/run_header.h"

#include <array>

#include "text/number_text.h"

namespace norvel {

std::string localTimeText(std::time_t when, const char* format) {
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &when);
#else
  localtime_r(&when, &local);
#endif
  std::array<char, 32> time{};
  std::strftime(time.data(), time.size(), format, &local);
  return time.data();
}

std::string undoHeaderLine(std::time_t when, const RunTarget& target, std::time_t undone) {
  return std::string(kRunHeaderMark) + " " + localTimeText(when, "%Y/%m/%d %H:%M:%S") +
         "　テーブル " + target.table + "　フィールド " + target.field + "　" +
         localTimeText(undone, "%H:%M:%S") + " の実行を元に戻す " + std::string(kRunHeaderMark);
}

std::string runHeaderLine(std::time_t when, const RunTarget& target, std::size_t pairs,
                          RunMode mode) {
  std::string line = std::string(kRunHeaderMark) + " " + localTimeText(when, "%Y/%m/%d %H:%M:%S") +
                     "　テーブル " + target.table + "　フィールド " + target.field + "　置換ペア " +
                     formatCount(static_cast<std::int64_t>(pairs)) + " 件";
  if (mode == RunMode::dryRun) line += "（確認のみ）";
  return line + " " + std::string(kRunHeaderMark);
}

}  // namespace norvel
