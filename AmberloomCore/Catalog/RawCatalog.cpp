#include "Catalog/RawCatalog.hpp"

#include <array>
#include <utility>

namespace amberloom {

RawCatalog RawCatalog::read(std::string_view bytes) {
  if (auto records = readWellFormed(bytes)) return std::move(*records);
  return decode(bytes);
}

// ---- from the JSON tree ----

namespace {

SettingTextLevel textLevel(std::string_view text) {
  // An unknown level is basic, not an error.
  return text == "advanced" ? SettingTextLevel::advanced : text == "expert" ? SettingTextLevel::expert : SettingTextLevel::basic;
}

std::optional<Version> optionalVersion(const Json& object, const char* key, const CodingPath& path) {
  if (const Json* v = optionalMember(object, key)) return Version::fromJson(*v, appending(path, key));
  return std::nullopt;
}

SettingText decodeText(const Json& json, const CodingPath& path) {
  requireObject(json, path);
  SettingText text;
  text.summary = requiredString(json, "summary", path);
  text.whyHidden = requiredString(json, "whyHidden", path);
  text.level = textLevel(requiredString(json, "level", path));
  text.category = requiredString(json, "category", path);
  text.categoryName = requiredString(json, "categoryName", path);
  text.subcategory = optionalString(json, "subcategory", path);
  text.subcategoryName = optionalString(json, "subcategoryName", path);
  text.riskNote = optionalString(json, "riskNote", path);
  return text;
}

RawSetting decodeSetting(const Json& json, const CodingPath& path) {
  requireObject(json, path);
  RawSetting raw;
  raw.id = requiredString(json, "id", path);
  raw.domain = requiredString(json, "domain", path);
  raw.path = decodeStringArray(member(json, "path", path), appending(path, "path"));
  raw.type = requiredString(json, "type", path);
  raw.label = requiredString(json, "label", path);
  raw.byHost = optionalBool(json, "byHost", path);
  if (const Json* v = optionalMember(json, "restart")) raw.restart = decodeStringArray(*v, appending(path, "restart"));
  raw.osMin = optionalVersion(json, "osMin", path);
  raw.osMax = optionalVersion(json, "osMax", path);
  raw.minAppVersion = optionalVersion(json, "minAppVersion", path);
  if (const Json* v = optionalMember(json, "brokenOn")) {
    const auto brokenPath = appending(path, "brokenOn");
    requireArray(*v, brokenPath);
    for (std::size_t i = 0; i < v->size(); ++i) raw.brokenOn.push_back(Version::fromJson((*v)[i], appending(brokenPath, i)));
  }
  if (const Json* v = optionalMember(json, "control")) raw.control = RawControlSpec::fromJson(*v, appending(path, "control"));
  raw.channel = optionalString(json, "channel", path);
  raw.effectUnverified = optionalBool(json, "effectUnverified", path);
  raw.systemWritten = optionalBool(json, "systemWritten", path);
  raw.asksBeforeSync = optionalBool(json, "asksBeforeSync", path);
  if (const Json* v = optionalMember(json, "text")) raw.text = decodeText(*v, appending(path, "text"));
  raw.exposure = optionalString(json, "exposure", path);
  raw.risk = optionalString(json, "risk", path);
  raw.tier = optionalString(json, "tier", path);
  return raw;
}

}  // namespace

RawCatalog RawCatalog::decode(std::string_view bytes) {
  const Json document = parseJson(bytes);
  const CodingPath root;
  requireObject(document, root);
  RawCatalog catalog;
  catalog.schemaVersion = decodeInt(member(document, "schemaVersion", root), {"schemaVersion"});
  if (const Json* v = optionalMember(document, "catalogVersion")) catalog.catalogVersion = decodeInt(*v, {"catalogVersion"});
  const Json& settings = requireArray(member(document, "settings", root), {"settings"});
  catalog.settings.reserve(settings.size());
  for (std::size_t i = 0; i < settings.size(); ++i)
    catalog.settings.push_back(decodeSetting(settings[i], appending(CodingPath{"settings"}, i)));
  return catalog;
}

// ---- from the parser's events ----

namespace {

// The objects and lists of a catalogue file.
enum class Frame { top, settingList, setting, text, control, choiceList, option, slider, stringList, versionList };

// The known keys of those objects; a key's number is its bit in the object's record of keys seen.
enum Key : int {
  unknown = -1,
  // top level
  schemaVersion = 0, catalogVersion, settings,
  // a setting
  id = 0, domain, path, type, label, byHost, restart, osMin, osMax, minAppVersion, brokenOn, control, channel,
  effectUnverified, systemWritten, text, exposure, risk, tier, asksBeforeSync,
  // its texts
  summary = 0, whyHidden, level, category, categoryName, subcategory, subcategoryName, riskNote,
  // its control, one choice option, a slider range
  choice = 0, slider,
  value = 0, optionLabel,
  min = 0, max, step,
};

template <std::size_t N>
int find(const std::array<std::string_view, N>& names, std::string_view name) {
  for (std::size_t i = 0; i < N; ++i)
    if (names[i] == name) return static_cast<int>(i);
  return unknown;
}

int keyOf(Frame frame, std::string_view name) {
  static constexpr std::array<std::string_view, 3> top = {"schemaVersion", "catalogVersion", "settings"};
  static constexpr std::array<std::string_view, 20> setting = {
      "id",      "domain",   "path",    "type",      "label",         "byHost", "restart",
      "osMin",   "osMax",    "minAppVersion", "brokenOn", "control",  "channel", "effectUnverified",
      "systemWritten", "text", "exposure", "risk", "tier", "asksBeforeSync"};
  static constexpr std::array<std::string_view, 8> text = {"summary",         "whyHidden",      "level",
                                                          "category",        "categoryName",   "subcategory",
                                                          "subcategoryName", "riskNote"};
  static constexpr std::array<std::string_view, 2> control = {"choice", "slider"};
  static constexpr std::array<std::string_view, 2> option = {"value", "label"};
  static constexpr std::array<std::string_view, 3> slider = {"min", "max", "step"};
  switch (frame) {
    case Frame::top: return find(top, name);
    case Frame::setting: return find(setting, name);
    case Frame::text: return find(text, name);
    case Frame::control: return find(control, name);
    case Frame::option: return find(option, name);
    case Frame::slider: return find(slider, name);
    default: return unknown;
  }
}

constexpr std::uint32_t bit(int key) { return std::uint32_t{1} << key; }
constexpr std::uint32_t bits(std::initializer_list<int> keys) {
  std::uint32_t all = 0;
  for (int key : keys) all |= bit(key);
  return all;
}

// Builds the records from the events of a well-formed file. Every handler answers false, which
// stops the parser, at anything the tree decoder would not take as it stands.
class EventReader final : public nlohmann::json_sax<Json> {
 public:
  std::optional<RawCatalog> result;

