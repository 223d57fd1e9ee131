#include "Preferences/NightShiftClient.hpp"

#include <cstring>

#include "Platform/BlueLightClient.hpp"

namespace amberloom {

std::optional<NightShiftClient> NightShiftClient::create() {
  auto client = platform::BlueLightClient::create();
  if (!client) return std::nullopt;
  return NightShiftClient(std::shared_ptr<const platform::BlueLightClient>(std::move(client)));
}

bool NightShiftClient::isAvailable() { return create().has_value(); }

std::optional<bool> NightShiftClient::isEnabled() const {
  std::uint8_t record[platform::BlueLightClient::kStatusRecordSize];
  std::memset(record, 0, sizeof record);
  if (!client_->getBlueLightStatus(record)) return std::nullopt;
  return record[1] != 0;  // only the enabled flag at byte 1 matters
}

bool NightShiftClient::setEnabled(bool enabled) const { return client_->setEnabled(enabled); }

}  // namespace amberloom
