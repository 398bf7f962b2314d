#pragma once
// The character set in which a driver exchanges character data. Everything
// inside ORVA is GBK; texts are converted only here, at the driver boundary.
// Pure ASCII is the same in every supported set and passes unconverted.

#include <string>
#include <string_view>

namespace orva {

class DriverCharset {
 public:
  explicit DriverCharset(std::string name = "UTF-8");

  // The set named by "DriverCharset" in section "Setting", UTF-8 when unset.
  static DriverCharset FromSettings();

  const std::string& Name() const { return m_name; }
  bool IsGbk() const { return m_isGbk; }

  std::string ToDriver(std::string_view gbk) const;
  std::string ToGbk(std::string_view driverText) const;
  // Converts into an existing string so that its storage is reused.
  void AssignGbk(std::string& out, const char* driverText, size_t length) const;

 private:
  std::string m_name;
  bool m_isGbk = false;
};

}  // namespace orva
