// GoogleTest main shared by every test program. It runs the tests inside a
// QApplication on the offscreen platform, points the settings store at a
// private temporary folder, and makes any message box or modal dialog that a
// test did not expect fail the test instead of blocking it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "platform/messagebox.h"
#include "platform/messages.h"
#include "test_env.h"

namespace orva::test {
namespace {
QTemporaryDir* g_processDir = nullptr;
}
QString ProcessTempDir() { return g_processDir ? g_processDir->path() : QString(); }
}  // namespace orva::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

  auto processDir = std::make_unique<QTemporaryDir>();
  orva::test::g_processDir = processDir.get();
  const QByteArray base = processDir->path().toLocal8Bit();
  setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
  setenv("XDG_STATE_HOME", (base + "/state").constData(), 1);  // recovery files
  setenv("ORVA_SYSTEM_CONFIG_DIR", (base + "/system-config").constData(), 1);

  QApplication app(argc, argv);
  orva::RegisterMessageTypes();

  orva::SetMessageBoxHook([](const orva::MessageBoxRequest& request) {
    ADD_FAILURE() << "unexpected message box: " << request.text.toStdString();
    return static_cast<int>(orva::IDCANCEL);
  });
  orva::SetDialogHook([](QDialog& dialog) {
    ADD_FAILURE() << "unexpected modal dialog: " << dialog.windowTitle().toStdString();
    return static_cast<int>(QDialog::Rejected);
  });

  int result = RUN_ALL_TESTS();
  orva::test::g_processDir = nullptr;
  return result;
}
