#include "ken_all_fixture.h"

#include <fstream>
#include <set>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "text/utf8.h"

namespace norvel::postal::test {
namespace {

constexpr std::string_view kWholeCity = "以下に掲載がない場合";
constexpr std::string_view kMunicipalityEnds[] = {"市", "区", "町", "村"};

bool endsWithMunicipality(std::string_view text) {
  for (std::string_view end : kMunicipalityEnds) {
    if (text.ends_with(end)) return true;
  }
  return false;
}

// Byte offsets just after each 市, 区, 町 or 村.
std::vector<std::size_t> municipalityBoundaries(std::string_view text) {
  std::vector<std::size_t> ends;
  for (std::size_t i = 0; i < text.size(); i = utf8::next(text, i)) {
    const std::size_t next = utf8::next(text, i);
    if (endsWithMunicipality(text.substr(0, next))) ends.push_back(next);
  }
  return ends;
}

std::size_t fallbackCityEnd(std::string_view text) {
  const std::size_t county = text.find("郡");
  for (std::size_t end : municipalityBoundaries(text)) {
    if (county == std::string_view::npos || end > county + 3) return end;
  }
  return text.size();
}

std::string line(const AddressRecord& r, std::string_view town) {
  // JIS code and kana are not in the source; Japan Post's flags all 0.
  return "00000,\"" + r.code.substr(0, 3) + "  \",\"" + r.code + "\",\"ｼﾞｭｳｼｮ\",\"ｼﾞｭｳｼｮ\"," +
         "\"ｼﾞｭｳｼｮ\",\"" + r.prefecture + "\",\"" + r.city + "\",\"" + std::string(town) +
         "\",0,0,0,0,0,0\r\n";
}

}  // namespace

std::vector<AddressRecord> readJpPostal2022(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<std::pair<std::string, std::string>> columns;  // code and prefecture, the rest
  std::vector<AddressRecord> records;
  std::string text;
  std::getline(in, text);  // the header
  std::set<std::pair<std::string, std::string>> cities;
  std::vector<std::string> joined;
  while (std::getline(in, text)) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty()) continue;
    const std::size_t a = text.find(','), b = text.find(',', a + 1);
    AddressRecord r{text.substr(0, a), text.substr(a + 1, b - a - 1), {}, {}};
    joined.push_back(text.substr(b + 1));
    if (r.code.ends_with("00") && endsWithMunicipality(joined.back())) {
      cities.emplace(r.prefecture, joined.back());
    }
    records.push_back(std::move(r));
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    AddressRecord& r = records[i];
    const std::string_view whole = joined[i];
    std::size_t city_end = 0;
    for (std::size_t end : municipalityBoundaries(whole)) {
      if (cities.contains({r.prefecture, std::string(whole.substr(0, end))})) city_end = end;
    }
    if (city_end == 0) city_end = fallbackCityEnd(whole);
    r.city = whole.substr(0, city_end);
    r.town = city_end == whole.size() ? std::string(kWholeCity) : whole.substr(city_end);
  }
  return records;
}

std::string utfKenAll(const std::vector<AddressRecord>& records) {
  std::string text;
  for (const AddressRecord& r : records) text += line(r, r.town);
  return text;
}

std::string kenAllFirstLines(const std::vector<AddressRecord>& records, std::size_t count) {
  const auto line = [](const AddressRecord& r, std::string_view town_reading) {
    return "01101,\"" + r.code.substr(0, 3) + "  \",\"" + r.code +
           "\",\"ﾎｯｶｲﾄﾞｳ\",\"ｻｯﾎﾟﾛｼﾁｭｳｵｳｸ\",\"" + std::string(town_reading) + "\",\"" +
           r.prefecture + "\",\"" + r.city + "\",\"" + r.town + "\",0,0,0,0,0,0\r\n";
  };
  const AddressRecord first{"0600000", "北海道", "札幌市中央区", std::string(kWholeCity)};
  std::string text = line(first, "ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ");
  for (const AddressRecord& r : records) {
    if (count <= 1) break;
    if (r.prefecture != first.prefecture || r.city != first.city || r.code == first.code ||
        utf8::length(r.town) > 38) {
      continue;
    }
    text += line(r, "ｼﾞｭｳｼｮ");
    --count;
  }
  return text;
}

std::string kenAllCp932(const std::vector<AddressRecord>& records, const CodePage932& code_page,
                        std::size_t split_at) {
  std::string text;
  for (const AddressRecord& r : records) {
    const std::string_view town = r.town;
    const std::size_t open = town.find("（");
    if (open == std::string_view::npos || !town.ends_with("）") || utf8::length(town) <= split_at ||
        utf8::length(town.substr(0, open)) >= split_at) {
      text += line(r, town);
      continue;
    }
    std::size_t start = 0;
    while (start < town.size()) {
      std::size_t end = start;
      for (std::size_t n = 0; n < split_at && end < town.size(); ++n) end = utf8::next(town, end);
      text += line(r, town.substr(start, end - start));
      start = end;
    }
  }
  return code_page.encode(text);
}

}  // namespace norvel::postal::test
