#include "app/filedatabase.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "db/connectstring.h"
#include "platform/codec.h"
#include "platform/messagebox.h"
#include "platform/profile.h"
#include "platform/qtext.h"

namespace orva {
namespace {

constexpr const char* kSection = "Setting";

}  // namespace

std::optional<FileDatabase> FileDatabaseFor(const QString& path) {
  const QString extension = QFileInfo(path).suffix().toLower();
  const std::string gbkPath = GbkFromQString(path);
  const std::string name = GbkFromUtf8("数据文件(") + GbkFromQString(QFileInfo(path).fileName()) + ")";
  if (extension == "txt" || extension == "csv") return FileDatabase{FileDatabaseKind::Text, TextConnectString(gbkPath), name};
  if (extension == "dbf") return FileDatabase{FileDatabaseKind::DBase, DBaseConnectString(gbkPath), name};
  if (extension == "xls") return FileDatabase{FileDatabaseKind::Excel, ExcelConnectString(gbkPath), name};
  if (extension == "mdb") return FileDatabase{FileDatabaseKind::Access, AccessConnectString(gbkPath), name};
  if (extension == "db" || extension == "sqlite" || extension == "sqlite3")
    return FileDatabase{FileDatabaseKind::SQLite, "DRIVER={SQLite3};Database=" + ConnectStringQuoted(gbkPath) + ";", name};
  return std::nullopt;
}

std::optional<QString> AskFileDatabasePath(QWidget* parent) {
  QString extension = QStringFromGbk(GetProfileText(kSection, "LastFileExt", ""));
  if (extension.isEmpty()) extension = QStringLiteral("mdb");
  QString folder = QStringFromGbk(GetProfileText(kSection, "LastFilePath", ""));
  if (folder.isEmpty()) folder = QDir::currentPath();

  QFileDialog dialog(parent, QStringLiteral("连接文件数据库"), folder);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QStringLiteral("Microsoft Access Database (*.mdb)"), QStringLiteral("dBase III(*.dbf)"),
                         QStringLiteral("Text File(*.txt *.csv)"), QStringLiteral("Microsoft Excel File 8.0(*.xls)"),
                         QStringLiteral("SQLite 数据库(*.db *.sqlite *.sqlite3)")});
  // The filter of the extension used last comes first in view.
  for (const QString& filter : dialog.nameFilters())
    if (filter.contains("*." + extension, Qt::CaseInsensitive)) dialog.selectNameFilter(filter);
  dialog.setDefaultSuffix(extension);
  if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;

  const QString path = dialog.selectedFiles().front();
  const QFileInfo info(path);
  WriteProfileText(kSection, "LastFilePath", GbkFromQString(QDir::toNativeSeparators(info.absolutePath())));
  if (!info.suffix().isEmpty()) WriteProfileText(kSection, "LastFileExt", GbkFromQString(info.suffix()));
  return path;
}

}  // namespace orva
