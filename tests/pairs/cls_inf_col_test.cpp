#include "pairs/cls_inf_col.h"

#include <gtest/gtest.h>

namespace norvel {
namespace {

clsInfCol fiveItems() {
  clsInfCol col;
  for (int i = 1; i <= 5; ++i) col.AddItem(i * 10, "item" + std::to_string(i));
  return col;
}

std::vector<std::string> captions(const clsInfCol& col) {
  std::vector<std::string> out;
  for (int i = 1; i <= col.GetSize(); ++i) out.push_back(col.GetItem(i).s01);
  return out;
}

TEST(ClsInfCol, AddItemAppendsAndHandsOutTheStoredRecord) {
  clsInfCol col;
  col.AddItem(7, "first");
  clsInf& added = col.AddItem();
  EXPECT_EQ(added.l01, 0);
  EXPECT_EQ(added.s01, "");
  added.s02 = "100-0002";
  ASSERT_EQ(col.GetSize(), 2);
  EXPECT_EQ(col.GetItem(2).s02, "100-0002");
  EXPECT_EQ(col.GetItem(1).l01, 7);
  // A handed-out record stays valid while others are removed.
  col.RemoveItem(1);
  EXPECT_EQ(added.s02, "100-0002");
  EXPECT_EQ(&col.GetItem(1), &added);
}

TEST(ClsInfCol, RemoveItemRuns) {
  struct Case {
    int index;
    int count;
    std::vector<std::string> left;
  };
  const std::vector<Case> cases = {
      {2, 1, {"item1", "item3", "item4", "item5"}},
      {4, 3, {"item1", "item2", "item3"}},
      {0, 1, {"item1", "item2", "item3", "item4", "item5"}},
      {6, 1, {"item1", "item2", "item3", "item4", "item5"}},
      {1, 0, {"item1", "item2", "item3", "item4", "item5"}},
      {1, -3, {"item1", "item2", "item3", "item4", "item5"}},
      {1, 99, {}},
  };
  for (const Case& c : cases) {
    clsInfCol col = fiveItems();
    col.RemoveItem(c.index, c.count);
    EXPECT_EQ(captions(col), c.left) << "RemoveItem(" << c.index << ", " << c.count << ")";
  }
}

TEST(ClsInfCol, RemoveAllAndGetItemBounds) {
  clsInfCol empty;
  empty.RemoveAllItems();
  EXPECT_EQ(empty.GetSize(), 0);
  clsInfCol col = fiveItems();
  EXPECT_THROW(col.GetItem(0), std::out_of_range);
  EXPECT_THROW(col.GetItem(6), std::out_of_range);
  col.RemoveAllItems();
  EXPECT_EQ(col.GetSize(), 0);
  EXPECT_THROW(col.GetItem(1), std::out_of_range);
}

TEST(ClsInfCol, IndexToCodeIsZeroBased) {
  clsInfCol col = fiveItems();
  EXPECT_EQ(col.IndexToCode(0), 10);
  EXPECT_EQ(col.IndexToCode(4), 50);
  EXPECT_EQ(col.IndexToCode(5), 0);
  EXPECT_EQ(col.IndexToCode(-1), 0);
  EXPECT_EQ(col.IndexToCode(5, -99), -99);
}

TEST(ClsInfCol, SearchItemByKind) {
  clsInfCol col;
  for (const char* code : {"100-0001", "100-0002", "100-0001"}) col.AddItem().s01 = code;
  col.GetItem(2).db01 = 0.1;
  col.GetItem(3).l01 = 5;
  EXPECT_EQ(col.SearchItem(std::string("100-0001")), 1);
  EXPECT_EQ(col.SearchItem(std::string("100-0003")), -1);
  EXPECT_EQ(col.SearchItem(std::string("100-0001 ")), -1);
  EXPECT_EQ(col.SearchItem(std::int32_t{0}), 1);
  EXPECT_EQ(col.SearchItem(std::int16_t{5}), 3);
  EXPECT_EQ(col.SearchItem(0.1), 2);
  EXPECT_EQ(col.SearchItem(0.1f), -1);  // a 32-bit 0.1 widened is not the 64-bit 0.1
  EXPECT_EQ(col.SearchItem(true), -1);
  EXPECT_EQ(col.SearchItem(std::monostate{}), -1);
  EXPECT_EQ(col.SearchItem(std::uint8_t{0}), -1);
  EXPECT_EQ(clsInfCol().SearchItem(std::string("")), -1);
}

}  // namespace
}  // namespace norvel
