#pragma once
// The About box "关于 ORVA": product name and version, the machine's physical
// memory, and the picture of the About box.

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

class QLabel;

namespace orva {

struct MemoryStatus {
  std::uint64_t totalBytes = 0;
  std::uint64_t availableBytes = 0;
};

// Reads "MemTotal" and "MemAvailable" (or "MemFree") of a /proc/meminfo text.
std::optional<MemoryStatus> ParseMemInfo(const std::string& text);
// /proc/meminfo, else the kernel's sysinfo figures.
MemoryStatus ReadMemoryStatus();

// "%d KB" of bytes / 1024, and the share in use as "%.0f%%".
QString FormatKilobytes(std::uint64_t bytes);
QString FormatMemoryLoad(const MemoryStatus& status);

class CAboutDlg : public QDialog {
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
  ~CAboutDlg() override;

  QString ProductText() const;
  QString AvailableText() const;
  QString TotalText() const;
  QString LoadText() const;
  // The decoded picture (null when it could not be loaded).
  QImage Picture() const;

 private:
  QLabel* m_product = nullptr;
  QLabel* m_available = nullptr;
  QLabel* m_total = nullptr;
  QLabel* m_load = nullptr;
  QLabel* m_picture = nullptr;
};

}  // namespace orva
