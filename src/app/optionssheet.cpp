#include "app/optionssheet.h"

#include "app/fontpage.h"
#include "editor/finddialog.h"
#include "platform/imagelist.h"
#include "platform/messagebox.h"
#include "platform/resource_ids.h"
#include "widgets/treepropertysheet.h"

namespace orva {

void RunOptionsSheet(QWidget* parent) {
  ImageList pageImages;
  LoadImageList(IDB_OPTIONS_PAGES, 16, pageImages);
  CTreePropertySheet sheet(QStringLiteral("参数设置"), parent);
  sheet.SetImageList(&pageImages);
  auto* general = NameControl(new CPropertyPage(QStringLiteral("常规")), IDD_OPTIONS_GENERAL);
  auto* fonts = new CFontPage;
  sheet.AddPage(general, 0);
  sheet.AddPage(fonts, 1);
  sheet.SetActivePage(fonts);
  sheet.resize(560, 380);
  ExecDialog(sheet);
}

}  // namespace orva
