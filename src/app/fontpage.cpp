#include "app/fontpage.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "editor/finddialog.h"
#include "platform/codec.h"
#include "platform/qtext.h"
#include "platform/resource_ids.h"

namespace orva {
namespace {

constexpr int kScalableRole = Qt::UserRole + 1;
constexpr int kStandardSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
const char* const kRegionTexts[] = {"编辑区域（默认）", "结果区域", "对象浏览区域"};

// Fonts that scale smoothly take any size; the others (bitmap fonts) offer
// only the sizes they were drawn in.
bool IsScalable(const QString& family) { return QFontDatabase::isSmoothlyScalable(family); }

// Selects the row whose text is exactly `text`; nothing when there is none.
bool SelectExact(QListWidget* list, const QString& text) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  list->setCurrentItem(found.isEmpty() ? nullptr : found.front());
  return !found.isEmpty();
}

QString CurrentText(const QListWidget* list) {
  const QListWidgetItem* item = list->currentItem();
  return item ? item->text() : QString();
}

}  // namespace

CFontPage::CFontPage(QWidget* parent) : CPropertyPage(QStringLiteral("常规::字体设置"), parent) {
  NameControl(this, IDD_OPTIONS_FONT);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    m_dpiY = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
  LoadImageList(IDB_FONT_TYPES, 16, m_fontTypeImages);

  m_region = NameControl(new QComboBox(this), IDC_FONT_REGION);
  for (const char* text : kRegionTexts) m_region->addItem(QString::fromUtf8(text));
  m_family = NameControl(new QComboBox(this), IDC_FONT_FAMILY);
  m_family->setMaxVisibleItems(16);
  m_style = NameControl(new QListWidget(this), IDC_FONT_STYLE);
  for (int i = 0; i < 4; ++i) m_style->addItem(QString::fromUtf8(FontStyleText(i)));
  m_size = NameControl(new QListWidget(this), IDC_FONT_SIZE);
  m_size->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_size->addItem(QStringLiteral("9"));
  m_sample = NameControl(new QLabel(QStringLiteral("中文AaBbYyZz123"), this), IDC_FONT_SAMPLE);
  m_sample->setAlignment(Qt::AlignCenter);
  m_sample->setFrameShape(QFrame::StyledPanel);
  m_sample->setMinimumHeight(70);

  auto* regionLabel = new QLabel(QStringLiteral("区域(&R):"), this);
  regionLabel->setBuddy(m_region);
  auto* familyLabel = new QLabel(QStringLiteral("字体(&F):"), this);
  familyLabel->setBuddy(m_family);
  auto* styleLabel = new QLabel(QStringLiteral("样式(&Y):"), this);
  styleLabel->setBuddy(m_style);
  auto* sizeLabel = new QLabel(QStringLiteral("大小(&S):"), this);
  sizeLabel->setBuddy(m_size);

  auto* layout = new QGridLayout(this);
  layout->addWidget(regionLabel, 0, 0);
  layout->addWidget(m_region, 0, 1, 1, 2);
  layout->addWidget(familyLabel, 1, 0);
  layout->addWidget(styleLabel, 1, 1);
  layout->addWidget(sizeLabel, 1, 2);
  layout->addWidget(m_family, 2, 0, Qt::AlignTop);
  layout->addWidget(m_style, 2, 1);
  layout->addWidget(m_size, 2, 2);
  layout->addWidget(m_sample, 3, 0, 1, 3);
  layout->setColumnStretch(0, 3);
  layout->setColumnStretch(1, 2);
  layout->setColumnStretch(2, 1);

  connect(m_region, &QComboBox::currentIndexChanged, this, [this](int area) {
    if (m_filling || area < 0) return;
    KeepShownArea();
    ShowArea(area);
  });
  connect(m_family, &QComboBox::currentIndexChanged, this, [this] {
    if (!m_filling) OnFamilyChanged();
  });
  connect(m_style, &QListWidget::currentRowChanged, this, [this] {
    if (!m_filling) OnStyleOrSizeChanged();
  });
  connect(m_size, &QListWidget::currentRowChanged, this, [this] {
    if (!m_filling) OnStyleOrSizeChanged();
  });
}

void CFontPage::OnFirstShow() {
  FillFamilies();
  m_region->setCurrentIndex(0);
  ShowArea(0);
  SetModified();
}

void CFontPage::FillFamilies() {
  m_filling = true;
  m_family->clear();
  m_family->setIconSize(m_fontTypeImages.ImageSize());
  QStringList seen;
  for (const QString& family : QFontDatabase::families()) {
    // Vertical variants ("@name") are for vertical writing only.
    if (family.startsWith(QLatin1Char('@')) || seen.contains(family)) continue;
    seen.push_back(family);
    const bool scalable = IsScalable(family);
    m_family->addItem(m_fontTypeImages.Icon(scalable ? 0 : 1), family);
    m_family->setItemData(m_family->count() - 1, scalable, kScalableRole);
  }
  m_filling = false;
}

