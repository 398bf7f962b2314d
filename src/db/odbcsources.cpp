#include "db/odbcsources.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <string_view>

#include "db/dbexception.h"
#include "db/drivercharset.h"
#include "db/odbcenv.h"

namespace orva {
namespace {

// Registered names are short; a longer one is cut at this size by the driver
// manager rather than overrunning anything.
constexpr SQLSMALLINT kNameBuffer = 1024;

std::string Text(const DriverCharset& charset, const SQLCHAR* buffer, SQLSMALLINT length) {
  const size_t used = std::clamp<SQLSMALLINT>(length, 0, kNameBuffer - 1);
  return charset.ToGbk(std::string_view(reinterpret_cast<const char*>(buffer), used));
}

}  // namespace

std::vector<std::string> InstalledDrivers() {
  std::vector<std::string> drivers;
  const DriverCharset charset = DriverCharset::FromSettings();
  SQLHENV env = SharedEnvironment();
  SQLCHAR description[kNameBuffer];
  SQLCHAR attributes[kNameBuffer];
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLSMALLINT descriptionLength = 0, attributesLength = 0;
    SQLRETURN rc = SQLDrivers(env, direction, description, kNameBuffer, &descriptionLength, attributes,
                              kNameBuffer, &attributesLength);
    if (!Succeeded(rc)) break;
    drivers.push_back(Text(charset, description, descriptionLength));
    direction = SQL_FETCH_NEXT;
  }
  return drivers;
}

std::vector<DataSourceEntry> DataSources() {
  std::vector<DataSourceEntry> sources;
  const DriverCharset charset = DriverCharset::FromSettings();
  SQLHENV env = SharedEnvironment();
  SQLCHAR name[kNameBuffer];
  SQLCHAR description[kNameBuffer];
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLSMALLINT nameLength = 0, descriptionLength = 0;
    SQLRETURN rc =
        SQLDataSources(env, direction, name, kNameBuffer, &nameLength, description, kNameBuffer, &descriptionLength);
    if (!Succeeded(rc)) break;
    sources.push_back({Text(charset, name, nameLength), Text(charset, description, descriptionLength)});
    direction = SQL_FETCH_NEXT;
  }
  return sources;
}

}  // namespace orva
