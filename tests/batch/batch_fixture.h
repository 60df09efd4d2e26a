#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "batch_test_support.h"

namespace norvel::batch::test {

// The status box's result line for a count, as the window writes it (LF line end).
std::string resultLine(const std::string& count);
// The progress line of a pair.
std::string progressLine(const std::string& old_code, const std::string& new_code);

// An SQLite address table (住所) and a customer table (顧客) in a file of the test's own, and a
// pair list of three pairs that change 2, 0 and 1 rows.
class BatchSqliteTest : public ::testing::Test {
 protected:
  BatchSqliteTest();

  // Every row of 住所 in rowid order.
  std::string addresses() const;
  std::vector<std::string> dbArgs(std::vector<std::string> extra = {}) const;
  void writePairs(const std::string& text) const { writeBytes(pairs_, text); }

  // What the three standard pairs print.
  static std::string standardStatus();

  TempDir dir_;
  std::string db_;
  std::string pairs_;
};

}  // namespace norvel::batch::test
