#pragma once
// The structure of a table or view as a grid: one row per column with its
// type, sizes, nullability and remarks, the key columns marked.

#include "browser/scriptgen.h"

namespace orva {

class CDBConnection;
class CGridCtrl;

// Sets up the headings and fills the rows from the column and primary-key
// catalogs. Database errors are shown; the rows added before stay.
void FillStructureGrid(CGridCtrl& grid, CDBConnection& connection, const ObjectRef& object);

}  // namespace orva