  bool null() override { return scalar(Json(nullptr)); }
  bool boolean(bool v) override { return scalar(Json(v)); }
  bool number_integer(number_integer_t v) override { return scalar(Json(v)); }
  bool number_unsigned(number_unsigned_t v) override { return scalar(Json(v)); }
  bool number_float(number_float_t v, const string_t&) override { return scalar(Json(v)); }
  bool binary(binary_t&) override { return false; }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

  bool key(string_t& name) override {
    if (skipDepth_ > 0) return true;
    Open& object = open_.back();
    pending_ = keyOf(object.frame, name);
    if (pending_ == unknown) return true;
    if (object.seen & bit(pending_)) return false;  // a repeated key: the tree keeps the last one
    object.seen |= bit(pending_);
    return true;
  }

  bool string(string_t& v) override {
    if (skipDepth_ > 0) return true;
    if (open_.empty()) return false;
    switch (open_.back().frame) {
      case Frame::top: return pending_ == unknown;
      case Frame::setting: return settingText(v);
      case Frame::text: return textText(v);
      case Frame::control: return pending_ == unknown;
      case Frame::option:
        if (pending_ == value) optionValue_.emplace(v);
        else if (pending_ == optionLabel) optionLabel_ = v;
        return true;
      case Frame::slider: return pending_ == unknown;
      case Frame::stringList: strings_->push_back(v); return true;
      case Frame::versionList: return appendVersion(setting_.brokenOn, v);
      case Frame::settingList:
      case Frame::choiceList: return false;
    }
    return false;
  }

