#include "platform/profile.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <memory>
#include <mutex>

#include "platform/codec.h"
#include "platform/qtext.h"

namespace orva {
namespace {

std::mutex g_lock;
std::string g_company;
std::string g_application;
bool g_userRoot = true;

// The INI fallback reads values into a buffer of this size, terminator included.
constexpr std::size_t kIniReadLimit = 4096;

QString EnvDir(const char* name, const QString& fallback) {
  QByteArray value = qgetenv(name);
  return value.isEmpty() ? fallback : QString::fromLocal8Bit(value);
}

QString UserConfigDir() { return EnvDir("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config")); }
QString SystemConfigDir() { return EnvDir("ORVA_SYSTEM_CONFIG_DIR", QStringLiteral("/etc/xdg")); }

std::string ApplicationName() {
  if (!g_application.empty()) return g_application;
  QCoreApplication* app = QCoreApplication::instance();
  if (app && !QCoreApplication::applicationName().isEmpty()) return QCoreApplication::applicationName().toStdString();
  return "ORVA";
}

bool IsIniFallback() { return g_company.empty(); }

// True when the file can be written, or created together with its folder.
bool CanWrite(const QString& path) {
  QFileInfo info(path);
  if (info.exists()) return access(path.toLocal8Bit().constData(), W_OK) == 0;
  QString dir = info.absolutePath();
  while (!QFileInfo::exists(dir)) {
    QString parent = QFileInfo(dir).absolutePath();
    if (parent == dir) return false;
    dir = parent;
  }
  if (!QFileInfo(dir).isDir()) return false;
  return access(dir.toLocal8Bit().constData(), W_OK) == 0;
}

QString RelativePath() {
  return QLatin1Char('/') + QString::fromStdString(g_company) + QLatin1Char('/') +
         QString::fromStdString(ApplicationName()) + QStringLiteral(".conf");
}

QString UserPath() {
  if (IsIniFallback())
    return UserConfigDir() + QLatin1Char('/') + QString::fromStdString(ApplicationName()) + QStringLiteral(".ini");
  return UserConfigDir() + RelativePath();
}

QString CurrentPath() {
  if (!IsIniFallback() && !g_userRoot) {
    QString machine = SystemConfigDir() + RelativePath();
    if (CanWrite(machine)) return machine;
  }
  return UserPath();
}

std::unique_ptr<QSettings> Open() { return std::make_unique<QSettings>(CurrentPath(), QSettings::IniFormat); }

QString Key(std::string_view section, std::string_view valueName) {
  return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + QLatin1Char('/') +
         QString::fromUtf8(valueName.data(), static_cast<qsizetype>(valueName.size()));
}

// A value holding commas that was not written by the store (edited by hand)
// reads back as a list; it is still one text.
QString ValueText(const QVariant& value) {
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
  return value.toString();
}

bool Flush(QSettings& settings) {
  settings.sync();
  return settings.status() == QSettings::NoError;
}

}  // namespace

void SetProfileNames(std::string_view company, std::optional<std::string_view> application) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_company = std::string(company);
  g_application = application ? std::string(*application) : std::string();
}

void SetProfileUserRoot(bool userRoot) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_userRoot = userRoot;
}

std::string ProfileFilePath() {
  std::lock_guard<std::mutex> lock(g_lock);
  return CurrentPath().toStdString();
}

std::string UserProfileFilePath() {
  std::lock_guard<std::mutex> lock(g_lock);
  return UserPath().toStdString();
}

std::string GetProfileText(std::string_view section, std::string_view valueName, std::string_view defaultText) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto settings = Open();
  QVariant value = settings->value(Key(section, valueName));
  if (!value.isValid() || settings->status() != QSettings::NoError) return std::string(defaultText);
  std::string text = GbkFromQString(ValueText(value));
  if (IsIniFallback()) text = std::string(CutAtCharBoundary(text, kIniReadLimit - 1));
  return text;
}

std::int32_t GetProfileNumber(std::string_view section, std::string_view valueName, std::int32_t defaultNumber) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto settings = Open();
  QVariant value = settings->value(Key(section, valueName));
  if (!value.isValid()) return defaultNumber;
  bool ok = false;
  qlonglong number = ValueText(value).trimmed().toLongLong(&ok);
  if (!ok || number < INT32_MIN || number > UINT32_MAX) return defaultNumber;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

bool WriteProfileText(std::string_view section, std::optional<std::string_view> valueName,
                      std::optional<std::string_view> text) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto settings = Open();
  if (!valueName) {
    settings->remove(QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())));
  } else if (!text) {
    settings->remove(Key(section, *valueName));
  } else {
    settings->setValue(Key(section, *valueName), QStringFromGbk(*text));
  }
  return Flush(*settings);
}

bool WriteProfileNumber(std::string_view section, std::string_view valueName, std::int32_t number) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto settings = Open();
  settings->setValue(Key(section, valueName), QString::number(number));
  return Flush(*settings);
}

}  // namespace orva
