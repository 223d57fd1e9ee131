#include "Support/DeviceName.hpp"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace amberloom {

bool isBlankName(std::string_view name) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(name.data());
  const auto length = static_cast<int32_t>(name.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    if (c < 0) return false;  // not UTF-8: its bytes are shown somehow
    if (!u_isUWhiteSpace(c) && !u_iscntrl(c) && !u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT))
      return false;
  }
  return true;
}

std::string shownDeviceName(const std::optional<std::string>& name, const std::string& deviceID) {
  if (!name) return deviceID;
  return isBlankName(*name) ? std::string(kUnnamedMac) : *name;
}

}  // namespace amberloom
