#include "Account/MachineIdentity.hpp"

#include <sodium.h>

#include <cstdio>
#include <stdexcept>

#include "Platform/MachineIdentity.hpp"
#include "Support/Log.hpp"

namespace amberloom {
namespace {

// A version-4 UUID in upper-case 8-4-4-4-12 form.
std::string randomUUID() {
  if (sodium_init() < 0) throw std::runtime_error("no random source");
  unsigned char b[16];
  randombytes_buf(b, sizeof b);
  b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);
  b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);
  char text[37];
  std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1],
                b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
  return text;
}

}  // namespace

std::string MachineIdentity::hardwareID() {
  return hardwareID(platform::machineUUID(), *StoreUserDefaults::standard());
}

std::string MachineIdentity::hardwareID(const std::optional<std::string>& platformUUID, UserDefaults& defaults) {
  if (platformUUID) return *platformUUID;
  if (auto fallback = defaults.stringValue(fallbackKey)) return *fallback;
  std::string fresh = randomUUID();
  try {
    defaults.setString(fresh, fallbackKey);
  } catch (const std::exception&) {
    // The identifier never fails; an unstorable fallback only lasts for this run.
    log::dropped(log::Area::account, "The fallback hardware identifier " + fresh + " cannot be stored");
  }
  return fresh;
}

}  // namespace amberloom
