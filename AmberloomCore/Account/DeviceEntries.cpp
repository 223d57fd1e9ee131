#include "Account/DeviceEntries.hpp"

#include <algorithm>

#include "Platform/PreferenceFiles.hpp"
#include "Preferences/CFPreferenceStore.hpp"
#include "Support/Log.hpp"

namespace amberloom {

DeviceEntries::DeviceEntries(UserDefaultsRef store, std::function<void()> discard)
    : store_(std::move(store)), discard_(std::move(discard)) {}

DeviceEntries DeviceEntries::standard() {
  return DeviceEntries(std::make_shared<StoreUserDefaults>(std::make_shared<CFPreferenceStore>(),
                                                           std::function<bool()>{}, domain),
                       [] { platform::PreferenceFiles::live().removeDomain(domain, false); });
}

DeviceEntries::Record DeviceEntries::read() const {
  Record record;
  const auto stored = store_->value(key);
  if (!stored || stored->kind() != PreferenceValue::Kind::dictionary) return record;
  for (const auto& [server, ids] : stored->asDictionary()) {
    if (ids.kind() != PreferenceValue::Kind::array) continue;
    auto& held = record[server];
    for (const auto& id : ids.asArray())
      if (id.kind() == PreferenceValue::Kind::string && !id.asString().empty()) held.push_back(id.asString());
    if (held.empty()) record.erase(server);
  }
  return record;
}

void DeviceEntries::write(const Record& record) const noexcept {
  try {
    if (record.empty()) {
      if (discard_)
        discard_();
      else
        store_->remove(key);
      return;
    }
    PreferenceValue::Dictionary servers;
    for (const auto& [server, ids] : record) {
      PreferenceValue::Array members;
      for (const auto& id : ids) members.push_back(PreferenceValue::string(id));
      servers.emplace(server, PreferenceValue::array(std::move(members)));
    }
    store_->set(PreferenceValue::dictionary(std::move(servers)), key);
  } catch (const std::exception& error) {
    log::warning(log::Area::account,
                 std::string("This Mac's entries on its accounts cannot be recorded: ") + error.what());
  }
}

std::vector<std::string> DeviceEntries::at(const std::string& server) const {
  auto record = read();
  const auto found = record.find(server);
  return found == record.end() ? std::vector<std::string>{} : std::move(found->second);
}

std::vector<std::string> DeviceEntries::all() const {
  std::vector<std::string> ids;
  for (auto& [server, held] : read()) ids.insert(ids.end(), held.begin(), held.end());
  return ids;
}

void DeviceEntries::add(const std::string& server, const std::string& id) const noexcept {
  if (id.empty()) return;
  auto record = read();
  auto& held = record[server];
  if (!held.empty() && held.back() == id) return;  // already the newest: nothing to write
  std::erase(held, id);
  held.push_back(id);
  if (held.size() > keptPerServer) held.erase(held.begin(), held.end() - keptPerServer);
  write(record);
}

void DeviceEntries::forget(const std::vector<std::string>& ids) const noexcept {
  auto record = read();
  bool changed = false;
  for (auto it = record.begin(); it != record.end();) {
    changed |= std::erase_if(it->second, [&](const std::string& id) {
                 return std::find(ids.begin(), ids.end(), id) != ids.end();
               }) > 0;
    it = it->second.empty() ? record.erase(it) : std::next(it);
  }
  if (changed) write(record);
}

}  // namespace amberloom
