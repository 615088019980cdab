#include <gtest/gtest.h>

#include "app/frm_main.h"
#include "fake_form.h"
#include "fake_system.h"

namespace brantel {
namespace {

class FrmMainTest : public ::testing::Test {
 protected:
  testing::FakeForm form;
  testing::FakeSystem system;
  testing::FakeStore store;
  FrmMain window{form, system, store, system};
};

TEST_F(FrmMainTest, LoadSetsTheThreeTextsInOrderThenBuildsTheRows) {
  window.OnLoad();
  ASSERT_GE(form.ops.size(), 3u);
  EXPECT_EQ(form.ops[0], "window Brantel setup");
  EXPECT_EQ(form.ops[1], "caption Install");
  EXPECT_EQ(form.ops[2], "about " + std::string(kContactAddress));
  EXPECT_EQ(form.pumps, 78);
  EXPECT_EQ(form.Label(13), "MSFLXGRD.OCX");
  EXPECT_TRUE(system.ops.empty());
}

TEST_F(FrmMainTest, AFailedCaptionStopsTheLoadBeforeTheOtherTextsAndTheRows) {
  form.failWindowCaption = true;
  EXPECT_THROW(window.OnLoad(), Error);
  EXPECT_EQ(form.ops, std::vector<std::string>{"window Brantel setup"});
  EXPECT_EQ(form.buttonCaption, "Command1");
  EXPECT_EQ(form.aboutCaption, "Label1");
  EXPECT_FALSE(form.Exists(ControlName::lblCom, 1));
}

TEST_F(FrmMainTest, ClickRunsTheInstallAndTheNextClickEndsTheProgram) {
  window.OnLoad();
  window.OnInstallClick();
  EXPECT_EQ(form.buttonCaption, "Finish");
  EXPECT_EQ(system.files.size(), 14u);
  EXPECT_THROW(window.OnInstallClick(), testing::ProgramEnded);
}

}  // namespace
}  // namespace brantel
