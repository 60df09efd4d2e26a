// Caption fitting on plain rectangles, with a measure that stands in for a toolkit's fonts: the
// caption takes 10 pixels per character at 10 points, in proportion at other sizes.
#include "ui/caption_fit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "text/utf8.h"
#include "ui/frm_norvel_inventory.h"

namespace norvel {
namespace {

using ::testing::UnorderedElementsAreArray;

class CaptionFit : public ::testing::Test {
 protected:
  void SetUp() override {
    add("window", ControlKind::window, false);
    add("label", ControlKind::label, false);
    add("right", ControlKind::label, true);
    add("check", ControlKind::checkBox, false);
    add("button", ControlKind::commandButton, false);
    add("box", ControlKind::textBox, false);
    form.linkContainers();
  }
  void add(const char* name, ControlKind kind, bool right_aligned) {
    Control::Inventory inv;
    inv.name = name;
    inv.kind = kind;
    inv.container = kind == ControlKind::window ? "" : "window";
    inv.right_aligned = right_aligned;
    form.add(inv);
  }
  // Fits a caption of `chars` characters placed at `placed`, 10 points.
  FittedCaption fit(const char* name, int chars, PixelRect placed, const CaptionRoom& room) {
    measured = 0;
    return fitCaption(form.control(name), placed, 10.0, room, [&](double points) {
      ++measured;
      return static_cast<int>(std::lround(chars * points));
    });
  }

  Form form;
  int measured = 0;
};

CaptionRoom roomOf(PixelRect bounds, std::vector<PixelRect> boxes = {}, int gap = 4) {
  return {bounds, std::move(boxes), gap};
}

TEST_F(CaptionFit, ACaptionThatFitsKeepsItsPlaceAndSize) {
  const PixelRect placed{10, 10, 60, 20};
  for (const char* name : {"label", "right", "check", "button"}) {
    const FittedCaption fitted = fit(name, 5, placed, roomOf({0, 0, 400, 300}));
    EXPECT_EQ(fitted.geometry, placed) << name;
    EXPECT_EQ(fitted.points, 10.0) << name;
    EXPECT_FALSE(fitted.centred) << name;
  }
}

TEST_F(CaptionFit, ARightAlignedLabelGrowsToTheLeftAndStillEndsBeforeItsBox) {
  // "ホスト文字列" before its box: the box starts at 200, the label ends at 190.
  const PixelRect box{200, 10, 150, 24};
  const FittedCaption fitted = fit("right", 12, {100, 12, 91, 20}, roomOf({0, 0, 400, 300}, {box}));
  EXPECT_EQ(fitted.geometry.right(), 190);
  EXPECT_EQ(fitted.geometry.width, 120);
  EXPECT_EQ(fitted.points, 10.0);
}

TEST_F(CaptionFit, OtherCaptionsGrowToTheRightUpToTheGapThenToTheLeft) {
  const PixelRect box{200, 10, 150, 24};
  // Room to the right: the left edge stays.
  FittedCaption fitted = fit("label", 8, {100, 12, 40, 20}, roomOf({0, 0, 400, 300}, {box}));
  EXPECT_EQ(fitted.geometry, (PixelRect{100, 12, 80, 20}));
  // More than the gap before the box allows: the rest goes to the left.
  fitted = fit("check", 12, {100, 12, 40, 20}, roomOf({0, 0, 400, 300}, {box}));
  EXPECT_EQ(fitted.geometry.right(), 195);
  EXPECT_EQ(fitted.geometry.width, 120);
  // A box above or below is no obstacle.
  fitted = fit("label", 12, {100, 100, 40, 20}, roomOf({0, 0, 400, 300}, {box}));
  EXPECT_EQ(fitted.geometry, (PixelRect{100, 100, 120, 20}));
}

TEST_F(CaptionFit, ALabelBetweenTwoBoxesIsCentredAndKeepsClearOfBoth) {
  // The arrow between the two code boxes.
  const PixelRect left_box{0, 0, 100, 20};
  const PixelRect right_box{140, 0, 100, 20};
  const FittedCaption fitted =
      fit("label", 2, {105, 1, 30, 17}, roomOf({0, 0, 300, 40}, {left_box, right_box}));
  EXPECT_TRUE(fitted.centred);
  EXPECT_EQ(fitted.geometry, (PixelRect{105, 1, 30, 17}));
  // A check box between two boxes moves, but is not centred.
  EXPECT_FALSE(
      fit("check", 2, {105, 1, 30, 17}, roomOf({0, 0, 300, 40}, {left_box, right_box})).centred);
}

TEST_F(CaptionFit, WhatFreeSpaceCannotHoldGetsASmallerFontInQuarterPoints) {
  // 40 pixels between the container's edges: 5 characters need 8 points.
  FittedCaption fitted = fit("label", 5, {0, 0, 30, 20}, roomOf({0, 0, 40, 40}));
  EXPECT_EQ(fitted.geometry, (PixelRect{0, 0, 40, 20}));
  EXPECT_EQ(fitted.points, 8.0);
  // Never below 6 points, even when that does not fit.
  fitted = fit("label", 50, {0, 0, 30, 20}, roomOf({0, 0, 40, 40}));
  EXPECT_EQ(fitted.points, 6.0);
  // A button keeps its place and shrinks its font only.
  fitted = fit("button", 9, {10, 10, 70, 25}, roomOf({0, 0, 400, 300}));
  EXPECT_EQ(fitted.geometry, (PixelRect{10, 10, 70, 25}));
  EXPECT_EQ(fitted.points, 7.75);
}

TEST_F(CaptionFit, OtherKindsAreNotMeasured) {
  const FittedCaption fitted = fit("box", 50, {10, 10, 30, 20}, roomOf({0, 0, 40, 40}));
  EXPECT_EQ(fitted.geometry, (PixelRect{10, 10, 30, 20}));
  EXPECT_EQ(fitted.points, 10.0);
  EXPECT_EQ(measured, 0);
}

TEST(CaptionRoom, TheGapGrowsWithTheResolution) {
  EXPECT_EQ(captionGap(96), 4);
  EXPECT_EQ(captionGap(120), 5);
  EXPECT_EQ(captionGap(144), 6);
  EXPECT_EQ(captionGap(192), 8);
}

std::vector<std::string> neighbourNames(const Form& form, const Control& control) {
  std::vector<std::string> names;
  for (const Control* c : captionNeighbours(form, control)) names.push_back(c->displayName());
  return names;
}

TEST(CaptionRoom, ACaptionKeepsClearOfTheBoxesOnItsOwnTabOnly) {
  Form form;
  buildFrmNorvelInventory(form);
  EXPECT_THAT(neighbourNames(form, form.control("Label1", 0)),
              UnorderedElementsAreArray({"txtMDBパス", "cmdMDBパス"}));
  EXPECT_THAT(neighbourNames(form, form.control("Label1", 8)),
              UnorderedElementsAreArray({"txtXLSパス", "chkフィールド名使用", "cmdXLSパス"}));
  // Off the tabs: every box off the tabs, in any frame; never the tab container itself.
  EXPECT_THAT(neighbourNames(form, form.control("Label1", 6)),
              UnorderedElementsAreArray({"cmd接続", "lst置換リスト", "txt置換元", "txt置換先",
                                         "cmd追加", "cmd削除", "cobテーブル名", "cobフィールド名",
                                         "txt状況", "cmd開始", "cmd終了"}));
}

}  // namespace
}  // namespace norvel
