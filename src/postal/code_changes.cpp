#include "postal/code_changes.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string_view>
#include <unordered_map>

#include "postal/width_fold.h"

namespace norvel::postal {
namespace {

using Code = std::uint32_t;
using KeyId = std::uint32_t;
constexpr char kSeparator = '\x1F';
constexpr std::size_t kCandidatesShown = 3;

Code parseCode(std::string_view digits) {
  Code code = 0;
  for (char c : digits) code = code * 10 + static_cast<Code>(c - '0');
  return code;
}

std::string codeText(Code code) {
  std::string text(7, '0');
  for (std::size_t i = 7; i-- > 0; code /= 10) text[i] = static_cast<char>('0' + code % 10);
  return text;
}

bool holds(std::span<const Code> codes, Code code) {
  return std::binary_search(codes.begin(), codes.end(), code);
}

// Addresses keyed on the folded (prefecture, city, town), shared by both sides.
class KeyTable {
 public:
  explicit KeyTable(std::size_t expected) { ids_.reserve(expected); }

  KeyId intern(const AddressRecord& record) {
    buffer_.clear();
    appendFolded(buffer_, record.prefecture);
    buffer_ += kSeparator;
    appendFolded(buffer_, record.city);
    buffer_ += kSeparator;
    appendFolded(buffer_, record.town);
    const auto found = ids_.find(buffer_);
    if (found != ids_.end()) return found->second;
    const auto at = ids_.emplace(buffer_, static_cast<KeyId>(names_.size())).first;
    names_.push_back(at->first);
    return at->second;
  }
  std::size_t size() const { return names_.size(); }
  std::string_view prefecture(KeyId id) const {
    return names_[id].substr(0, names_[id].find(kSeparator));
  }
  // Prefecture and town, the key of a town whose municipality may have been renamed.
  std::string withoutCity(KeyId id) const {
    const std::string_view name = names_[id];
    return std::string(name.substr(0, name.find(kSeparator))) +
           std::string(name.substr(name.rfind(kSeparator)));
  }

 private:
  std::unordered_map<std::string, KeyId> ids_;
  std::vector<std::string_view> names_;
  std::string buffer_;
};

// One list: the codes of every address and the addresses of every code, each as one sorted
// array with offsets (a few hundred thousand small vectors would cost more than the rest).
class Side {
 public:
  void add(KeyTable& keys, const AddressRecord& record) {
    const KeyId key = keys.intern(record);
    const Code code = parseCode(record.code);
    links_.emplace_back(key, code);
    if (shown_.size() <= key) shown_.resize(key + 1, nullptr);
    if (shown_[key] == nullptr) shown_[key] = &record;
  }

  void finish(const KeyTable& keys) {
    shown_.resize(keys.size(), nullptr);
    std::sort(links_.begin(), links_.end());
    links_.erase(std::unique(links_.begin(), links_.end()), links_.end());
    key_start_.assign(keys.size() + 1, 0);
    key_codes_.reserve(links_.size());
    for (const auto& [key, code] : links_) {
      ++key_start_[key + 1];
      key_codes_.push_back(code);
    }
    for (std::size_t k = 1; k < key_start_.size(); ++k) key_start_[k] += key_start_[k - 1];

    std::vector<std::pair<Code, KeyId>> by_code;
    by_code.reserve(links_.size());
    for (const auto& [key, code] : links_) by_code.emplace_back(code, key);
    std::sort(by_code.begin(), by_code.end());
    code_keys_.reserve(by_code.size());
    for (const auto& [code, key] : by_code) {
      if (codes_.empty() || codes_.back() != code) {
        codes_.push_back(code);
        code_start_.push_back(code_keys_.size());
      }
      code_keys_.push_back(key);
    }
    code_start_.push_back(code_keys_.size());
    links_ = {};
  }

  // Sorted, without repeats.
  const std::vector<Code>& codes() const { return codes_; }
  std::span<const Code> codesOf(KeyId key) const {
    return {key_codes_.data() + key_start_[key], key_codes_.data() + key_start_[key + 1]};
  }
  std::span<const KeyId> keysOf(Code code) const {
    const auto at = std::lower_bound(codes_.begin(), codes_.end(), code);
    if (at == codes_.end() || *at != code) return {};
    const std::size_t i = static_cast<std::size_t>(at - codes_.begin());
    return {code_keys_.data() + code_start_[i], code_keys_.data() + code_start_[i + 1]};
  }
  bool hasCode(Code code) const { return std::binary_search(codes_.begin(), codes_.end(), code); }
  bool hasKey(KeyId key) const { return key_start_[key] != key_start_[key + 1]; }
  const AddressRecord* shown(KeyId key) const { return shown_[key]; }

  std::vector<std::string_view> prefecturesOf(const KeyTable& keys, Code code) const {
    std::vector<std::string_view> prefectures;
    for (KeyId key : keysOf(code)) {
      const std::string_view p = keys.prefecture(key);
      if (std::find(prefectures.begin(), prefectures.end(), p) == prefectures.end()) {
        prefectures.push_back(p);
      }
    }
    return prefectures;
  }

