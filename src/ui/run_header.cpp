#include "ui/run_header.h"

#include <array>

#include "text/number_text.h"

namespace norvel {

std::string runHeaderLine(std::time_t when, const RunTarget& target, std::size_t pairs,
                          RunMode mode) {
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &when);
#else
  localtime_r(&when, &local);
#endif
  std::array<char, 32> time{};
  std::strftime(time.data(), time.size(), "%Y/%m/%d %H:%M:%S", &local);
  std::string line = std::string(kRunHeaderMark) + " " + time.data() + "　テーブル " +
                     target.table + "　フィールド " + target.field + "　置換ペア " +
                     formatCount(static_cast<std::int64_t>(pairs)) + " 件";
  if (mode == RunMode::dryRun) line += "（確認のみ）";
  return line + " " + std::string(kRunHeaderMark);
}

}  // namespace norvel
