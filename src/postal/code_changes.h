#pragma once

#include <string>
#include <vector>

#include "postal/address_record.h"

namespace norvel::postal {

// Why a changed code was not proposed as a pair; the order is the report's.
enum class Reason {
  split,       // its towns went to several new codes, or only part of them moved
  merged,      // its new code also takes other old codes' addresses
  unmatched,   // a town not found in the new list (renamed municipality, renamed town)
  abolished,   // none of its towns is in the new list
  chain,       // the new code is itself an old code that moves, or the old one is a target
  cycle,       // codes that swap among themselves
  shared,      // a code used in several prefectures
  stillInUse,  // every town moved, yet the old code names other addresses in the new list
};

inline constexpr Reason kReasons[] = {Reason::split,     Reason::merged,    Reason::unmatched,
                                      Reason::abolished, Reason::chain,     Reason::cycle,
                                      Reason::shared,    Reason::stillInUse};

// One line of the review report.
struct Finding {
  Reason reason;
  std::string old_code;
  std::string new_codes;  // blank-separated
  std::string prefecture;
  std::string old_address;  // city and town as published
  std::string new_address;  // the town on the new side, where there is one to name
  std::string note;
};

struct CodePair {
  std::string old_code;
  std::string new_code;
  bool operator==(const CodePair&) const = default;
};

struct Comparison {
  std::vector<CodePair> pairs;  // by old code
  std::vector<Finding> findings;
};

// Matches the addresses of two lists on (prefecture, city, town), names folded to one width,
// and proposes old -> new only where every address of the old code moved to one new code that
// takes no other code's addresses, and the old code is gone from the new list.
Comparison compareSnapshots(const std::vector<AddressRecord>& old_records,
                            const std::vector<AddressRecord>& new_records);

const char* reasonLabel(Reason reason);

}  // namespace norvel::postal
