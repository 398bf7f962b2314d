#pragma once
// What the object browser needs from the main window: its query windows, a
// new query window on a connection, and the table window. The main window
// implements it; the browser never reaches into the application itself.

#include <string>
#include <vector>

namespace orva {

class CChildFrame;
class CDBConnection;

class IBrowserHost {
 public:
  virtual ~IBrowserHost() = default;
  // The active query window, or null.
  virtual CChildFrame* ActiveQueryWindow() const = 0;
  // Every open query window, oldest first.
  virtual std::vector<CChildFrame*> QueryWindows() const = 0;
  // Opens a query window on the connection; null when that fails.
  virtual CChildFrame* NewQueryWindow(CDBConnection* connection) = 0;
  // Opens the rows of a table or view (kind 4 or 6) in the table window.
  // False when the host has no table window; the browser then opens a query
  // window with the table's full SELECT instead.
  virtual bool OpenObjectView(CDBConnection* connection, const std::string& name, int kind) = 0;
};

}  // namespace orva
