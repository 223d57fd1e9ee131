#pragma once
// How a Mac is named to the user. Its name comes from the Mac itself, from another Mac's backup or
// document, or from the account server, and any of them may hand over a name with nothing in it to
// read; such a Mac is still shown by a name, never by a blank.

#include <optional>
#include <string>
#include <string_view>

namespace amberloom {

// What a Mac whose name holds nothing readable is called.
inline constexpr const char* kUnnamedMac = "Unnamed Mac";

// Whether `name` shows nothing: empty, or only white space, control characters and characters
// that are drawn as nothing (zero-width spaces, joiners). Text that is not UTF-8 is not blank.
bool isBlankName(std::string_view name);

// The name when it shows something; kUnnamedMac for a name that shows nothing; the device ID when
// there is no name at all.
std::string shownDeviceName(const std::optional<std::string>& name, const std::string& deviceID);

}  // namespace amberloom
