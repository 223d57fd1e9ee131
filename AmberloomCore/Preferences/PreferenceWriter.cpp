#include "Preferences/PreferenceWriter.hpp"

#include "Platform/BinaryPropertyList.hpp"

namespace amberloom {

PreferenceWriteError PreferenceWriteError::pathBlockedByNonDictionary(std::vector<std::string> path) {
  const auto text = describe::enumCase("pathBlockedByNonDictionary", {{"path", describe::textList(path)}});
  return PreferenceWriteError(Case::pathBlockedByNonDictionary, std::move(path), text);
}

PreferenceWriteError PreferenceWriteError::emptyPath() { return PreferenceWriteError(Case::emptyPath, {}, "emptyPath"); }

PreferenceWriteError PreferenceWriteError::rootNotRepresentable(std::vector<std::string> path) {
  const auto text = describe::enumCase("rootNotRepresentable", {{"path", describe::textList(path)}});
  return PreferenceWriteError(Case::rootNotRepresentable, std::move(path), text);
}

PreferenceWriteError PreferenceWriteError::pathTooDeep(std::vector<std::string> path) {
  const auto text = describe::enumCase("pathTooDeep", {{"path", describe::textList(path)}});
  return PreferenceWriteError(Case::pathTooDeep, std::move(path), text);
}

namespace {

PreferenceValue merge(const PreferenceValue& value, const std::optional<PreferenceValue>& into,
                      std::span<const std::string> remaining, std::vector<std::string> consumed) {
  if (remaining.empty()) return value;
  PreferenceValue::Dictionary working;
  if (into) {
    if (into->kind() != PreferenceValue::Kind::dictionary)
      throw PreferenceWriteError::pathBlockedByNonDictionary(std::move(consumed));
    working = into->asDictionary();
  }
  const std::string& key = remaining.front();
  std::optional<PreferenceValue> child;
  if (const auto found = working.find(key); found != working.end()) child = found->second;
  consumed.push_back(key);
  working.insert_or_assign(key, merge(value, child, remaining.subspan(1), std::move(consumed)));
  return PreferenceValue::dictionary(std::move(working));
}

}  // namespace

void PreferenceWriter::write(const PreferenceValue& value, const std::string& key, const ResolvedDomain& domain) const {
  store_->write(value, key, domain);
}

PreferenceValue PreferenceWriter::merged(const PreferenceValue& value, const std::vector<std::string>& path,
                                         const std::optional<PreferenceValue>& root, bool rootExists) {
  // A root that reads as none but exists holds something we cannot represent; replacing it with
  // a fresh dictionary would silently drop all its members.
  if (!root && rootExists) throw PreferenceWriteError::rootNotRepresentable({path.front()});
  // No file could hold the nesting such a path makes, and merging it would recurse once a key.
  if (path.size() > platform::kMaxPropertyListDepth) throw PreferenceWriteError::pathTooDeep({path.front()});
  return merge(value, root, std::span<const std::string>(path).subspan(1), {path.front()});
}

void PreferenceWriter::write(const PreferenceValue& value, const std::vector<std::string>& path,
                             const ResolvedDomain& domain) const {
  if (path.empty()) throw PreferenceWriteError::emptyPath();
  if (path.size() == 1) {
    store_->write(value, path.front(), domain);
    return;
  }
  const std::string& rootKey = path.front();
  const auto root = store_->read(rootKey, domain);
  const auto* probe = dynamic_cast<const PreferenceKeyProbing*>(store_.get());
  // Merged again where the store writes its file, so a key another process put under the same
  // root meanwhile is kept.
  const KeyWrite write{rootKey, merged(value, path, root, !root && probe && probe->keyExists(rootKey, domain)),
                       [value, path](const std::optional<PreferenceValue>& current, bool exists) {
                         return std::optional(KeyWrite{path.front(), merged(value, path, current, exists)});
                       }};
  if (const auto error = store_->writeKeys({write}, domain).front()) std::rethrow_exception(error);
}

}  // namespace amberloom
