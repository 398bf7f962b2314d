#include "app/aboutdialog.h"

#include <sys/sysinfo.h>

#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <sstream>

#include "images/jpegpicture.h"
#include "platform/resource_ids.h"

#ifndef ORVA_PRODUCT_NAME
#define ORVA_PRODUCT_NAME "ORVA"
#endif
#ifndef ORVA_VERSION_MAJOR
#define ORVA_VERSION_MAJOR 1
#endif
#ifndef ORVA_VERSION_MINOR
#define ORVA_VERSION_MINOR 0
#endif

namespace orva {

std::optional<MemoryStatus> ParseMemInfo(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  std::optional<std::uint64_t> total, available, free;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string key;
    std::uint64_t kilobytes = 0;
    if (!(fields >> key >> kilobytes)) continue;
    if (key == "MemTotal:") total = kilobytes * 1024;
    else if (key == "MemAvailable:") available = kilobytes * 1024;
    else if (key == "MemFree:") free = kilobytes * 1024;
  }
  if (!total || (!available && !free)) return std::nullopt;
  return MemoryStatus{*total, available ? *available : *free};
}

MemoryStatus ReadMemoryStatus() {
  QFile file(QStringLiteral("/proc/meminfo"));
  if (file.open(QIODevice::ReadOnly)) {
    if (auto status = ParseMemInfo(file.readAll().toStdString())) return *status;
  }
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return {};
  const std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
  return {static_cast<std::uint64_t>(info.totalram) * unit, static_cast<std::uint64_t>(info.freeram) * unit};
}

QString FormatKilobytes(std::uint64_t bytes) { return QStringLiteral("%1 KB").arg(bytes / 1024); }

QString FormatMemoryLoad(const MemoryStatus& status) {
  if (status.totalBytes == 0) return QStringLiteral("0%");
  const double used = static_cast<double>(status.totalBytes - std::min(status.availableBytes, status.totalBytes));
  return QStringLiteral("%1%").arg(used / static_cast<double>(status.totalBytes) * 100.0, 0, 'f', 0);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("关于 ORVA"));
  auto* layout = new QGridLayout(this);

  m_picture = new QLabel(this);
  m_picture->setObjectName(QStringLiteral("picture"));
  CJpegPicture picture;
  if (picture.LoadFromResource(IDR_JPG_ABOUT)) {
    const QImage image = picture.ToImage();
    if (!image.isNull()) m_picture->setPixmap(QPixmap::fromImage(image));
  }
  layout->addWidget(m_picture, 0, 0, 1, 2, Qt::AlignHCenter);

  m_product = new QLabel(QStringLiteral("%1 %2.%3版")
                             .arg(QStringLiteral(ORVA_PRODUCT_NAME))
                             .arg(ORVA_VERSION_MAJOR)
                             .arg(ORVA_VERSION_MINOR, 2, 10, QLatin1Char('0')),
                         this);
  layout->addWidget(m_product, 1, 0, 1, 2);

  const MemoryStatus memory = ReadMemoryStatus();
  auto row = [&](int at, const char* caption, const QString& value) {
    layout->addWidget(new QLabel(QString::fromUtf8(caption), this), at, 0);
    auto* label = new QLabel(value, this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(label, at, 1);
    return label;
  };
  m_available = row(2, "可用物理内存:", FormatKilobytes(memory.availableBytes));
  m_total = row(3, "物理内存总数:", FormatKilobytes(memory.totalBytes));
  m_load = row(4, "内存使用率:", FormatMemoryLoad(memory));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons, 5, 0, 1, 2);
}

CAboutDlg::~CAboutDlg() = default;

QString CAboutDlg::ProductText() const { return m_product->text(); }
QString CAboutDlg::AvailableText() const { return m_available->text(); }
QString CAboutDlg::TotalText() const { return m_total->text(); }
QString CAboutDlg::LoadText() const { return m_load->text(); }
QImage CAboutDlg::Picture() const { return m_picture->pixmap().toImage(); }

}  // namespace orva
