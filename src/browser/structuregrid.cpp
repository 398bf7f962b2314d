#include "browser/structuregrid.h"

#include "db/dbconnection.h"
#include "db/dbexception.h"
#include "grid/gridcell.h"
#include "grid/gridctrl.h"
#include "platform/codec.h"
#include "platform/imagelist.h"
#include "platform/messagebox.h"
#include "platform/resource_ids.h"

namespace orva {
namespace {

struct StructureColumn {
  const char* heading;
  int format;
  int width;
};
constexpr int kLeft = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
constexpr int kRight = DT_RIGHT | DT_VCENTER | DT_SINGLELINE;
constexpr int kCentre = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
constexpr StructureColumn kColumns[] = {
    {"序号", kLeft, 44},   {"字段名", kLeft, 140}, {"类型", kLeft, 80},   {"长度", kRight, 60}, {"精度", kRight, 50},
    {"规模", kRight, 50},  {"小数点", kRight, 50}, {"空值", kCentre, 40}, {"备注", kLeft, 200},
};
enum { kNumber, kName, kType, kLength, kPrecision, kScale, kRadix, kNullable, kRemarks };
constexpr int kKeyImage = 0;
constexpr int kColumnImage = 2;

// The structure images live as long as the program: grids of closed windows
// never outlive them.
const ImageList& StructureImages() {
  static ImageList images = [] {
    ImageList list;
    LoadImageList(IDB_STRUCTURE_COLUMNS, 16, list);
    return list;
  }();
  return images;
}

std::string Number(long long value) { return std::to_string(value); }

void ShowError(const CDBException& error) { ShowDatabaseError(error.m_strError); }

}  // namespace

void FillStructureGrid(CGridCtrl& grid, CDBConnection& connection, const ObjectRef& object) {
  grid.SetImageList(&StructureImages());
  grid.SetEditable(false);
  grid.SetDragAndDrop(false);
  grid.SetRedraw(false);
  grid.DeleteAllItems();
  grid.SetColumnCount(static_cast<int>(std::size(kColumns)));
  grid.SetRowCount(1);
  grid.SetFixedRowCount(1);
  grid.SetFixedColumnCount(1);
  for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
    grid.SetItemText(0, c, GbkFromUtf8(kColumns[c].heading));
    grid.SetItemFormat(0, c, kColumns[c].format);
    grid.SetColumnWidth(c, kColumns[c].width);
  }

  std::vector<std::string> names;  // "字段名" of each row, for the key marks
  try {
    if (auto columns = ReadColumns(connection, object)) {
      grid.SetRowCount(static_cast<int>(columns->size()) + 1);
      int row = 1;
      for (const CatalogColumn& column : *columns) {
        grid.SetItemText(row, kNumber, Number(row));
        grid.SetItemImage(row, kNumber, kColumnImage);
        grid.SetItemText(row, kName, column.name);
        grid.SetItemText(row, kType, column.typeName);
        if (column.length != 0) grid.SetItemText(row, kLength, Number(column.length));
        if (column.precision != 0) {
          grid.SetItemText(row, kPrecision, Number(column.precision));
          grid.SetItemText(row, kScale, column.scale ? Number(*column.scale) : std::string("N/A"));
          grid.SetItemText(row, kRadix, column.radix ? Number(*column.radix) : std::string("N/A"));
        }
        grid.SetCellType(row, kNullable, GridCellClassOf<CGridCellCheck>());
        if (auto* check = dynamic_cast<CGridCellCheck*>(grid.GetCell(row, kNullable))) check->SetCheck(column.nullable);
        grid.SetItemState(row, kNullable, grid.GetItemState(row, kNullable) | GVIS_READONLY);
        grid.SetItemText(row, kRemarks, column.remarks);
        for (int c = kLength; c <= kNullable; ++c) grid.SetItemFormat(row, c, kColumns[c].format);
        names.push_back(column.name);
        ++row;
      }
    }
  } catch (const CDBException& error) {
    ShowError(error);
  }
  // Key columns are matched ignoring case: some drivers report the key as ID
  // while the column catalog says id.
  try {
    for (const std::string& key : ReadPrimaryKeys(connection, object)) {
      const std::string upper = ToUpperGbk(key);
      for (std::size_t i = 0; i < names.size(); ++i) {
        if (ToUpperGbk(names[i]) == upper) {
          grid.SetItemImage(static_cast<int>(i) + 1, kNumber, kKeyImage);
          break;
        }
      }
    }
  } catch (const CDBException& error) {
    ShowError(error);
  }
  grid.SetRedraw(true, true);
}

}  // namespace orva
