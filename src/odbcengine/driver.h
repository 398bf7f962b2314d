#pragma once
// What makes a driver of the engine: each driver module defines ThisDriver(),
// which names the driver, opens its sessions and answers what differs from
// the engine's defaults.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "session.h"

namespace orva::odbcengine {

struct Dbc;

using InfoValue = std::variant<std::string, SQLUSMALLINT, SQLUINTEGER>;

class Driver {
 public:
  virtual ~Driver() = default;
  // "[ORVA][<driver name>]", the start of every diagnostic text.
  virtual const char* MessagePrefix() const = 0;
  // Opens a session for the pairs of a connection string (keys in upper
  // case; a DSN's entries already merged in by the caller's rules) and fills
  // the connection's generic options. Raises DriverError.
  virtual std::unique_ptr<DriverSession> Connect(Dbc& dbc, std::map<std::string, std::string> pairs) = 0;
  // A SQLGetInfo answer of this driver; nullopt leaves it to the engine.
  virtual std::optional<InfoValue> Info(const Dbc& dbc, SQLUSMALLINT type) const { return std::nullopt; }
  // Whether the driver offers a function the engine implements.
  virtual bool Implements(SQLUSMALLINT function) const { return true; }
};

// Defined by each driver module.
Driver& ThisDriver();

}  // namespace orva::odbcengine
