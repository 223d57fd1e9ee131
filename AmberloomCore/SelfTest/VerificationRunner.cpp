#include "SelfTest/VerificationRunner.hpp"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>

#include "Changes/SettingsService.hpp"

namespace amberloom {

// ---- results and their JSON forms ----

VerificationResult VerificationResult::mismatch(std::optional<PreferenceValue> expected,
                                                std::optional<PreferenceValue> actual) {
  VerificationResult result(Kind::mismatch);
  result.expected_ = std::move(expected);
  result.actual_ = std::move(actual);
  return result;
}

VerificationResult VerificationResult::writeFailed(std::string errorText) {
  VerificationResult result(Kind::writeFailed);
  result.errorText_ = std::move(errorText);
  return result;
}

VerificationResult VerificationResult::inconclusive(PreferenceValue value) {
  VerificationResult result(Kind::inconclusive);
  result.value_ = std::move(value);
  return result;
}

namespace {
constexpr std::array kAllKinds{VerificationResult::Kind::pass,
                               VerificationResult::Kind::mismatch,
                               VerificationResult::Kind::writeFailed,
                               VerificationResult::Kind::missingTestValue,
                               VerificationResult::Kind::measuredElsewhere,
                               VerificationResult::Kind::inconclusive};
}  // namespace

const char* VerificationResult::kindName(Kind kind) {
  switch (kind) {
    case Kind::pass: return "pass";
    case Kind::mismatch: return "mismatch";
    case Kind::writeFailed: return "writeFailed";
    case Kind::missingTestValue: return "missingTestValue";
    case Kind::measuredElsewhere: return "measuredElsewhere";
    case Kind::inconclusive: return "inconclusive";
  }
  return "";
}

Json VerificationResult::toJson() const {
  Json payload = Json::object();
  switch (kind_) {
    case Kind::mismatch:
      if (expected_) payload["expected"] = expected_->toJson();
      if (actual_) payload["actual"] = actual_->toJson();
      break;
    case Kind::writeFailed: payload["_0"] = errorText_; break;
    case Kind::inconclusive: payload["value"] = value_->toJson(); break;
    case Kind::pass:
    case Kind::missingTestValue:
    case Kind::measuredElsewhere: break;
  }
  return Json{{kindName(kind_), std::move(payload)}};
}

VerificationResult VerificationResult::fromJson(const Json& json, const CodingPath& path) {
  requireObject(json, path);
  std::optional<Kind> found;
  int caseKeys = 0;
  for (const Kind kind : kAllKinds) {
    if (json.contains(kindName(kind))) {
      found = kind;
      ++caseKeys;
    }
  }
  if (caseKeys != 1)
    throw DecodingError(DecodingError::Kind::typeMismatch, path, "Invalid number of keys found, expected one.");

  const auto payloadPath = appending(path, kindName(*found));
  const Json& payload = requireObject(json.at(kindName(*found)), payloadPath);
  switch (*found) {
    case Kind::mismatch: {
      std::optional<PreferenceValue> expected, actual;
      if (const Json* v = optionalMember(payload, "expected"))
        expected = PreferenceValue::fromJson(*v, appending(payloadPath, "expected"));
      if (const Json* v = optionalMember(payload, "actual"))
        actual = PreferenceValue::fromJson(*v, appending(payloadPath, "actual"));
      return mismatch(std::move(expected), std::move(actual));
    }
    case Kind::writeFailed:
      return writeFailed(requiredString(payload, "_0", payloadPath));
    case Kind::inconclusive:
      return inconclusive(
          PreferenceValue::fromJson(member(payload, "value", payloadPath), appending(payloadPath, "value")));
    case Kind::pass:
    case Kind::missingTestValue:
    case Kind::measuredElsewhere: break;
  }
  return VerificationResult(*found);
}

Json VerificationOutcome::toJson() const {
  return Json{{"settingID", settingID}, {"storagePath", storagePath}, {"result", result.toJson()}};
}

VerificationOutcome VerificationOutcome::fromJson(const Json& json, const CodingPath& path) {
  return VerificationOutcome{
      requiredString(json, "settingID", path),
      requiredString(json, "storagePath", path),
      VerificationResult::fromJson(member(json, "result", path), appending(path, "result")),
  };
}

Json ApplyReport::toJson() const {
  Json outcomeList = Json::array();
  for (const auto& outcome : outcomes) outcomeList.push_back(outcome.toJson());
  return Json{
      {"snapshot", snapshot.toJson()}, {"outcomes", std::move(outcomeList)}, {"restartTargets", restartTargets}};
}

ApplyReport ApplyReport::fromJson(const Json& json, const CodingPath& path) {
  ApplyReport report;
  report.snapshot = Snapshot::fromJson(member(json, "snapshot", path), appending(path, "snapshot"));
  const auto outcomesPath = appending(path, "outcomes");
  const Json& list = requireArray(member(json, "outcomes", path), outcomesPath);
  for (std::size_t i = 0; i < list.size(); ++i)
    report.outcomes.push_back(VerificationOutcome::fromJson(list[i], appending(outcomesPath, i)));
  report.restartTargets = decodeStringArray(member(json, "restartTargets", path), appending(path, "restartTargets"));
  return report;
}

// ---- the runner ----

VerificationRunner::VerificationRunner(SettingsCatalog catalog, VerificationValues values, DomainResolver resolver,
                                       PreferenceStoreRef store, std::shared_ptr<const ExternalPreferenceReader> reader,
                                       PreferenceFileLocator locator, std::string homeDirectory)
    : catalog_(std::move(catalog)),
      values_(std::move(values)),
      resolver_(resolver),
      writer_(store),
      snapshots_(store, std::move(resolver)),
      reader_(std::move(reader)),
      locator_(std::move(locator)),
      homeDirectory_(std::move(homeDirectory)) {}

namespace {

VerificationResult withoutTestValue(const SettingDefinition& setting) {
  const bool container = setting.type == SettingValueType::dictionary || setting.type == SettingValueType::array;
  return container ? VerificationResult::measuredElsewhere() : VerificationResult::missingTestValue();
}

VerificationResult compare(const PreferenceValue& expected, std::optional<PreferenceValue> seen) {
  if (seen && *seen == expected) return VerificationResult::pass();
  return VerificationResult::mismatch(expected, std::move(seen));
}

// Whether the snapshot found the root key holding something it could not capture.
bool rootIsUnreadable(const Snapshot& snapshot, const SettingRef& root) {
  return std::any_of(snapshot.entries.begin(), snapshot.entries.end(),
                     [&](const SnapshotEntry& entry) { return entry.ref == root && entry.isUnreadable; });
}

std::string joined(const std::vector<std::string>& path) {
  std::string text;
  for (std::size_t i = 0; i < path.size(); ++i) text += (i ? "." : "") + path[i];
  return text;
}

}  // namespace

std::vector<const SettingDefinition*> VerificationRunner::settings(
    const std::optional<std::vector<std::string>>& ids) const {
  std::vector<const SettingDefinition*> selected;
  if (!ids) {
    for (const auto& setting : catalog_.settings()) selected.push_back(&setting);
  } else {
    for (const auto& id : *ids)
      if (const auto* setting = catalog_.setting(id)) selected.push_back(setting);
  }
  std::erase_if(selected, [](const SettingDefinition* s) { return s->channel != SettingChannel::defaults; });
  return selected;
}

Snapshot VerificationRunner::captureAll(const std::vector<const SettingDefinition*>& settings) const {
  std::vector<SettingRef> roots;
  ExactRefSet seen;
  for (const auto* setting : settings) {
    if (setting->ref.path.empty()) continue;
    auto root = setting->ref.root();
    if (seen.insert(root).second) roots.push_back(std::move(root));
  }
  return snapshots_.capture(roots);
}

std::optional<PreferenceValue> VerificationRunner::externalValue(const std::vector<std::string>& path,
                                                                 const ResolvedDomain& domain) const {
  if (path.empty()) return std::nullopt;
  return valueAlongPath(reader_->read(path.front(), domain), path);
}

VerificationOutcome VerificationRunner::applyOne(const SettingDefinition& setting, const Snapshot& before) const {
  const auto domain = resolver_.resolve(setting.ref.domain, setting.ref.byHost);
  VerificationOutcome outcome{setting.id, locator_.path(domain), VerificationResult::pass()};

  const auto testValue = values_.value(setting.id);
  if (!testValue) {
    outcome.result = withoutTestValue(setting);
    return outcome;
  }
  const auto expected = testValue->resolvedValue(homeDirectory_);

  const auto already = externalValue(setting.ref.path, domain);
  if (already && *already == expected) {
    outcome.result = VerificationResult::inconclusive(expected);
    return outcome;
  }

  // A root the snapshot could not capture could never be put back by `restore`: replacing it,
  // even with a one-key write that needs no merge, would lose the user's value for good.
  if (!setting.ref.path.empty() && rootIsUnreadable(before, setting.ref.root())) {
    outcome.result = VerificationResult::writeFailed(
        PreferenceWriteError::rootNotRepresentable({setting.ref.path.front()}).description());
    return outcome;
  }

  try {
    writer_.write(expected, setting.ref.path, domain);
  } catch (const std::exception& error) {
    outcome.result = VerificationResult::writeFailed(error.what());
    return outcome;
  }
  outcome.result = compare(expected, externalValue(setting.ref.path, domain));
  return outcome;
}

ApplyReport VerificationRunner::apply(const std::optional<std::vector<std::string>>& settingIDs) const {
  const auto selected = settings(settingIDs);
  ApplyReport report;
  report.snapshot = captureAll(selected);

  for (const auto* setting : selected) {
    auto outcome = applyOne(*setting, report.snapshot);
    const auto kind = outcome.result.kind();
    if (kind == VerificationResult::Kind::pass || kind == VerificationResult::Kind::mismatch) {
      for (const auto& app : setting->restartsApps)
        if (std::find(report.restartTargets.begin(), report.restartTargets.end(), app) == report.restartTargets.end())
          report.restartTargets.push_back(app);
    }
    report.outcomes.push_back(std::move(outcome));
  }
  return report;
}

std::vector<VerificationOutcome> VerificationRunner::recheck(const ApplyReport& report) const {
  std::vector<std::string> ids;
  ids.reserve(report.outcomes.size());
  for (const auto& outcome : report.outcomes) ids.push_back(outcome.settingID);

  std::vector<VerificationOutcome> outcomes;
  for (const auto* setting : settings(ids)) {
    const auto domain = resolver_.resolve(setting->ref.domain, setting->ref.byHost);
    VerificationOutcome outcome{setting->id, locator_.path(domain), VerificationResult::pass()};
    if (const auto testValue = values_.value(setting->id))
      outcome.result = compare(testValue->resolvedValue(homeDirectory_), externalValue(setting->ref.path, domain));
    else
      outcome.result = withoutTestValue(*setting);
    outcomes.push_back(std::move(outcome));
  }
  return outcomes;
}

std::vector<VerificationOutcome> VerificationRunner::restore(const Snapshot& snapshot) const {
  std::unordered_map<SettingRef, std::string> idByRef;
  for (const auto& setting : catalog_.settings()) idByRef.emplace(setting.ref, setting.id);  // the first one wins

  std::vector<VerificationOutcome> outcomes;
  for (const auto& entry : snapshot.entries) {
    const auto domain = resolver_.resolve(entry.ref.domain, entry.ref.byHost);
    const auto named = idByRef.find(entry.ref);
    VerificationOutcome outcome{named != idByRef.end() ? named->second : joined(entry.ref.path), locator_.path(domain),
                                VerificationResult::pass()};
    try {
      snapshots_.restore(Snapshot{{entry}});
    } catch (const std::exception& error) {
      outcome.result = VerificationResult::writeFailed(error.what());
      outcomes.push_back(std::move(outcome));
      continue;
    }
    if (!entry.ref.path.empty()) {
      auto seen = reader_->read(entry.ref.path.front(), domain);
      if (seen != entry.rootValue) outcome.result = VerificationResult::mismatch(entry.rootValue, std::move(seen));
    }
    outcomes.push_back(std::move(outcome));
  }
  return outcomes;
}

}  // namespace amberloom
