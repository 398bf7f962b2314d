#include "export/textformatdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "grid/gridctrl.h"
#include "grid/inplaceedit.h"
#include "platform/messagebox.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"

namespace orva {
namespace {

enum ListColumn { kNumber, kName, kType, kWidth };
constexpr int kPreviewRows = 5;
constexpr int kPreviewColumnWidth = 60;

QString Q(const std::string& gbk) { return QStringFromGbk(gbk); }

bool IsChar(const QString& type) { return type.compare(QStringLiteral("Char"), Qt::CaseInsensitive) == 0; }

}  // namespace

// ---- CColumnListCtrl ----

CColumnListCtrl::CColumnListCtrl(QWidget* parent) : QTableWidget(0, 4, parent) {
  setObjectName(QString::number(IDC_TEXT_COLUMN_LIST));
  setHorizontalHeaderLabels({QStringLiteral("序号"), QStringLiteral("字段名"), QStringLiteral("类型"),
                             QStringLiteral("长度")});
  const int widths[] = {40, 100, 80, 40};
  for (int c = 0; c < 4; ++c) setColumnWidth(c, widths[c]);
  verticalHeader()->hide();
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setShowGrid(true);
  LoadImageList(IDB_TEXT_COLUMN_LIST, 16, m_images);
  QPalette colours = palette();
  colours.setColor(QPalette::Base, QColor(250, 250, 255));
  setPalette(colours);
}

void CColumnListCtrl::AddColumn(int number, const std::string& name) {
  const int row = rowCount();
  insertRow(row);
  auto* numberItem = new QTableWidgetItem(QString::number(number));
  numberItem->setIcon(m_images.Icon(0));
  setItem(row, kNumber, numberItem);
  setItem(row, kName, new QTableWidgetItem(Q(name)));
  setItem(row, kType, new QTableWidgetItem());
  setItem(row, kWidth, new QTableWidgetItem());
  for (int c = kNumber; c <= kWidth; ++c) item(row, c)->setBackground(QColor(241, 255, 234));
}

void CColumnListCtrl::SetType(int row, const std::string& type) {
  item(row, kType)->setText(QString::fromStdString(type));
  item(row, kWidth)->setText(IsChar(QString::fromStdString(type)) ? QStringLiteral("255") : QString());
}

TextColumn CColumnListCtrl::Column(int row) const {
  return {GbkFromQString(item(row, kName)->text()), GbkFromQString(item(row, kType)->text()),
          GbkFromQString(item(row, kWidth)->text())};
}

void CColumnListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (!index.isValid()) return;
  EditCell(index.row(), index.column());
}

void CColumnListCtrl::EditCell(int row, int col) {
  if (row < 0 || row >= rowCount()) return;
  if (col == kNumber) {
    selectionModel()->select(model()->index(row, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    if (currentRow() == row) setCurrentIndex(QModelIndex());
    return;
  }
  scrollToItem(item(row, col));
  if (m_editor) m_editor->deleteLater();
  const QRect rect = visualItemRect(item(row, col));
  if (col == kType) {
    auto* box = new QComboBox(viewport());
    box->setObjectName(QStringLiteral("typeEditor"));
    box->addItems({QStringLiteral("Char"), QStringLiteral("Integer"), QStringLiteral("Date"), QStringLiteral("Float")});
    box->setCurrentText(item(row, kType)->text());
    box->setGeometry(rect);
    auto finish = [this, box, row] {
      if (box->property("done").toBool()) return;
      box->setProperty("done", true);
      ApplyEdit(row, kType, GbkFromQString(box->currentText()));
      box->setObjectName(QString());
      box->hide();
      box->deleteLater();
    };
    connect(box, &QComboBox::activated, box, finish);
    box->installEventFilter(this);
    box->show();
    box->setFocus();
    m_editor = box;
    return;
  }
  // The width only means something for a Char column; names may be edited for
  // every column.
  if (col == kWidth && !IsChar(item(row, kType)->text())) return;
  m_editor = new GridInPlaceEdit(viewport(), rect, DT_LEFT, IDC_INPLACE_CONTROL, row, col,
                                 GbkFromQString(item(row, col)->text()), kEditStartClick, this);
}

long CColumnListCtrl::OnGridCellInfo(GridCellInfo& info) {
  if (info.hdr.code != GVN_ENDLABELEDIT || info.endKey == Qt::Key_Escape) return 0;
  ApplyEdit(info.item.row, info.item.col, info.item.text);
  return 0;
}

void CColumnListCtrl::ApplyEdit(int row, int col, const std::string& text) {
  if (row < 0 || row >= rowCount() || col == kNumber) return;
  if (col == kType) {
    const QString type = QStringFromGbk(text);
    const bool wasChar = IsChar(item(row, kType)->text());
    if (IsChar(type) && wasChar) return;
    item(row, kType)->setText(type);
    item(row, kWidth)->setText(IsChar(type) ? QStringLiteral("255") : QString());
    return;
  }
  item(row, col)->setText(QStringFromGbk(text));
}

void CColumnListCtrl::scrollContentsBy(int dx, int dy) {
  setFocus();  // ends an open editor first
  QTableWidget::scrollContentsBy(dx, dy);
}

// The type list ends its edit when it loses the focus.
bool CColumnListCtrl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && watched == m_editor) {
    auto* box = qobject_cast<QComboBox*>(watched);
    if (box && !box->view()->isVisible()) emit box->activated(box->currentIndex());
  }
  return QTableWidget::eventFilter(watched, event);
}