void CFontPage::FillSizes() {
  const QString chosen = CurrentText(m_size).isEmpty() ? QStringFromGbk(m_areas[m_shownArea].choice.size)
                                                       : CurrentText(m_size);
  m_filling = true;
  m_size->clear();
  const QString family = m_family->currentText();
  std::vector<int> sizes;
  if (m_family->currentIndex() < 0 || m_family->currentData(kScalableRole).toBool()) {
    sizes.assign(std::begin(kStandardSizes), std::end(kStandardSizes));
  } else {
    for (int points : QFontDatabase::pointSizes(family))
      if (std::find(sizes.begin(), sizes.end(), points) == sizes.end())
        sizes.insert(std::upper_bound(sizes.begin(), sizes.end(), points), points);
  }
  for (int points : sizes) m_size->addItem(QString::number(points));
  if (!SelectExact(m_size, chosen) && m_size->count() > 0) m_size->setCurrentRow(0);
  m_filling = false;
}

void CFontPage::ShowArea(int area) {
  m_shownArea = area;
  AreaState& state = m_areas[static_cast<std::size_t>(area)];
  if (!state.loaded) {
    state.loaded = true;
    state.choice = ReadStoredFontChoice(static_cast<FontArea>(area));
    if (area == static_cast<int>(FontArea::Editor)) {
      // With nothing stored the editor area opens on the classic defaults.
      if (state.choice.family.empty()) state.choice.family = GbkFromUtf8("宋体");
      if (state.choice.style.empty()) state.choice.style = GbkFromUtf8("常规");
      if (state.choice.size.empty()) state.choice.size = "9";
    } else {
      // The grids and the browser otherwise use the platform's font.
      const QFont platform = QGuiApplication::font();
      if (state.choice.family.empty()) state.choice.family = GbkFromQString(platform.family());
      if (state.choice.style.empty()) state.choice.style = GbkFromUtf8("常规");
      if (state.choice.size.empty()) state.choice.size = std::to_string(std::max(1, platform.pointSize()));
    }
  }
  m_filling = true;
  const QString family = QStringFromGbk(state.choice.family);
  int index = m_family->findText(family, Qt::MatchExactly | Qt::MatchCaseSensitive);
  // The classic default face may not be installed: then the first family.
  if (index < 0 && area == 0 && ReadStoredFontChoice(FontArea::Editor).family.empty()) index = 0;
  m_family->setCurrentIndex(index);
  SelectExact(m_style, QStringFromGbk(state.choice.style));
  m_size->setCurrentItem(nullptr);
  m_filling = false;
  FillSizes();
  UpdateSample();
}

void CFontPage::KeepShownArea() {
  AreaState& state = m_areas[static_cast<std::size_t>(m_shownArea)];
  state.choice.family = m_family->currentIndex() < 0 ? std::string() : GbkFromQString(m_family->currentText());
  state.choice.style = GbkFromQString(CurrentText(m_style));
  state.choice.size = GbkFromQString(CurrentText(m_size));
}

void CFontPage::OnFamilyChanged() {
  FillSizes();
  m_areas[static_cast<std::size_t>(m_shownArea)].changed = true;
  SetModified();
  UpdateSample();
}

void CFontPage::OnStyleOrSizeChanged() {
  m_areas[static_cast<std::size_t>(m_shownArea)].changed = true;
  SetModified();
  UpdateSample();
}

void CFontPage::UpdateSample() {
  const int style = std::max(0, m_style->currentRow());
  const int points = CurrentText(m_size).toInt();
  m_sampleFont = MakeChosenFont(QFont(m_family->currentText()), GbkFromUtf8(FontStyleText(style)), points, m_dpiY);
  m_sampleFont.setStyleHint(QFont::SansSerif);
  m_sample->setFont(m_sampleFont);
}

void CFontPage::OnApply() {
  KeepShownArea();
  for (int area = 0; area < kFontAreaCount; ++area) {
    AreaState& state = m_areas[static_cast<std::size_t>(area)];
    // The editor's choice is stored whenever the page was opened; the other
    // areas only once the user changed something there.
    if (!state.loaded || (area != 0 && !state.changed)) continue;
    WriteFontChoice(static_cast<FontArea>(area), state.choice);
    state.changed = false;
    FontSettingsNotifier::Instance().NotifyChanged(static_cast<FontArea>(area));
  }
}

}  // namespace orva
