#pragma once
// The list of recently opened scripts: at most four paths, most recent first,
// kept in the per-user settings file under "Recent File List" as "File1".."File4".

#include <QString>
#include <QStringList>

namespace orva {

class CRecentFileList {
 public:
  static constexpr int kSize = 4;

  void Load();
  void Save() const;

  // Puts the path first; an entry for the same file moves up instead of
  // appearing twice, and the oldest entry drops out beyond four.
  void Add(const QString& path);
  void Remove(int index);

  int Count() const { return static_cast<int>(m_files.size()); }
  const QStringList& Files() const { return m_files; }
  QString File(int index) const { return index >= 0 && index < Count() ? m_files[index] : QString(); }

  // The menu text of an entry: "&1 name" with the path shortened to fit.
  QString MenuText(int index) const;

 private:
  QStringList m_files;
};

}  // namespace orva
