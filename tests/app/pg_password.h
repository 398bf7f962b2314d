#pragma once
// Makes a role of the test PostgreSQL server log in with its password: the
// server's authentication file gets a first line for the role, then the
// caller reloads the configuration. Other roles keep trust authentication.

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace orva::test {

// False when the server's files are not reachable (no ORVA_PG_ROOT).
inline bool RequirePasswordFor(const std::string& role) {
  const char* root = std::getenv("ORVA_PG_ROOT");
  if (!root) return false;
  const std::string hba = std::string(root) + "/data/pg_hba.conf";
  std::stringstream rest;
  {
    std::ifstream in(hba);
    if (!in) return false;
    rest << in.rdbuf();
  }
  std::ofstream(hba) << "local all " << role << " scram-sha-256\n" << rest.str();
  return !rest.str().empty();
}

}  // namespace orva::test
