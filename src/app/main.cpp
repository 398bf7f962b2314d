#include <QApplication>
#include <cstdio>

#include "app/app.h"
#include "app/commandline.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ORVA"));
  orva::CQueryToolApp app;
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  if (!app.InitInstance(arguments)) {
    if (app.ExitCode() == 2) std::fprintf(stderr, "%s\n", orva::kUsageText);
    return app.ExitCode();
  }
  return QApplication::exec();
}
