#include <gtest/gtest.h>

#include "app/app.h"
#include "app/commandline.h"
#include "test_env.h"

namespace orva {
namespace {

using Action = CommandLineInfo::Action;

TEST(CommandLine, FilesSwitchesAndUsage) {
  EXPECT_EQ(ParseCommandLine({}).action, Action::Nothing);

  CommandLineInfo open = ParseCommandLine({"/tmp/a b.sql"});
  EXPECT_EQ(open.action, Action::OpenFile);  // an absolute path is no switch
  EXPECT_EQ(open.file, "/tmp/a b.sql");

  CommandLineInfo print = ParseCommandLine({"-p", "x.sql"});
  EXPECT_EQ(print.action, Action::PrintFile);
  EXPECT_EQ(print.file, "x.sql");

  EXPECT_EQ(ParseCommandLine({"--help"}).action, Action::Usage);
  EXPECT_EQ(ParseCommandLine({"-p"}).action, Action::Usage);
  EXPECT_EQ(ParseCommandLine({"-x", "-y"}).action, Action::Usage);
}

TEST(CommandLine, OnlyASwitchEndsStartUpWithTheUsageMessage) {
  test::MessageBoxRecorder boxes;
  CQueryToolApp app;
  EXPECT_FALSE(app.InitInstance({"--help"}));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), "Usage: Standard shell commands, DDE, and file open only.");
  EXPECT_EQ(app.MainFrame(), nullptr);
}

}  // namespace
}  // namespace orva
