#include "Catalog/ManualGuide.hpp"

#include <unordered_set>

#include "Preferences/BundledResource.hpp"
#include "Support/Json.hpp"

namespace amberloom {

std::string_view rawValue(ManualSection::ReasonKind kind) {
  return kind == ManualSection::ReasonKind::refused ? "refused" : "impossible";
}

std::optional<ManualSection::ReasonKind> manualReasonKind(std::string_view raw) {
  if (raw == "impossible") return ManualSection::ReasonKind::impossible;
  if (raw == "refused") return ManualSection::ReasonKind::refused;
  return std::nullopt;
}

// ---- errors ----

ManualGuideError ManualGuideError::emptySteps(std::string sectionID) {
  const auto text = describe::enumCase("emptySteps", {{"sectionID", describe::text(sectionID)}});
  return ManualGuideError(Case::emptySteps, std::move(sectionID), "", text);
}

ManualGuideError ManualGuideError::unknownReasonKind(std::string sectionID, std::string kind) {
  const auto text = describe::enumCase("unknownReasonKind",
                                       {{"sectionID", describe::text(sectionID)}, {"kind", describe::text(kind)}});
  return ManualGuideError(Case::unknownReasonKind, std::move(sectionID), std::move(kind), text);
}

ManualGuideError ManualGuideError::duplicateSectionID(std::string sectionID) {
  const auto text = describe::enumCase("duplicateSectionID", {{std::nullopt, describe::text(sectionID)}});
  return ManualGuideError(Case::duplicateSectionID, std::move(sectionID), "", text);
}

// ---- loading ----

namespace {

struct RawStep {
  std::string action, expectation;
};

struct RawSection {
  std::string id, title;
  std::optional<std::string> systemSettingsPath;
  std::string reason, reasonKind;
  std::vector<RawStep> steps;
  std::string verify;
  std::optional<std::string> note;
};

RawStep decodeStep(const Json& json, const CodingPath& path) {
  requireObject(json, path);
  return {requiredString(json, "do", path),
          requiredString(json, "see", path)};
}

RawSection decodeSection(const Json& json, const CodingPath& path) {
  requireObject(json, path);
  RawSection raw;
  raw.id = requiredString(json, "id", path);
  raw.title = requiredString(json, "title", path);
  raw.systemSettingsPath = optionalString(json, "systemSettingsPath", path);
  raw.reason = requiredString(json, "reason", path);
  raw.reasonKind = requiredString(json, "reasonKind", path);
  const CodingPath stepsPath = appending(path, "steps");
  const Json& steps = requireArray(member(json, "steps", path), stepsPath);
  for (std::size_t i = 0; i < steps.size(); ++i) raw.steps.push_back(decodeStep(steps[i], appending(stepsPath, i)));
  raw.verify = requiredString(json, "verify", path);
  raw.note = optionalString(json, "note", path);
  return raw;
}

ManualSection validate(RawSection raw, std::unordered_set<std::string>& ids) {
  if (!ids.insert(raw.id).second) throw ManualGuideError::duplicateSectionID(raw.id);
  const auto kind = manualReasonKind(raw.reasonKind);
  if (!kind) throw ManualGuideError::unknownReasonKind(raw.id, raw.reasonKind);
  if (raw.steps.empty()) throw ManualGuideError::emptySteps(raw.id);

  ManualSection section;
  section.id = std::move(raw.id);
  section.title = std::move(raw.title);
  section.systemSettingsPath = std::move(raw.systemSettingsPath);
  section.reason = std::move(raw.reason);
  section.reasonKind = *kind;
  for (auto& step : raw.steps) section.steps.push_back({std::move(step.action), std::move(step.expectation)});
  section.verify = std::move(raw.verify);
  section.note = std::move(raw.note);
  return section;
}

}  // namespace

ManualGuide ManualGuide::fromData(std::string_view bytes) {
  const Json document = parseJson(bytes);
  const CodingPath root;
  const std::string intro = requiredString(document, "intro", root);
  const CodingPath sectionsPath{"sections"};
  const Json& sectionsJson = requireArray(member(document, "sections", root), sectionsPath);

  // The whole file is decoded before any section is validated, so a decoding fault wins.
  std::vector<RawSection> raws;
  raws.reserve(sectionsJson.size());
  for (std::size_t i = 0; i < sectionsJson.size(); ++i)
    raws.push_back(decodeSection(sectionsJson[i], appending(sectionsPath, i)));

  std::unordered_set<std::string> ids;
  std::vector<ManualSection> sections;
  sections.reserve(raws.size());
  for (auto& raw : raws) sections.push_back(validate(std::move(raw), ids));
  return ManualGuide(intro, std::move(sections));
}

ManualGuide ManualGuide::bundled() { return fromData(BundledResource::data("manual_guide")); }

std::optional<ManualSection> ManualGuide::section(std::string_view id) const {
  for (const auto& section : sections_)
    if (section.id == id) return section;
  return std::nullopt;
}

}  // namespace amberloom
