#pragma once
// The manual guide: the changes left to the user, either because macOS lets no application make
// them or because this application chooses not to. Each section says where the option lives in
// System Settings, why it is left to the user, the steps with what the user should then see, how
// to verify the result and an optional note. Loaded from the built-in "manual_guide" resource and
// validated whole (not against the catalogue): a faulty file gives an error, never a partial guide.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Support/ErrorDescription.hpp"

namespace amberloom {

struct ManualStep {
  std::string action;       // what to do (JSON "do"); also the step's identity
  std::string expectation;  // what the user should then see (JSON "see")

  const std::string& id() const { return action; }
  bool operator==(const ManualStep&) const = default;
};

struct ManualSection {
  enum class ReasonKind {
    impossible,  // macOS lets no application make this change
    refused,     // the application could make it and chooses not to
  };

  std::string id;
  std::string title;
  std::optional<std::string> systemSettingsPath;
  std::string reason;
  ReasonKind reasonKind = ReasonKind::impossible;
  std::vector<ManualStep> steps;
  std::string verify;
  std::optional<std::string> note;

  bool operator==(const ManualSection&) const = default;
};

// "impossible" / "refused".
std::string_view rawValue(ManualSection::ReasonKind kind);
// Exactly "impossible" or "refused" (case-sensitive, untrimmed); none otherwise.
std::optional<ManualSection::ReasonKind> manualReasonKind(std::string_view raw);

class ManualGuideError : public DescribedError {
 public:
  enum class Case { emptySteps, unknownReasonKind, duplicateSectionID };

  // emptySteps(sectionID: "id")
  static ManualGuideError emptySteps(std::string sectionID);
  // unknownReasonKind(sectionID: "id", kind: "text as found")
  static ManualGuideError unknownReasonKind(std::string sectionID, std::string kind);
  // duplicateSectionID("id")
  static ManualGuideError duplicateSectionID(std::string sectionID);

  Case errorCase() const { return case_; }
  const std::string& sectionID() const { return sectionID_; }
  const std::string& kind() const { return kind_; }  // empty except for unknownReasonKind
  bool operator==(const ManualGuideError& other) const {
    return case_ == other.case_ && sectionID_ == other.sectionID_ && kind_ == other.kind_;
  }

 private:
  ManualGuideError(Case c, std::string sectionID, std::string kind, const std::string& description)
      : DescribedError(description), case_(c), sectionID_(std::move(sectionID)), kind_(std::move(kind)) {}
  Case case_;
  std::string sectionID_;
  std::string kind_;
};

class ManualGuide {
 public:
  ManualGuide() = default;
  // Takes the sections as given, unchecked.
  ManualGuide(std::string intro, std::vector<ManualSection> sections)
      : intro_(std::move(intro)), sections_(std::move(sections)) {}

  // Reads a guide file. Throws DecodingError (the whole document is decoded first), then the
  // ManualGuideError of the first faulty section in file order; within a section a repeated id
  // wins over an unknown reason kind, which wins over an empty step list.
  static ManualGuide fromData(std::string_view bytes);
  // The built-in "manual_guide" resource; a missing resource throws ResourceError unchanged.
  static ManualGuide bundled();

  const std::string& intro() const { return intro_; }
  const std::vector<ManualSection>& sections() const { return sections_; }

  // The first section, in guide order, whose id equals `id` exactly.
  std::optional<ManualSection> section(std::string_view id) const;

 private:
  std::string intro_;
  std::vector<ManualSection> sections_;
};

}  // namespace amberloom