// ---- CTextFormatDlg ----

CTextFormatDlg::CTextFormatDlg(const QString& textFilePath, QWidget* parent) : QDialog(parent) {
  setObjectName(QString::number(IDD_TEXT_FORMAT));
  setWindowTitle(QStringLiteral("文本文件格式定义"));
  m_path = QFile::encodeName(textFilePath).toStdString();
  m_file = std::fopen(m_path.c_str(), "r");

  m_firstRowNames = new QCheckBox(QStringLiteral("第一行为列名"), this);
  m_firstRowNames->setObjectName(QString::number(IDC_TEXT_FIRST_ROW_NAMES));
  m_firstRowNames->setChecked(true);
  auto* group = new QGroupBox(QStringLiteral("分隔符号"), this);
  m_delimiter = new QComboBox(group);
  m_delimiter->setObjectName(QString::number(IDC_TEXT_DELIMITER));
  m_delimiter->addItems({QStringLiteral("TAB分隔"), QStringLiteral("CSV格式"), QStringLiteral("其它")});
  m_delimiter->setCurrentIndex(0);
  m_other = new QLineEdit(group);
  m_other->setObjectName(QString::number(IDC_TEXT_OTHER_DELIMITER));
  m_other->setEnabled(false);
  m_other->setFixedWidth(40);
  auto* groupRow = new QHBoxLayout(group);
  groupRow->addWidget(m_delimiter);
  groupRow->addWidget(new QLabel(QStringLiteral("其他："), group));
  groupRow->addWidget(m_other);
  groupRow->addStretch();
  m_analyse = new QPushButton(QStringLiteral("分析"), this);
  m_analyse->setObjectName(QString::number(IDC_TEXT_ANALYSE));
  m_analyse->setAutoDefault(false);
  m_columns = new CColumnListCtrl(this);
  m_preview = new QTableWidget(this);
  m_preview->setObjectName(QString::number(IDC_TEXT_PREVIEW));
  m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_preview->verticalHeader()->hide();
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("1"));
  buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("2"));

  auto* layout = new QGridLayout(this);
  layout->addWidget(m_firstRowNames, 0, 0);
  layout->addWidget(group, 1, 0);
  layout->addWidget(m_analyse, 1, 1, Qt::AlignBottom);
  layout->addWidget(m_columns, 2, 0, 1, 2);
  layout->addWidget(new QLabel(QStringLiteral("数据预览："), this), 3, 0, 1, 2);
  layout->addWidget(m_preview, 4, 0, 1, 2);
  layout->addWidget(buttons, 5, 0, 1, 2);
  resize(420, 480);

  // A new delimiter or heading choice splits the file anew, so the columns
  // listed (and written on OK) always follow what the dialog shows. "其它"
  // waits until its character has been typed.
  const auto reanalyse = [this] {
    if (m_delimiter->currentIndex() != 2 || !m_other->text().isEmpty()) Analyse();
  };
  connect(m_delimiter, &QComboBox::currentIndexChanged, this, [this, reanalyse] {
    m_other->setEnabled(m_delimiter->currentText().compare(QStringLiteral("其它"), Qt::CaseInsensitive) == 0);
    reanalyse();
  });
  connect(m_other, &QLineEdit::textEdited, this, reanalyse);
  connect(m_firstRowNames, &QCheckBox::toggled, this, reanalyse);
  connect(m_analyse, &QPushButton::clicked, this, &CTextFormatDlg::Analyse);
  connect(buttons, &QDialogButtonBox::accepted, this, &CTextFormatDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CTextFormatDlg::reject);
  Analyse();
}