  bool start_object(std::size_t) override {
    if (skipDepth_ > 0) return descendSkipped();
    if (open_.empty()) return push(Frame::top);
    switch (open_.back().frame) {
      case Frame::settingList:
        setting_ = {};
        return push(Frame::setting);
      case Frame::choiceList:
        optionValue_.reset();
        optionLabel_.clear();
        return push(Frame::option);
      case Frame::setting:
        if (pending_ == text) {
          text_ = {};
          return push(Frame::text);
        }
        if (pending_ == control) {
          control_ = {};
          return push(Frame::control);
        }
        break;
      case Frame::control:
        if (pending_ == slider) {
          range_ = {};
          return push(Frame::slider);
        }
        break;
      default: break;
    }
    return skipUnknown();
  }

  bool start_array(std::size_t) override {
    if (skipDepth_ > 0) return descendSkipped();
    if (open_.empty()) return false;
    switch (open_.back().frame) {
      case Frame::top:
        if (pending_ == settings) return push(Frame::settingList);
        break;
      case Frame::setting:
        if (pending_ == path) return pushStrings(setting_.path);
        if (pending_ == restart) return pushStrings(setting_.restart);
        if (pending_ == brokenOn) return push(Frame::versionList);
        break;
      case Frame::control:
        if (pending_ == choice) {
          control_.choice.emplace();
          return push(Frame::choiceList);
        }
        break;
      default: break;
    }
    return skipUnknown();
  }

  bool end_object() override {
    if (skipDepth_ > 0) return leaveSkipped();
    const Open object = open_.back();
    open_.pop_back();
    const auto has = [&](std::uint32_t required) { return (object.seen & required) == required; };
    switch (object.frame) {
      case Frame::top:
        if (!has(bits({schemaVersion, settings}))) return false;
        result = std::move(catalog_);
        return true;
      case Frame::setting:
        if (!has(bits({id, domain, path, type, label}))) return false;
        catalog_.settings.push_back(std::move(setting_));
        return true;
      case Frame::text:
        if (!has(bits({summary, whyHidden, level, category, categoryName}))) return false;
        setting_.text = std::move(text_);
        return true;
      case Frame::control: setting_.control = std::move(control_); return true;
      case Frame::option:
        if (!has(bits({value, optionLabel}))) return false;
        control_.choice->push_back({std::move(*optionValue_), std::move(optionLabel_)});
        return true;
      case Frame::slider:
        if (!has(bits({min, max}))) return false;
        control_.slider = range_;
        return true;
      default: return false;
    }
  }

  bool end_array() override {
    if (skipDepth_ > 0) return leaveSkipped();
    open_.pop_back();
    return true;
  }

 private:
  struct Open {
    Frame frame;
    std::uint32_t seen = 0;
  };

  bool push(Frame frame) {
    open_.push_back({frame});
    pending_ = unknown;
    return true;
  }

  bool pushStrings(std::vector<std::string>& target) {
    strings_ = &target;
    return push(Frame::stringList);
  }

  bool descendSkipped() {
    ++skipDepth_;
    return true;
  }

  bool leaveSkipped() {
    --skipDepth_;
    return true;
  }

  // The value of an unknown key is passed over whole; any other unexpected container stops.
  bool skipUnknown() {
    if (open_.empty() || pending_ != unknown) return false;
    const Frame frame = open_.back().frame;
    if (frame == Frame::settingList || frame == Frame::choiceList || frame == Frame::stringList ||
        frame == Frame::versionList)
      return false;
    skipDepth_ = 1;
    return true;
  }

