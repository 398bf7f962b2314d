#include "export/savefiledialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "platform/profile.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"

namespace orva {
namespace {

enum DelimiterItem { kTab, kComma, kSpace, kOther };
constexpr const char* kEncodingValue = "SaveEncoding";

QString SuffixOf(const QString& filter) {
  int star = filter.lastIndexOf(QStringLiteral("*."));
  return star < 0 ? QString() : filter.mid(star + 2).chopped(1);
}

}  // namespace

const QStringList& CSaveFileDialog::FileTypes() {
  static const QStringList types = {QStringLiteral("Text File(*.txt)"),
                                    QStringLiteral("Foxpro, DBASE or foxbase(*.dbf)"),
                                    QStringLiteral("Excel 工作簿(*.xlsx)")};
  return types;
}

CSaveFileDialog::CSaveFileDialog(const QString& proposedPath, QWidget* parent) : QFileDialog(parent) {
  setOption(QFileDialog::DontUseNativeDialog);
  setOption(QFileDialog::DontConfirmOverwrite);
  setAcceptMode(QFileDialog::AcceptSave);
  setFileMode(QFileDialog::AnyFile);
  setWindowTitle(QStringLiteral("另存为"));
  setLabelText(QFileDialog::LookIn, QStringLiteral("保存在:"));
  setLabelText(QFileDialog::FileName, QStringLiteral("文件名:"));
  setLabelText(QFileDialog::FileType, QStringLiteral("保存类型:"));
  setLabelText(QFileDialog::Accept, QStringLiteral("保存(&S)"));
  setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
  setNameFilters(FileTypes());
  setDefaultSuffix(QStringLiteral("txt"));
  QFileInfo proposed(proposedPath);
  setDirectory(proposed.absolutePath());
  selectFile(proposed.fileName());

  m_panel = new QWidget(this);
  m_panel->setObjectName(QStringLiteral("saveOptions%1").arg(IDD_SAVE_OPTIONS));
  auto* rows = new QGridLayout(m_panel);
  rows->setContentsMargins(0, 4, 0, 0);
  m_line = new QFrame(m_panel);
  m_line->setObjectName(QString::number(IDC_SAVE_SEPARATOR));
  m_line->setFrameShape(QFrame::HLine);
  m_line->setFrameShadow(QFrame::Sunken);
  rows->addWidget(m_line, 0, 0, 1, 4);
  m_header = new QCheckBox(QStringLiteral("将列名保存到第一行"), m_panel);
  m_header->setObjectName(QString::number(IDC_SAVE_HEADER));
  rows->addWidget(m_header, 1, 0, 1, 4);
  m_delimiterLabel = new QLabel(QStringLiteral("字段间分隔符:"), m_panel);
  m_delimiterLabel->setObjectName(QString::number(IDC_SAVE_DELIMITER_LABEL));
  rows->addWidget(m_delimiterLabel, 2, 0);
  m_delimiter = new QComboBox(m_panel);
  m_delimiter->setObjectName(QString::number(IDC_SAVE_DELIMITER));
  m_delimiter->addItems({QStringLiteral("TAB"), QStringLiteral("逗号"), QStringLiteral("空格"), QStringLiteral("其他")});
  m_delimiter->setCurrentIndex(-1);
  rows->addWidget(m_delimiter, 2, 1);
  m_other = new QLineEdit(m_panel);
  m_other->setObjectName(QString::number(IDC_SAVE_OTHER_DELIMITER));
  m_other->setMaxLength(1);
  m_other->setFixedWidth(40);
  rows->addWidget(m_other, 2, 2);
  rows->setColumnStretch(3, 1);
  m_encodingLabel = new QLabel(QStringLiteral("文件编码:"), m_panel);
  rows->addWidget(m_encodingLabel, 3, 0);
  m_encoding = new QComboBox(m_panel);
  m_encoding->setObjectName(QStringLiteral("encoding"));
  m_encoding->addItems({QStringLiteral("GBK"), QStringLiteral("GB18030"), QStringLiteral("UTF-8 (带BOM)")});
  int remembered = GetProfileNumber("Setting", kEncodingValue, 0);
  m_encoding->setCurrentIndex(remembered >= 0 && remembered < m_encoding->count() ? remembered : 0);
  rows->addWidget(m_encoding, 3, 1);

  if (auto* grid = qobject_cast<QGridLayout*>(layout()))
    grid->addWidget(m_panel, grid->rowCount(), 0, 1, grid->columnCount());
  else if (layout())
    layout()->addWidget(m_panel);

  connect(m_delimiter, &QComboBox::currentIndexChanged, this,
          [this](int index) { m_other->setEnabled(index == kOther); });
  connect(this, &QFileDialog::filterSelected, this, &CSaveFileDialog::OnFileTypeChanged);
  OnFileTypeChanged(selectedNameFilter());
}

void CSaveFileDialog::OnFileTypeChanged(const QString& filter) {
  const bool text = filter == FileTypes().front();
  for (QWidget* w : {static_cast<QWidget*>(m_header), static_cast<QWidget*>(m_delimiterLabel),
                     static_cast<QWidget*>(m_delimiter), static_cast<QWidget*>(m_other),
                     static_cast<QWidget*>(m_encodingLabel), static_cast<QWidget*>(m_encoding)})
    w->setVisible(text);
  // A name typed without extension takes the chosen type's.
  setDefaultSuffix(SuffixOf(filter));
}

void CSaveFileDialog::ReadOptions() {
  m_options.header = m_header->isChecked();
  switch (m_delimiter->currentIndex()) {
    case kComma: m_options.delimiter = ','; break;
    case kSpace: m_options.delimiter = ' '; break;
    case kOther: {
      std::string other = GbkFromQString(m_other->text());
      m_options.delimiter = other.empty() ? '\t' : other.front();
      break;
    }
    default: m_options.delimiter = '\t'; break;
  }
  m_options.encoding = static_cast<ExportEncoding>(std::max(m_encoding->currentIndex(), 0));
  WriteProfileNumber("Setting", kEncodingValue, m_encoding->currentIndex());
}

void CSaveFileDialog::accept() {
  if (selectedNameFilter() == FileTypes().front()) ReadOptions();
  QFileDialog::accept();
}

QString CSaveFileDialog::ChosenPath() const {
  if (result() != QDialog::Accepted) return {};
  QStringList files = selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

}  // namespace orva
