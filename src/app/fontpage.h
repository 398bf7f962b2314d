#pragma once
// The options page "常规::字体设置": family, style and size of the font of
// each area (editor, result grids, object browser) with a live sample.

#include <QFont>
#include <array>
#include <string>

#include "platform/fontsettings.h"
#include "platform/imagelist.h"
#include "widgets/treepropertysheet.h"

class QComboBox;
class QLabel;
class QListWidget;

namespace orva {

class CFontPage : public CPropertyPage {
  Q_OBJECT
 public:
  explicit CFontPage(QWidget* parent = nullptr);

  void OnFirstShow() override;
  void OnApply() override;

  QComboBox* RegionBox() const { return m_region; }
  QComboBox* FamilyBox() const { return m_family; }
  QListWidget* StyleList() const { return m_style; }
  QListWidget* SizeList() const { return m_size; }
  QLabel* Sample() const { return m_sample; }
  const QFont& SampleFont() const { return m_sampleFont; }

 private:
  // What the page shows for one area, and whether the user has seen it.
  struct AreaState {
    FontChoice choice;
    bool loaded = false;
    bool changed = false;
  };

  void FillFamilies();
  void FillSizes();
  void ShowArea(int area);
  void KeepShownArea();
  void OnFamilyChanged();
  void OnStyleOrSizeChanged();
  void UpdateSample();

  int m_dpiY = 96;
  ImageList m_fontTypeImages;
  QComboBox* m_region = nullptr;
  QComboBox* m_family = nullptr;
  QListWidget* m_style = nullptr;
  QListWidget* m_size = nullptr;
  QLabel* m_sample = nullptr;
  QFont m_sampleFont;
  std::array<AreaState, kFontAreaCount> m_areas;
  int m_shownArea = 0;
  bool m_filling = false;  // selection changes made by the page itself
};

}  // namespace orva