CTextFormatDlg::~CTextFormatDlg() {
  if (m_file) std::fclose(m_file);
}

void CTextFormatDlg::Analyse() {
  m_columns->setRowCount(0);
  if (!m_file) return;
  char delimiter;
  int kind;
  switch (m_delimiter->currentIndex()) {
    case 0: delimiter = '\t'; kind = 0; break;
    case 1: delimiter = ','; kind = 1; break;
    default: {
      std::string other = GbkFromQString(m_other->text());
      if (other.empty()) {
        ShowMessageBox(QStringLiteral("请输入其它分隔符"));
        m_other->setFocus();
        return;
      }
      delimiter = other.front();
      kind = 2;
      break;
    }
  }
  m_delimiterKind = kind;
  m_delimiterChar = delimiter;
  std::rewind(m_file);
  const std::string first = ReadTextLine(m_file);
  if (first.empty()) {
    FillPreview();
    return;
  }
  const std::vector<std::string> pieces = SplitTextLine(first, delimiter);
  if (m_firstRowNames->isChecked()) {
    for (std::size_t k = 0; k < pieces.size(); ++k)
      m_columns->AddColumn(static_cast<int>(k) + 1, pieces[k].empty() ? "F" + std::to_string(k + 1) : pieces[k]);
    // Types from the first data line; the preview then starts with it.
    const long dataStart = std::ftell(m_file);
    const std::vector<std::string> data = SplitTextLine(ReadTextLine(m_file), delimiter);
    for (std::size_t k = 0; k < data.size() && k < pieces.size(); ++k)
      m_columns->SetType(static_cast<int>(k), GuessTextType(data[k]));
    std::fseek(m_file, dataStart, SEEK_SET);
  } else {
    for (std::size_t k = 0; k < pieces.size(); ++k) {
      m_columns->AddColumn(static_cast<int>(k) + 1, "F" + std::to_string(k + 1));
      m_columns->SetType(static_cast<int>(k), GuessTextType(pieces[k]));
    }
    std::rewind(m_file);
  }
  FillPreview();
}

void CTextFormatDlg::FillPreview() {
  m_preview->clear();
  m_preview->setRowCount(0);
  m_preview->setColumnCount(0);
  const int columns = m_columns->rowCount();
  if (columns == 0) return;
  m_preview->setColumnCount(columns);
  QStringList headings;
  for (int k = 0; k < columns; ++k) headings << m_columns->item(k, 1)->text();
  m_preview->setHorizontalHeaderLabels(headings);
  for (int k = 0; k < columns; ++k) m_preview->setColumnWidth(k, kPreviewColumnWidth);
  for (int n = 0; n < kPreviewRows; ++n) {
    bool atEnd = false;
    const std::string line = ReadTextLine(m_file, &atEnd);
    if (line.empty()) break;
    const int row = m_preview->rowCount();
    m_preview->insertRow(row);
    const std::vector<std::string> pieces = SplitTextLine(line, m_delimiterChar);
    for (std::size_t k = 0; k < pieces.size() && static_cast<int>(k) < columns; ++k)
      m_preview->setItem(row, static_cast<int>(k), new QTableWidgetItem(Q(pieces[k])));
    if (atEnd) break;
  }
}

void CTextFormatDlg::accept() {
  if (m_columns->rowCount() > 0) {
    SchemaSection section;
    section.colNameHeader = m_firstRowNames->isChecked();
    section.delimiterKind = m_delimiterKind;
    // The delimiter of the last analysis, so that a box emptied since then
    // cannot leave the format without its character.
    std::string other = GbkFromQString(m_other->text());
    section.otherDelimiter = m_delimiterKind == 2 && !other.empty() ? other.front() : m_delimiterChar;
    for (int row = 0; row < m_columns->rowCount(); ++row) section.columns.push_back(m_columns->Column(row));
    const std::size_t slash = m_path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : m_path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    std::string error;
    if (!WriteSchemaSection(folder + "schema.ini", name, SchemaSectionLines(section), error)) {
      ShowMessageBox(QStringLiteral("无法写入文件 %1：%2")
                         .arg(QFile::decodeName(QByteArray::fromStdString(folder + "schema.ini")),
                              QString::fromLocal8Bit(error)),
                     QStringLiteral("ORVA"), MbIcon::Warning);
    } else {
      m_wroteSchema = true;
    }
  }
  QDialog::accept();
}

bool RunTextFormatDialog(const QString& textFilePath, QWidget* parent) {
  CTextFormatDlg dialog(textFilePath, parent);
  ExecDialog(dialog);
  return dialog.WroteSchema();
}

}  // namespace orva
