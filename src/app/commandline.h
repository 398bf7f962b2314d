#pragma once
// What the command line asks the application to do.

#include <QString>
#include <QStringList>

namespace orva {

struct CommandLineInfo {
  enum class Action {
    Nothing,     // empty command line: just show the main window
    OpenFile,    // a file name: open it in a query window
    PrintFile,   // -p (or --print) with a file name
    Usage,       // only switches that name no file: show the usage text and stop
  };
  Action action = Action::Nothing;
  QString file;
};

// The arguments after the program name (Qt's own options already removed).
CommandLineInfo ParseCommandLine(const QStringList& arguments);

inline constexpr char kUsageText[] = "Usage: Standard shell commands, DDE, and file open only.";

}  // namespace orva
