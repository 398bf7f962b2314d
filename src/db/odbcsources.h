#pragma once
// What the driver manager has registered: the installed drivers (the database
// types of the connection dialog) and the user and system data sources (the
// data-source picker). Names are GBK.

#include <string>
#include <vector>

namespace orva {

struct DataSourceEntry {
  std::string name;
  std::string description;  // the driver's description
};

std::vector<std::string> InstalledDrivers();
std::vector<DataSourceEntry> DataSources();

}  // namespace orva
