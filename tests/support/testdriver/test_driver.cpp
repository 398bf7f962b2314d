#include "testdriver/test_driver.h"

#include <cstdlib>
#include <fstream>

namespace orva::testdriver {

std::string TestDriverLibrary() { return ORVA_TESTDRIVER_LIBRARY; }

std::string TestDriverIniSection() {
  return std::string("[") + kTestDriverName + "]\n" +
         "Description = ORVA test driver (SQLite folder as a multi-database server)\n" +
         "Driver = " + TestDriverLibrary() + "\n" +
         // Cancelling from another thread must reach the driver while the
         // statement's own call is still running.
         "Threading = 0\n";
}

bool RegisterTestDriver(const std::string& configFolder, const std::vector<TestDataSource>& dataSources) {
  {
    std::ofstream drivers(configFolder + "/odbcinst.ini", std::ios::trunc);
    drivers << TestDriverIniSection();
    if (!drivers) return false;
  }
  {
    std::ofstream sources(configFolder + "/odbc.ini", std::ios::trunc);
    for (const TestDataSource& source : dataSources) {
      sources << "[" << source.name << "]\nDriver = " << kTestDriverName << "\n";
      std::string pair;
      for (std::size_t i = 0; i <= source.attributes.size(); ++i) {
        if (i < source.attributes.size() && source.attributes[i] != ';') {
          pair += source.attributes[i];
          continue;
        }
        const std::size_t eq = pair.find('=');
        if (eq != std::string::npos) sources << pair.substr(0, eq) << " = " << pair.substr(eq + 1) << "\n";
        pair.clear();
      }
    }
    if (!sources) return false;
  }
  setenv("ODBCSYSINI", configFolder.c_str(), 1);
  setenv("ODBCINSTINI", "odbcinst.ini", 1);
  setenv("ODBCINI", (configFolder + "/odbc.ini").c_str(), 1);
  return true;
}

std::string ConnectionString(const TestConnection& c) {
  std::string s = std::string("DRIVER={") + kTestDriverName + "};FOLDER=" + c.folder + ";DBMS=" + c.dbms +
                  ";MULTRESULTS=" + (c.multipleResults ? "Y" : "N") + ";DATABASE=" + c.database + ";";
  if (c.noTotal) s += "NOTOTAL=Y;";
  if (!c.hide.empty()) s += "HIDE=" + c.hide + ";";
  return s;
}

}  // namespace orva::testdriver
