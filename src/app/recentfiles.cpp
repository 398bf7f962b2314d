#include "app/recentfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "platform/profile.h"

namespace orva {

namespace {

const QString kSection = QStringLiteral("Recent File List");
// Longest path shown in full in the menu; longer ones keep their start and
// their file name.
constexpr int kMenuPathLength = 48;

QSettings UserSettings() { return QSettings(QString::fromStdString(UserProfileFilePath()), QSettings::IniFormat); }

QString Canonical(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

}  // namespace

void CRecentFileList::Load() {
  m_files.clear();
  QSettings settings = UserSettings();
  settings.beginGroup(kSection);
  for (int i = 1; i <= kSize; ++i) {
    const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
    if (!path.isEmpty()) m_files << path;
  }
}

void CRecentFileList::Save() const {
  QSettings settings = UserSettings();
  settings.remove(kSection);
  settings.beginGroup(kSection);
  for (int i = 0; i < Count(); ++i) settings.setValue(QStringLiteral("File%1").arg(i + 1), m_files[i]);
  settings.endGroup();
  settings.sync();
}

void CRecentFileList::Add(const QString& path) {
  if (path.isEmpty()) return;
  const QString file = Canonical(path);
  m_files.removeAll(file);
  m_files.prepend(file);
  while (Count() > kSize) m_files.removeLast();
  Save();
}

void CRecentFileList::Remove(int index) {
  if (index < 0 || index >= Count()) return;
  m_files.removeAt(index);
  Save();
}

QString CRecentFileList::MenuText(int index) const {
  QString path = File(index);
  if (path.size() > kMenuPathLength) {
    const QString name = QFileInfo(path).fileName();
    const int keep = qMax(3, kMenuPathLength - static_cast<int>(name.size()) - 4);
    path = path.left(keep) + QStringLiteral("...") + QLatin1Char('/') + name;
  }
  // "&" in a path would otherwise become a mnemonic.
  path.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return QStringLiteral("&%1 %2").arg(index + 1).arg(path);
}

}  // namespace orva