 private:
  std::vector<std::pair<KeyId, Code>> links_;  // while reading
  std::vector<const AddressRecord*> shown_;    // the first record of each address
  std::vector<std::size_t> key_start_;
  std::vector<Code> key_codes_;
  std::vector<Code> codes_;
  std::vector<std::size_t> code_start_;
  std::vector<KeyId> code_keys_;
};

std::string addressText(const AddressRecord* record) {
  return record == nullptr ? std::string() : record->city + record->town;
}

std::string codesText(const std::map<Code, std::size_t>& codes) {
  std::string text;
  for (const auto& [code, count] : codes) {
    if (!text.empty()) text += ' ';
    text += codeText(code);
  }
  return text;
}

std::string codesText(const std::set<Code>& codes) {
  std::string text;
  for (Code code : codes) {
    if (!text.empty()) text += ' ';
    text += codeText(code);
  }
  return text;
}

std::string prefecturesText(const std::vector<std::string_view>& prefectures) {
  std::string text;
  for (std::string_view p : prefectures) {
    if (!text.empty()) text += ' ';
    text += p;
  }
  return text;
}

// Where the addresses of one old code went.
struct Move {
  std::map<Code, std::size_t> targets;  // new code -> addresses that went there
  std::vector<KeyId> unmatched;         // addresses not in the new list
  bool unchanged(Code from) const {
    return unmatched.empty() && targets.size() == 1 && targets.begin()->first == from;
  }
};

class Comparer {
 public:
  Comparer(const std::vector<AddressRecord>& old_records,
           const std::vector<AddressRecord>& new_records)
      : keys_(old_records.size() + old_records.size() / 4) {
    for (const AddressRecord& record : old_records) old_.add(keys_, record);
    for (const AddressRecord& record : new_records) new_.add(keys_, record);
    old_.finish(keys_);
    new_.finish(keys_);
    for (KeyId key = 0; key < keys_.size(); ++key) {
      if (new_.hasKey(key) && !old_.hasKey(key)) new_only_[keys_.withoutCity(key)].push_back(key);
    }
  }

  Comparison run() {
    for (Code code : old_.codes()) {
      Move move = moveOf(code);
      if (move.unchanged(code)) {
        sources_[code].insert(code);
        continue;
      }
      for (const auto& [target, count] : move.targets) sources_[target].insert(code);
      moves_.emplace(code, std::move(move));
    }
    Comparison result;
    for (const auto& [code, move] : moves_) classify(code, move, result);
    return result;
  }

 private:
  Move moveOf(Code code) const {
    Move move;
    for (KeyId key : old_.keysOf(code)) {
      const std::span<const Code> now = new_.codesOf(key);
      if (now.empty()) {
        move.unmatched.push_back(key);
      } else if (holds(now, code)) {
        ++move.targets[code];
      } else {
        // A name that carries several codes (Kyoto's towns do) moves to the codes it did not
        // have before; where there are none, it lost this one to its others.
        const std::span<const Code> before = old_.codesOf(key);
        bool any = false;
        for (Code c : now) {
          if (!holds(before, c)) {
            ++move.targets[c];
            any = true;
          }
        }
        if (!any) {
          for (Code c : now) ++move.targets[c];
        }
      }
    }
    return move;
  }

  Finding finding(Reason reason, Code code, std::string new_codes, std::string note) const {
    const AddressRecord* shown = old_.shown(old_.keysOf(code).front());
    return {reason, codeText(code), std::move(new_codes), shown->prefecture, addressText(shown),
            {},     std::move(note)};
  }