  // Null, a boolean or a number.
  bool scalar(const Json& v) {
    if (skipDepth_ > 0) return true;
    if (open_.empty()) return false;
    const bool isNull = v.is_null();
    try {
      switch (open_.back().frame) {
        case Frame::top:
          if (pending_ == schemaVersion) {
            if (isNull) return false;
            catalog_.schemaVersion = decodeInt(v, {});
          } else if (pending_ == catalogVersion && !isNull) {
            catalog_.catalogVersion = decodeInt(v, {});
          }
          return pending_ != settings;
        case Frame::setting:
          switch (pending_) {
            case unknown: return true;
            case byHost: return flag(v, setting_.byHost);
            case effectUnverified: return flag(v, setting_.effectUnverified);
            case systemWritten: return flag(v, setting_.systemWritten);
            case asksBeforeSync: return flag(v, setting_.asksBeforeSync);
            case restart: case osMin: case osMax: case minAppVersion: case brokenOn: case control: case channel:
            case text: case exposure: case risk: case tier: return isNull;
            default: return false;
          }
        case Frame::text:
          return pending_ == unknown || (isNull && (pending_ == subcategory || pending_ == subcategoryName || pending_ == riskNote));
        case Frame::control: return pending_ == unknown || isNull;
        case Frame::option:
          if (pending_ == value) optionValue_.emplace(RawScalar::fromJson(v));
          return pending_ != optionLabel;
        case Frame::slider:
          if (pending_ == min) range_.min = decodeDouble(v, {});
          else if (pending_ == max) range_.max = decodeDouble(v, {});
          else if (pending_ == step && !isNull) range_.step = decodeDouble(v, {});
          return true;
        default: return false;
      }
    } catch (const DecodingError&) {
      return false;
    }
  }

  static bool flag(const Json& v, bool& field) {
    if (v.is_boolean()) field = v.get<bool>();
    return v.is_boolean() || v.is_null();
  }

  static bool appendVersion(std::vector<Version>& versions, const std::string& text) {
    auto version = Version::parse(text);
    if (version) versions.push_back(std::move(*version));
    return version.has_value();
  }

  static bool setVersion(std::optional<Version>& field, const std::string& text) {
    field = Version::parse(text);
    return field.has_value();
  }

  bool settingText(const std::string& v) {
    switch (pending_) {
      case unknown: return true;
      case id: setting_.id = v; return true;
      case domain: setting_.domain = v; return true;
      case type: setting_.type = v; return true;
      case label: setting_.label = v; return true;
      case osMin: return setVersion(setting_.osMin, v);
      case osMax: return setVersion(setting_.osMax, v);
      case minAppVersion: return setVersion(setting_.minAppVersion, v);
      case control: setting_.control = RawControlSpec{v, std::nullopt, std::nullopt}; return true;
      case channel: setting_.channel = v; return true;
      case exposure: setting_.exposure = v; return true;
      case risk: setting_.risk = v; return true;
      case tier: setting_.tier = v; return true;
      default: return false;
    }
  }

  bool textText(const std::string& v) {
    switch (pending_) {
      case unknown: return true;
      case summary: text_.summary = v; return true;
      case whyHidden: text_.whyHidden = v; return true;
      case level: text_.level = textLevel(v); return true;
      case category: text_.category = v; return true;
      case categoryName: text_.categoryName = v; return true;
      case subcategory: text_.subcategory = v; return true;
      case subcategoryName: text_.subcategoryName = v; return true;
      case riskNote: text_.riskNote = v; return true;
      default: return false;
    }
  }

  std::vector<Open> open_;
  int pending_ = unknown;  // the key whose value comes next
  int skipDepth_ = 0;      // depth inside the value of an unknown key
  RawCatalog catalog_;
  RawSetting setting_;
  SettingText text_;
  RawControlSpec control_;
  std::optional<RawScalar> optionValue_;
  std::string optionLabel_;
  RawControlSpec::RawRange range_;
  std::vector<std::string>* strings_ = nullptr;
};

}  // namespace

std::optional<RawCatalog> RawCatalog::readWellFormed(std::string_view bytes) {
  EventReader reader;
  if (!Json::sax_parse(bytes.begin(), bytes.end(), &reader) || !reader.result) return std::nullopt;
  return std::move(reader.result);
}

}  // namespace amberloom
