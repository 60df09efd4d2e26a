#include <algorithm>

#include <gtest/gtest.h>

#include "platform/workbook/workbook_layer.h"
#include "workbook_test_support.h"

namespace norvel {
namespace {

using test::cellsReadByOpenpyxl;
using test::entryNames;
using test::entryText;
using test::readFile;
using test::TempDir;
using test::updateSql;

// B1 a plain formula, C1:C2 one array formula, D1 the anchor of a formula shared with D2.
class Formulas : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PackageOptions options;
    options.calc_chain =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<calcChain xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
        R"(<c r="B1" i="1"/><c r="C1" i="1" a="1"/><c r="D1" i="1"/><c r="D2"/></calcChain>)";
    test::writeZip(
        path_,
        test::workbookPackage(
            {{"Sheet1", test::worksheet(
                            R"(<row r="1"><c r="A1"><v>5</v></c>)"
                            R"(<c r="B1"><f>A1*2</f><v>10</v></c>)"
                            R"(<c r="C1"><f t="array" ref="C1:C2">A1:A2*2</f><v>10</v></c>)"
                            R"(<c r="D1"><f t="shared" ref="D1:D2" si="0">A1+1</f><v>6</v></c>)"
                            R"(</row><row r="2"><c r="A2"><v>7</v></c><c r="B2"><v>1</v></c>)"
                            R"(<c r="C2"><v>14</v></c><c r="D2"><f t="shared" si="0"/><v>8</v></c>)"
                            R"(</row>)")}},
            options));
  }

  bool hasEntry(const std::string& name) {
    const auto names = entryNames(path_);
    return std::find(names.begin(), names.end(), name) != names.end();
  }

  TempDir dir_;
  std::string path_ = dir_.file("formulas.xlsx");
};

TEST_F(Formulas, ChangedValuesAskExcelToRecalculateAndKeepTheChain) {
  const std::string rels_before = entryText(path_, "xl/_rels/workbook.xml.rels");
  auto connection = openWorkbook(path_, false);
  EXPECT_EQ(connection->execute(updateSql("Sheet1$", "F1", "6", " = 5")), 1);
  EXPECT_NE(
      entryText(path_, "xl/workbook.xml").find(R"(<calcPr calcId="191029" fullCalcOnLoad="1"/>)"),
      std::string::npos);
  EXPECT_TRUE(hasEntry("xl/calcChain.xml"));
  EXPECT_EQ(entryText(path_, "xl/_rels/workbook.xml.rels"), rels_before);
  EXPECT_EQ(cellsReadByOpenpyxl(path_).at("Sheet1!B1"), "f|=A1*2||General|");
}

TEST_F(Formulas, ReplacingAFormulaDropsTheCalculationChain) {
  auto connection = openWorkbook(path_, false);
  connection->beginTransaction();
  EXPECT_EQ(connection->execute(updateSql("Sheet1$", "F2", "20", " = 10")), 1);
  // A cell that only follows a shared formula may take a value of its own.
  EXPECT_EQ(connection->execute(updateSql("Sheet1$", "F4", "0", " = 8")), 1);
  connection->commitTransaction();

  EXPECT_FALSE(hasEntry("xl/calcChain.xml"));
  EXPECT_EQ(entryText(path_, "xl/_rels/workbook.xml.rels").find("calcChain"), std::string::npos);
  EXPECT_EQ(entryText(path_, "[Content_Types].xml").find("calcChain"), std::string::npos);
  const auto cells = cellsReadByOpenpyxl(path_);
  EXPECT_EQ(cells.at("Sheet1!B1"), "n|20||General|");
  EXPECT_EQ(cells.at("Sheet1!D1"), "f|=A1+1||General|");
  EXPECT_EQ(cells.at("Sheet1!D2"), "n|0||General|");

  // The next commit finds no chain to drop and still works.
  EXPECT_EQ(connection->execute(updateSql("Sheet1$", "F2", "1", " = 20")), 1);
  auto reopened = openWorkbook(path_, false);
  EXPECT_EQ(test::countRows(*reopened, "Sheet1$", "[F2] = 1"), 2);
}

TEST_F(Formulas, CellsOfArrayFormulasAndSharedFormulaAnchorsKeepTheirFormula) {
  const std::string bytes_before = readFile(path_);
  auto connection = openWorkbook(path_, false);
  connection->beginTransaction();
  for (const auto& [field, condition] : std::vector<std::pair<std::string, std::string>>{
           {"F3", " = 10"}, {"F3", " = 14"}, {"F4", " = 6"}}) {
    try {
      connection->execute(updateSql("Sheet1$", field, "0", condition));
      ADD_FAILURE() << field << condition << " was changed";
    } catch (const DatabaseError& e) {
      EXPECT_NE(std::string(e.what()).find("array formula"), std::string::npos) << e.what();
    }
  }
  // The failed statements leave the transaction usable.
  EXPECT_EQ(connection->execute(updateSql("Sheet1$", "F1", "1", " = 5")), 1);
  connection->rollbackTransaction();
  EXPECT_EQ(readFile(path_), bytes_before);
}

}  // namespace
}  // namespace norvel
