#include "db/driverhint.h"

#include <cctype>

#include "db/connectstring.h"
#include "platform/codec.h"

namespace orva {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// What brings a driver onto a Debian system, by words in its name.
struct DriverSource {
  const char* word;
  const char* hint;  // UTF-8
};
constexpr DriverSource kSources[] = {
    {"access", "请安装 Debian 软件包 odbc-mdbtools（Access 数据库的 ODBC 驱动程序），再运行 ORVA 的 scripts/run.sh 注册它。"},
    {"mdb", "请安装 Debian 软件包 odbc-mdbtools（Access 数据库的 ODBC 驱动程序）。"},
    {"text driver", "这是 ORVA 自带的文件数据库驱动程序：请运行 ORVA 的 scripts/run.sh 构建并注册它。"},
    {"dbase", "这是 ORVA 自带的文件数据库驱动程序：请运行 ORVA 的 scripts/run.sh 构建并注册它。"},
    {"excel", "这是 ORVA 自带的文件数据库驱动程序：请运行 ORVA 的 scripts/run.sh 构建并注册它。"},
    {"sqlite", "请安装 Debian 软件包 libsqliteodbc。"},
    {"postgres", "请安装 Debian 软件包 odbc-postgresql。"},
    {"maria", "请安装 Debian 软件包 odbc-mariadb。"},
    {"mysql", "请安装 Debian 软件包 odbc-mariadb。"},
    {"sql server", "请安装 Debian 软件包 tdsodbc（FreeTDS），并以“FreeTDS”作为数据库类型。"},
    {"freetds", "请安装 Debian 软件包 tdsodbc。"},
    {"sybase", "请安装 Debian 软件包 tdsodbc。"},
};

}  // namespace

std::string DriverNameOf(std::string_view connect) {
  std::string name = ConnectStringKeyValue(connect, "DRIVER");
  // A path to a library is loaded directly; nothing to look up.
  if (name.find('/') != std::string::npos) return {};
  return name;
}

std::string MissingDriverMessage(std::string_view connect, const std::vector<std::string>& installed) {
  const std::string name = DriverNameOf(connect);
  if (name.empty()) return {};
  const std::string lowerName = Lower(name);
  for (const std::string& driver : installed)
    if (Lower(driver) == lowerName) return {};
  std::string message = GbkFromUtf8("没有安装 ODBC 驱动程序“") + name + GbkFromUtf8("”，无法建立连接。");
  for (const DriverSource& source : kSources) {
    if (lowerName.find(source.word) != std::string::npos) {
      message += "\n" + GbkFromUtf8(source.hint);
      break;
    }
  }
  return message;
}

}  // namespace orva
