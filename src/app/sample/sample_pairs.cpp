#include "app/sample/sample_pairs.h"

#include <algorithm>
#include <map>
#include <set>

namespace norvel::sample {

std::vector<PairCodes> choosePairs(const PostalCsv& csv, std::size_t count) {
  std::map<std::string, std::size_t> addresses;
  for (const auto& row : csv.rows) ++addresses[row.front()];

  std::vector<std::pair<std::string, std::size_t>> by_size(addresses.begin(), addresses.end());
  std::stable_sort(by_size.begin(), by_size.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  std::set<std::string> old_codes;
  for (std::size_t i = 0; i < by_size.size() && old_codes.size() < count; ++i) {
    old_codes.insert(by_size[i].first);
  }

  std::vector<PairCodes> pairs;
  for (const std::string& old_code : old_codes) {
    for (auto next = addresses.upper_bound(old_code); next != addresses.end(); ++next) {
      if (old_codes.count(next->first) == 0) {
        pairs.push_back({old_code, next->first});
        break;
      }
    }
  }
  return pairs;
}

}  // namespace norvel::sample
