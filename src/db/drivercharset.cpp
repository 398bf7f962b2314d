#include "db/drivercharset.h"

#include <strings.h>

#include "platform/codec.h"
#include "platform/profile.h"

namespace orva {

DriverCharset::DriverCharset(std::string name) : m_name(std::move(name)) {
  if (m_name.empty()) m_name = "UTF-8";
  const char* n = m_name.c_str();
  m_isGbk = strcasecmp(n, "GBK") == 0 || strcasecmp(n, "CP936") == 0 || strcasecmp(n, "GB2312") == 0 ||
            strcasecmp(n, "GB18030") == 0;
}

DriverCharset DriverCharset::FromSettings() {
  return DriverCharset(GetProfileText("Setting", "DriverCharset", "UTF-8"));
}

std::string DriverCharset::ToDriver(std::string_view gbk) const {
  if (m_isGbk || IsAscii(gbk)) return std::string(gbk);
  return ConvertCharset(gbk, "GBK", m_name.c_str());
}

std::string DriverCharset::ToGbk(std::string_view driverText) const {
  if (m_isGbk || IsAscii(driverText)) return std::string(driverText);
  return ConvertCharset(driverText, m_name.c_str(), "GBK");
}

void DriverCharset::AssignGbk(std::string& out, const char* driverText, size_t length) const {
  std::string_view text(driverText, length);
  if (m_isGbk || IsAscii(text))
    out.assign(driverText, length);
  else
    out = ConvertCharset(text, m_name.c_str(), "GBK");
}

}  // namespace orva
