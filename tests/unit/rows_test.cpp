#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fake_form.h"
#include "installer/catalogue.h"
#include "window/rows.h"

namespace brantel {
namespace {

using enum ControlName;

std::size_t IndexOf(const std::vector<std::string>& ops, const std::string& op) {
  const auto found = std::find(ops.begin(), ops.end(), op);
  return static_cast<std::size_t>(found - ops.begin());
}

TEST(BuildRows, StacksRowZeroReadingPicGoodAfreshForEachMove) {
  testing::FakeForm form;
  BuildRows(form);
  const std::vector<std::string> start(form.ops.begin(), form.ops.begin() + 13);
  EXPECT_EQ(start, (std::vector<std::string>{
                       "left PicGood(0)", "top PicGood(0)", "move PicInfo(0)", "left PicGood(0)",
                       "top PicGood(0)", "move PicQues(0)", "left PicGood(0)", "top PicGood(0)",
                       "move PicError(0)", "left PicGood(0)", "top PicGood(0)", "move PicArrow(0)",
                       "settext lblCom(0)"}));
}

TEST(BuildRows, MakesLabelsThenPicturesWithPumpsAtTheirPlaces) {
  testing::FakeForm form;
  BuildRows(form);
  EXPECT_EQ(form.pumps, 78);
  // Each label: pump, create, text, position, show.
  for (int i = 1; i <= 13; ++i) {
    const std::string element = "lblCom(" + std::to_string(i) + ")";
    const std::size_t create = IndexOf(form.ops, "create " + element);
    ASSERT_LT(create, form.ops.size()) << element;
    EXPECT_EQ(form.ops[create - 1], "pump");
    EXPECT_EQ(form.ops[create + 1], "settext " + element);
    EXPECT_EQ(form.ops[create + 2], "left lblCom(0)");
    EXPECT_EQ(form.ops[create + 3], "top lblCom(" + std::to_string(i - 1) + ")");
    EXPECT_EQ(form.ops[create + 4], "move " + element);
    EXPECT_EQ(form.ops[create + 5], "show " + element);
  }
  // Every label comes before the first picture.
  EXPECT_LT(IndexOf(form.ops, "show lblCom(13)"), IndexOf(form.ops, "create PicGood(1)"));
  // Pictures: row by row, and within a row in this order; create, pump, position.
  std::vector<std::string> creates;
  for (std::size_t at = 0; at < form.ops.size(); ++at) {
    const std::string& op = form.ops[at];
    if (!op.starts_with("create Pic")) continue;
    creates.push_back(op.substr(7));
    EXPECT_EQ(form.ops[at + 1], "pump") << op;
    const std::string array = op.substr(7, op.find('(') - 7);
    EXPECT_EQ(form.ops[at + 2], "left " + array + "(0)") << op;
    EXPECT_EQ(form.ops[at + 4], "move " + op.substr(7)) << op;
    EXPECT_EQ(form.ops.size() > at + 5 && form.ops[at + 5] == "show " + op.substr(7),
              array == "PicQues")
        << op;
  }
  ASSERT_EQ(creates.size(), 65u);
  EXPECT_EQ(creates[0], "PicGood(1)");
  EXPECT_EQ(creates[1], "PicInfo(1)");
  EXPECT_EQ(creates[2], "PicQues(1)");
  EXPECT_EQ(creates[3], "PicError(1)");
  EXPECT_EQ(creates[4], "PicArrow(1)");
  EXPECT_EQ(creates[5], "PicGood(2)");
  EXPECT_EQ(creates[64], "PicArrow(13)");
}

TEST(BuildRows, LeavesFourteenPendingRowsThreeHundredTwipsApart) {
  testing::FakeForm form;
  BuildRows(form);
  for (ComponentIndex i = 0; i < kComponentCount; ++i) {
    EXPECT_EQ(form.Label(i), kComponentNames[static_cast<std::size_t>(i)]);
    EXPECT_EQ(form.At(lblCom, i).left, 720.0f);
    EXPECT_EQ(form.At(lblCom, i).top, 240.0f + 300.0f * i);
    EXPECT_EQ(form.VisiblePictures(i), std::vector<ControlName>{PicQues}) << i;
    for (const ControlName picture : kRowPictures) {
      EXPECT_EQ(form.At(picture, i).left, 240.0f);
      EXPECT_EQ(form.At(picture, i).top, 240.0f + 300.0f * i);
    }
  }
  EXPECT_EQ(form.At(lblCom, 13).top, 4140.0f);
  EXPECT_FALSE(form.Exists(lblCom, 14));
}

TEST(BuildRows, RowZeroLiteralMatchesCatalogueEntryZero) {
  testing::FakeForm form;
  BuildRows(form);
  EXPECT_EQ(form.Label(0), GetDllName(0));
}

TEST(BuildRows, FailureToCreateAnElementStopsTheBuild) {
  testing::FakeForm form;
  form.CreateElement(PicInfo, 4);  // a second creation of the same element fails
  form.ops.clear();
  EXPECT_THROW(BuildRows(form), Error);
  EXPECT_FALSE(form.Exists(PicQues, 4));
}

TEST(SetRowState, ShowsOnlyThePictureOfTheStateInTheFixedOrder) {
  testing::FakeForm form;
  BuildRows(form);
  form.ops.clear();
  form.SetRowState(2, RowState::InProgress);
  EXPECT_EQ(form.ops,
            (std::vector<std::string>{"hide PicGood(2)", "hide PicError(2)", "hide PicInfo(2)",
                                      "hide PicQues(2)", "show PicArrow(2)"}));
  const std::map<RowState, ControlName> shown = {{RowState::Pending, PicQues},
                                                 {RowState::InProgress, PicArrow},
                                                 {RowState::Installed, PicGood},
                                                 {RowState::AlreadyInstalled, PicInfo}};
  for (const auto& [state, picture] : shown) {
    form.SetRowState(5, state);
    EXPECT_EQ(form.VisiblePictures(5), std::vector<ControlName>{picture});
  }
}

TEST(SetRowState, AnySequenceLeavesExactlyOnePictureAndNeverTheErrorOne) {
  testing::FakeForm form;
  BuildRows(form);
  const std::string label = form.Label(7);
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> pick(0, 3);
  for (int step = 0; step < 500; ++step) {
    form.SetRowState(7, static_cast<RowState>(pick(random)));
    const auto visible = form.VisiblePictures(7);
    ASSERT_EQ(visible.size(), 1u) << step;
    ASSERT_NE(visible[0], PicError) << step;
  }
  EXPECT_EQ(form.Label(7), label);
  EXPECT_EQ(form.VisiblePictures(6), std::vector<ControlName>{PicQues});
}

}  // namespace
}  // namespace brantel
