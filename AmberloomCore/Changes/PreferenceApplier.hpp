#pragma once
// The batch writer: changes a set of settings at once (a recipe, a repair, settings copied from
// another Mac, putting everything back before removal). It captures an undo snapshot first,
// writes or resets each setting, reads each back from outside, records the confirmed ones and
// collects the apps to restart. It never stops at a failing setting and never throws.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Changes/IntentLog.hpp"
#include "Changes/SettingsService.hpp"
#include "Changes/SnapshotService.hpp"
#include "Changes/WriteReport.hpp"
#include "Preferences/ExternalVerifier.hpp"

namespace amberloom {

struct BatchItem {
  SettingDefinition setting;
  std::optional<PreferenceValue> value;  // none: reset the setting
};

class PreferenceApplier {
 public:
  PreferenceApplier(SettingsService service, DomainResolver resolver, SnapshotService snapshots,
                    std::optional<IntentLog> intents)
      : service_(std::move(service)), resolver_(std::move(resolver)), snapshots_(std::move(snapshots)),
        intents_(std::move(intents)) {}

  // Where no two items share a root key, the items of each domain are written in one go (one
  // replace of its file) and read back with one read from outside; otherwise as applyInOrder.
  // Either way the outcomes, the files and the change history come out the same.
  WriteReport apply(const std::vector<BatchItem>& items, const ExternalPreferenceReader& reader,
                    std::vector<std::string> alreadyMatching = {}, std::vector<std::string> skippedPinned = {}) const;
  // Each item written, read back and recorded before the next.
  WriteReport applyInOrder(const std::vector<BatchItem>& items, const ExternalPreferenceReader& reader,
                           std::vector<std::string> alreadyMatching = {},
                           std::vector<std::string> skippedPinned = {}) const;
  // Restores the snapshot and checks every entry from outside, then puts the change history back
  // (see takeBackHistory).
  UndoReport undo(const Snapshot& snapshot, const std::vector<SettingDefinition>& forgetting,
                  const ExternalPreferenceReader& reader,
                  const std::optional<std::vector<PriorIntent>>& priorIntents = std::nullopt) const;

  // apply in steps, for a caller that acts between them: the report before any write (the undo
  // snapshot of every root the items touch, the change history of their settings, the two lists),
  // then the writes into it. `write` says whether any root may have changed: false only when every
  // write failed or put back what its root held.
  WriteReport begin(const std::vector<BatchItem>& items, std::vector<std::string> alreadyMatching = {},
                    std::vector<std::string> skippedPinned = {}) const;
  bool write(const std::vector<BatchItem>& items, const ExternalPreferenceReader& reader, WriteReport& begun) const;
  // undo in steps: the snapshot restored and checked from outside; then the change history. The
  // batch's `priorIntents` (WriteReport::priorIntents) go back into the history, except for a
  // setting among `forgetting` whose root did not go back, and no other record is touched.
  // Without them (an undo point stored before points kept them), of the `forgetting` settings it
  // forgets the recorded choice of each whose value no longer equals it; a setting the restore
  // left at the user's choice (a nested key under a restored root, a failed restore) keeps its
  // record.
  UndoReport restore(const Snapshot& snapshot, const ExternalPreferenceReader& reader) const;
  void takeBackHistory(const UndoReport& restored, const std::vector<SettingDefinition>& forgetting,
                       const std::optional<std::vector<PriorIntent>>& priorIntents) const;

  // The same applier for one batch: its service, snapshots and read-back share one resolver
  // (this applier's) that looks for each domain's container once (see
  // DomainResolver::rememberingContainers).
  PreferenceApplier forOneBatch() const;

  const SettingsService& service() const { return service_; }
  const SnapshotService& snapshots() const { return snapshots_; }
  const std::optional<IntentLog>& intents() const { return intents_; }

  // The setting's value as another process sees it (Night Shift through a second run).
  std::optional<PreferenceValue> externalValue(const SettingDefinition& setting,
                                               const ExternalPreferenceReader& reader) const;
  std::optional<PreferenceValue> externalValue(const std::vector<std::string>& path, const ResolvedDomain& domain,
                                               const ExternalPreferenceReader& reader) const;

 private:
  struct ByDomain;

  bool writeInOrder(const std::vector<BatchItem>& items, const ExternalPreferenceReader& reader,
                    WriteReport& report) const;
  // The batch in one write per preference file: planned (Night Shift written at once), each
  // domain's roots written, every written root read back, then the outcomes reported. `roots`:
  // each item's root that goes through its domain's file, in the items' order.
  bool writeByDomain(const std::vector<BatchItem>& items, const ExternalPreferenceReader& reader,
                     WriteReport& report, std::vector<RootKey> roots) const;
  void plan(ByDomain& batch, const ExternalPreferenceReader& reader) const;
  void writeDomains(ByDomain& batch) const;
  void readBack(ByDomain& batch, const ExternalPreferenceReader& reader) const;
  void report(const ByDomain& batch, WriteReport& report) const;

  SettingsService service_;
  DomainResolver resolver_;
  SnapshotService snapshots_;
  std::optional<IntentLog> intents_;
};

}  // namespace amberloom
