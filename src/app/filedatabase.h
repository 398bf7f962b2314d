#pragma once
// Opening a file database: the file dialog with the remembered folder and
// extension, and the connection string and name for the chosen file.

#include <QString>
#include <optional>
#include <string>

class QWidget;

namespace orva {

enum class FileDatabaseKind { Access, DBase, Text, Excel, SQLite };

struct FileDatabase {
  FileDatabaseKind kind;
  std::string connect;  // GBK
  std::string name;     // "数据文件(<file name>)", GBK
};

// What opens the file, by its extension in any letter case; nothing for an
// extension no driver takes.
std::optional<FileDatabase> FileDatabaseFor(const QString& path);

// Runs the file dialog ("LastFilePath" / "LastFileExt" remembered in
// section "Setting"); the chosen path, or nothing when cancelled.
std::optional<QString> AskFileDatabasePath(QWidget* parent);

}  // namespace orva