  void classify(Code code, const Move& move, Comparison& result) const {
    std::map<Code, std::vector<std::string_view>> prefecture_codes;
    if (auto p = old_.prefecturesOf(keys_, code); p.size() > 1) prefecture_codes[code] = p;
    for (const auto& [target, count] : move.targets) {
      if (auto p = new_.prefecturesOf(keys_, target); p.size() > 1) prefecture_codes[target] = p;
    }
    if (!prefecture_codes.empty()) {
      std::string note = "used in several prefectures:";
      for (const auto& [c, prefectures] : prefecture_codes) {
        note += " " + codeText(c) + " (" + prefecturesText(prefectures) + ")";
      }
      result.findings.push_back(finding(Reason::shared, code, codesText(move.targets), note));
      return;
    }
    if (!move.unmatched.empty()) {
      reportUnmatched(code, move, result);
      return;
    }
    if (move.targets.size() > 1) {
      std::string note = "its towns went to " + std::to_string(move.targets.size()) + " codes:";
      for (const auto& [target, count] : move.targets) {
        note += " " + codeText(target) + " (" + std::to_string(count) + ")";
      }
      if (move.targets.contains(code)) note += "; part of its towns keep the old code";
      result.findings.push_back(finding(Reason::split, code, codesText(move.targets), note));
      return;
    }
    const Code target = move.targets.begin()->first;
    std::set<Code> others = sources_.at(target);
    others.erase(code);
    if (!others.empty()) {
      result.findings.push_back(
          finding(Reason::merged, code, codeText(target),
                  codeText(target) + " also takes the addresses of " + codesText(others)));
      return;
    }
    if (old_.hasCode(target)) {
      if (returnsTo(target, code)) {
        result.findings.push_back(
            finding(Reason::cycle, code, codeText(target), "the codes swap: " + cycleText(code)));
      } else {
        result.findings.push_back(
            finding(Reason::chain, code, codeText(target),
                    codeText(target) + " was itself the code of other addresses, which moved to " +
                        targetsText(target) + ": the order of the pairs would decide"));
      }
      return;
    }
    if (new_.hasCode(code)) {
      const auto into = sources_.find(code);
      if (into != sources_.end()) {
        result.findings.push_back(
            finding(Reason::chain, code, codeText(target),
                    "the addresses of " + codesText(into->second) +
                        " move to this code, which itself moves: the order of the pairs would "
                        "decide"));
      } else {
        result.findings.push_back(finding(Reason::stillInUse, code, codeText(target),
                                          "every town moved, yet the new list still uses the "
                                          "old code for other addresses"));
      }
      return;
    }
    result.pairs.push_back({codeText(code), codeText(target)});
  }

  // The towns that the new list does not have, each with where it may have gone.
  void reportUnmatched(Code code, const Move& move, Comparison& result) const {
    std::vector<std::pair<KeyId, std::vector<KeyId>>> towns;
    bool any_candidate = false;
    for (KeyId key : move.unmatched) {
      const auto at = new_only_.find(keys_.withoutCity(key));
      std::vector<KeyId> candidates;
      if (at != new_only_.end()) candidates = at->second;
      any_candidate = any_candidate || !candidates.empty();
      towns.emplace_back(key, std::move(candidates));
    }
    if (move.targets.empty() && !any_candidate && !new_.hasCode(code)) {
      result.findings.push_back(
          finding(Reason::abolished, code, {}, "none of its towns is in the new list"));
      return;
    }
    for (const auto& [key, candidates] : towns) {
      Finding line = finding(Reason::unmatched, code, {}, {});
      line.old_address = addressText(old_.shown(key));
      if (candidates.empty()) {
        line.note = "no town of that name in the new list";
        if (move.targets.empty() && new_.hasCode(code)) {
          line.note += "; the code still names other addresses";
        }
      } else {
        std::set<Code> codes;
        for (std::size_t i = 0; i < candidates.size() && i < kCandidatesShown; ++i) {
          if (!line.new_address.empty()) line.new_address += " / ";
          line.new_address += addressText(new_.shown(candidates[i]));
          for (Code c : new_.codesOf(candidates[i])) codes.insert(c);
        }
        line.new_codes = codesText(codes);
        line.note = "the town is in the new list under another municipality (renamed?)";
      }
      if (!move.targets.empty()) {
        line.note += "; its other towns went to " + codesText(move.targets);
      }
      result.findings.push_back(std::move(line));
    }
  }

  // Whether following the one-code moves from start comes back to code.
  bool returnsTo(Code start, Code code) const {
    Code at = start;
    for (std::size_t step = 0; step <= moves_.size(); ++step) {
      if (at == code) return true;
      const auto move = moves_.find(at);
      if (move == moves_.end() || move->second.targets.size() != 1) return false;
      at = move->second.targets.begin()->first;
    }
    return false;
  }

  std::string cycleText(Code code) const {
    std::string text = codeText(code);
    Code at = code;
    do {
      at = moves_.at(at).targets.begin()->first;
      text += " -> " + codeText(at);
    } while (at != code);
    return text;
  }

  std::string targetsText(Code code) const {
    const auto move = moves_.find(code);
    if (move == moves_.end() || move->second.targets.empty()) return "no code (abolished)";
    return codesText(move->second.targets);
  }

  KeyTable keys_;
  Side old_, new_;
  std::unordered_map<std::string, std::vector<KeyId>> new_only_;
  std::map<Code, Move> moves_;
  std::unordered_map<Code, std::set<Code>> sources_;
};

}  // namespace

Comparison compareSnapshots(const std::vector<AddressRecord>& old_records,
                            const std::vector<AddressRecord>& new_records) {
  return Comparer(old_records, new_records).run();
}

const char* reasonLabel(Reason reason) {
  switch (reason) {
    case Reason::split:
      return "split";
    case Reason::merged:
      return "merged";
    case Reason::unmatched:
      return "town not matched";
    case Reason::abolished:
      return "abolished";
    case Reason::chain:
      return "chain";
    case Reason::cycle:
      return "cycle";
    case Reason::shared:
      return "several prefectures";
    case Reason::stillInUse:
      return "old code still in use";
  }
  return "";
}

}  // namespace norvel::postal
