#pragma once
// What the query window needs of its SQL editor to run it.

#include <string>

namespace orva {

class ISqlSource {
 public:
  virtual ~ISqlSource() = default;
  virtual bool HasSelection() const = 0;
  // GBK text; lines joined by the script's own line end.
  virtual std::string GetSelectedText() const = 0;
  virtual std::string GetAllText() const = 0;
};

}  // namespace orva
