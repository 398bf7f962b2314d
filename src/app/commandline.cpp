#include "app/commandline.h"

namespace orva {

namespace {
// Switches start with "-" ("/" starts an absolute path on this platform).
bool IsSwitch(const QString& argument) { return argument.size() > 1 && argument.startsWith(QLatin1Char('-')); }
}  // namespace

CommandLineInfo ParseCommandLine(const QStringList& arguments) {
  CommandLineInfo info;
  if (arguments.isEmpty()) return info;
  bool print = false;
  for (const QString& argument : arguments) {
    if (IsSwitch(argument)) {
      QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1).toLower();
      if (name == QLatin1String("p") || name == QLatin1String("print")) print = true;
      continue;  // any other switch is ignored; only a file makes a command
    }
    if (info.file.isEmpty()) info.file = argument;
  }
  if (info.file.isEmpty()) {
    info.action = CommandLineInfo::Action::Usage;
  } else {
    info.action = print ? CommandLineInfo::Action::PrintFile : CommandLineInfo::Action::OpenFile;
  }
  return info;
}

}  // namespace orva
