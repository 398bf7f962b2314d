#include "connect_options.h"

#include <cctype>

#include "odbcengine/connect_string.h"
#include "odbcengine/sql_text.h"

namespace orva::testdriver {
namespace {

bool YesNo(const std::string& key, const std::string& value) {
  const std::string v = ToLowerAscii(TrimSpace(value));
  if (v == "y" || v == "yes" || v == "1") return true;
  if (v == "n" || v == "no" || v == "0") return false;
  throw Fail("HY000", "Invalid value \"" + value + "\" for " + key + ": Y or N expected.");
}

}  // namespace

ServerOptions ResolveOptions(std::map<std::string, std::string> pairs, ConnectOptions& generic) {
  ServerOptions options;
  if (auto dsn = pairs.find("DSN"); dsn != pairs.end() && !dsn->second.empty()) {
    generic.dsn = dsn->second;
    for (const char* key : {"FOLDER", "DBMS", "DATABASE", "MULTRESULTS", "HIDE", "NOTOTAL", "UID"}) {
      if (pairs.count(key)) continue;
      std::string value = DsnValue(generic.dsn, key);
      if (!value.empty()) pairs.emplace(key, value);
    }
  }
  auto get = [&](const char* key) -> const std::string* {
    auto it = pairs.find(key);
    return it == pairs.end() ? nullptr : &it->second;
  };
  if (auto* v = get("FOLDER")) options.folder = TrimSpace(*v);
  if (auto* v = get("DBMS")) options.dbms = *v;
  if (auto* v = get("DATABASE"); v && !TrimSpace(*v).empty()) options.database = TrimSpace(*v);
  if (auto* v = get("UID")) generic.user = *v;
  if (auto* v = get("MULTRESULTS")) options.multipleResults = YesNo("MULTRESULTS", *v);
  if (auto* v = get("NOTOTAL")) generic.noTotal = YesNo("NOTOTAL", *v);
  if (auto* v = get("HIDE")) {
    std::string name;
    for (std::size_t i = 0; i <= v->size(); ++i) {
      if (i < v->size() && (*v)[i] != ',') {
        name += (*v)[i];
        continue;
      }
      name = TrimSpace(name);
      if (!name.empty()) {
        const SQLUSMALLINT id = FunctionId(name);
        if (!id) throw Fail("HY000", "Unknown function \"" + name + "\" in HIDE.");
        generic.hidden.insert(id);
      }
      name.clear();
    }
  }
  return options;
}

}  // namespace orva::testdriver
