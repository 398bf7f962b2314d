#include <gtest/gtest.h>

#include <QVBoxLayout>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/command.h"

namespace orva {
namespace {

// A command target that records what it was offered; it handles the commands
// in its own list and leaves the rest to the next target in the chain.
class Recorder : public ICommandTarget {
 public:
  Recorder(std::string name, std::vector<int> handles, std::vector<std::string>* log)
      : m_name(std::move(name)), m_handles(std::move(handles)), m_log(log) {}
  bool OnCommand(int id) override {
    m_log->push_back(m_name);
    return Handles(id);
  }
  bool OnUpdateCommand(int id, CmdUI& ui) override {
    if (!Handles(id)) return false;
    ui.Enable(id % 2 == 0);
    ui.SetCheck(id > 100);
    ui.SetText(QString::fromStdString(m_name));
    return true;
  }

 private:
  bool Handles(int id) const { return std::find(m_handles.begin(), m_handles.end(), id) != m_handles.end(); }
  std::string m_name;
  std::vector<int> m_handles;
  std::vector<std::string>* m_log;
};

class TargetWidget : public QWidget, public Recorder {
 public:
  TargetWidget(std::string name, std::vector<int> handles, std::vector<std::string>* log, QWidget* parent)
      : QWidget(parent), Recorder(std::move(name), std::move(handles), log) {}
};

struct Windows {
  std::vector<std::string> log;
  TargetWidget main{"main", {3, 102}, &log, nullptr};
  TargetWidget frame{"frame", {2}, &log, &main};
  QWidget plainContainer{&frame};  // not a command target: skipped
  TargetWidget view{"view", {1}, &log, &plainContainer};
  Recorder app{"app", {4}, &log};
  CommandRouter router;
  Windows() {
    router.SetMainFrame(&main);
    router.SetApplication(&app);
  }
};

TEST(CommandRouter, OffersViewThenFrameThenMainFrameThenApplication) {
  Windows w;
  EXPECT_TRUE(w.router.Route(4, &w.view));
  EXPECT_EQ(w.log, (std::vector<std::string>{"view", "frame", "main", "app"}));

  w.log.clear();
  EXPECT_TRUE(w.router.Route(2, &w.view));
  EXPECT_EQ(w.log, (std::vector<std::string>{"view", "frame"}));

  w.log.clear();
  EXPECT_FALSE(w.router.Route(99, &w.view));
  EXPECT_EQ(w.log.size(), 4u);
}

TEST(CommandRouter, WithoutFocusOnlyMainFrameAndApplicationAreAsked) {
  Windows w;
  EXPECT_FALSE(w.router.Route(1, nullptr));
  EXPECT_EQ(w.log, (std::vector<std::string>{"main", "app"}));
  w.log.clear();
  // Focus on the main frame itself does not list it twice.
  EXPECT_TRUE(w.router.Route(4, &w.main));
  EXPECT_EQ(w.log, (std::vector<std::string>{"main", "app"}));
}

TEST(CommandRouter, UpdateStateComesFromTheFirstTargetThatOwnsTheCommand) {
  Windows w;
  CmdUI frameState = w.router.Update(2, &w.view);
  EXPECT_TRUE(frameState.IsEnabled());
  EXPECT_FALSE(frameState.IsChecked());
  ASSERT_TRUE(frameState.Text().has_value());
  EXPECT_EQ(*frameState.Text(), "frame");

  CmdUI mainState = w.router.Update(3, &w.view);
  EXPECT_FALSE(mainState.IsEnabled());
  CmdUI checked = w.router.Update(102, &w.view);
  EXPECT_TRUE(checked.IsChecked());
  EXPECT_EQ(*checked.Text(), "main");

  // Nobody owns 77: disabled, no text.
  CmdUI none = w.router.Update(77, &w.view);
  EXPECT_FALSE(none.IsEnabled());
  EXPECT_FALSE(none.Text().has_value());
}

}  // namespace
}  // namespace orva
