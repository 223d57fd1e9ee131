#include "Support/Json.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "Platform/TextEncoding.hpp"

namespace amberloom {
namespace {

// The bytes one byte of a text takes once written: itself, a two-byte escape, or "\u00XX".
std::size_t writtenLength(unsigned char c) {
  if (c >= 0x20 && c != '"' && c != '\\' && c != '/') return 1;
  return c >= 0x20 || c == '\n' || c == '\r' || c == '\t' || c == '\b' || c == '\f' ? 2 : 6;
}

void writeString(std::string& out, std::string_view text) {
  // Most texts written (keys, ids, domains, build numbers) are plain ASCII that needs no escape:
  // they are copied at once, without the check for well-formed UTF-8 that no such text can fail.
  static constexpr auto plain = [] {
    std::array<bool, 256> table{};
    for (int c = 0x20; c < 0x80; ++c) table[c] = c != '"' && c != '\\' && c != '/';
    return table;
  }();
  if (std::all_of(text.begin(), text.end(), [](char c) { return plain[static_cast<unsigned char>(c)]; })) {
    const std::size_t at = out.size();
    out.resize(at + text.size() + 2);
    char* const written = out.data() + at;
    written[0] = '"';
    std::copy(text.begin(), text.end(), written + 1);
    written[text.size() + 1] = '"';
    return;
  }
  if (!platform::isValidUtf8(text)) throw JsonWriteError("text that is not well-formed UTF-8 cannot be written as JSON");
  static const char hex[] = "0123456789abcdef";
  out.push_back('"');
  const char* run = text.data();  // the start of the bytes copied as they are
  const char* const end = text.data() + text.size();
  for (const char* at = run; at < end; ++at) {
    const unsigned char c = static_cast<unsigned char>(*at);
    if (writtenLength(c) == 1) continue;
    out.append(run, at);
    run = at + 1;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '/': out += "\\/"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        out += "\\u00";
        out.push_back(hex[c >> 4]);
        out.push_back(hex[c & 15]);
    }
  }
  out.append(run, end);
  out.push_back('"');
}

void writeDouble(std::string& out, double v) {
  if (!std::isfinite(v)) throw JsonWriteError("Invalid number value (" + std::to_string(v) + ") in JSON write");
  char buffer[64];
  char* end;
  // -0.0 keeps its sign, which a plain 0 would lose.
  if (v == 0 && std::signbit(v)) return out.append("-0.0"), void();
  if (v == std::floor(v) && std::fabs(v) < 9007199254740992.0)
    end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(v)).ptr;
  else
    end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
  out.append(buffer, end);
}

void newline(std::string& out, JsonStyle style, int depth) {
  if (style == JsonStyle::pretty) {
    out.push_back('\n');
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
  }
}

void write(std::string& out, const Json& value, JsonStyle style, int depth) {
  switch (value.type()) {
    case Json::value_t::null: out += "null"; break;
    case Json::value_t::boolean: out += value.get<bool>() ? "true" : "false"; break;
    case Json::value_t::number_integer: out += std::to_string(value.get<std::int64_t>()); break;
    case Json::value_t::number_unsigned: out += std::to_string(value.get<std::uint64_t>()); break;
    case Json::value_t::number_float: writeDouble(out, value.get<double>()); break;
    case Json::value_t::string: writeString(out, value.get_ref<const std::string&>()); break;
    case Json::value_t::object: {
      if (value.empty()) {
        out += "{}";
        break;
      }
      out.push_back('{');
      bool first = true;
      for (const auto& [key, member] : value.items()) {  // std::map order: sorted keys
        if (!first) out.push_back(',');
        first = false;
        newline(out, style, depth + 1);
        writeString(out, key);
        out += style == JsonStyle::pretty ? " : " : ":";
        write(out, member, style, depth + 1);
      }
      newline(out, style, depth);
      out.push_back('}');
      break;
    }
    case Json::value_t::array: {
      if (value.empty()) {
        out += "[]";
        break;
      }
      out.push_back('[');
      for (std::size_t i = 0; i < value.size(); ++i) {
        if (i) out.push_back(',');
        newline(out, style, depth + 1);
        write(out, value[i], style, depth + 1);
      }
      newline(out, style, depth);
      out.push_back(']');
      break;
    }
    default: throw JsonWriteError("value cannot be written as JSON");
  }
}

std::string typeName(const Json& value) {
  switch (value.type()) {
    case Json::value_t::null: return "null";
    case Json::value_t::boolean: return "a boolean";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return "a number";
    case Json::value_t::string: return "a string";
    case Json::value_t::object: return "a dictionary";
    case Json::value_t::array: return "an array";
    default: return "something else";
  }
}

[[noreturn]] void mismatch(const Json& value, const CodingPath& path, const std::string& expected) {
  if (value.is_null())
    throw DecodingError(DecodingError::Kind::valueNotFound, path, "Expected " + expected + " value but found null instead.");
  throw DecodingError(DecodingError::Kind::typeMismatch, path,
                      "Expected to decode " + expected + " but found " + typeName(value) + " instead.");
}

// Whether arrays and objects in the JSON text are nested more than `limit` deep; brackets inside
// strings do not count. Malformed text is left to the parser.
bool nestedDeeperThan(std::string_view text, std::size_t limit) {
  std::size_t depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return true;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return false;
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) { writeString(out, text); }

std::size_t jsonStringLength(std::string_view text) {
  std::size_t length = 2;
  for (const char c : text) length += writtenLength(static_cast<unsigned char>(c));
  return length;
}

void JsonTextWriter::separate() {
  if (afterValue_) out_.push_back(',');
}

JsonTextWriter& JsonTextWriter::beginObject() {
  separate();
  out_.push_back('{');
  afterValue_ = false;
  return *this;
}

JsonTextWriter& JsonTextWriter::endObject() {
  out_.push_back('}');
  afterValue_ = true;
  return *this;
}

JsonTextWriter& JsonTextWriter::beginArray() {
  separate();
  out_.push_back('[');
  afterValue_ = false;
  return *this;
}

JsonTextWriter& JsonTextWriter::endArray() {
  out_.push_back(']');
  afterValue_ = true;
  return *this;
}

JsonTextWriter& JsonTextWriter::key(std::string_view name) {
  separate();
  writeString(out_, name);
  out_.push_back(':');
  afterValue_ = false;
  return *this;
}

JsonTextWriter& JsonTextWriter::string(std::string_view text) {
  separate();
  writeString(out_, text);
  afterValue_ = true;
  return *this;
}

JsonTextWriter& JsonTextWriter::integer(std::int64_t value) {
  separate();
  char buffer[24];
  out_.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
  afterValue_ = true;
  return *this;
}

JsonTextWriter& JsonTextWriter::number(double value) {
  separate();
  writeDouble(out_, value);
  afterValue_ = true;
  return *this;
}

JsonTextWriter& JsonTextWriter::boolean(bool value) {
  separate();
  out_ += value ? "true" : "false";
  afterValue_ = true;
  return *this;
}

JsonTextWriter& JsonTextWriter::written(std::string_view json) {
  separate();
  out_.append(json);
  afterValue_ = true;
  return *this;
}

std::string writeJson(const Json& value, JsonStyle style) {
  std::string out;
  write(out, value, style, 0);
  return out;
}

DecodingError::DecodingError(Kind kind, std::vector<std::string> codingPath, std::string debugDescription)
    : std::runtime_error(debugDescription), kind_(kind), codingPath_(std::move(codingPath)),
      debugDescription_(std::move(debugDescription)) {}

Json parseJson(std::string_view text) {
  if (nestedDeeperThan(text, kMaxJsonDepth))
    throw DecodingError(DecodingError::Kind::dataCorrupted, {}, "The given data was not valid JSON.");
  try {
    return Json::parse(text.begin(), text.end());
  } catch (const Json::exception& error) {
    throw DecodingError(DecodingError::Kind::dataCorrupted, {}, "The given data was not valid JSON.");
  }
}

CodingPath appending(const CodingPath& path, std::string key) {
  CodingPath next = path;
  next.push_back(std::move(key));
  return next;
}

std::string indexKey(std::size_t index) { return "Index " + std::to_string(index); }

CodingPath appending(const CodingPath& path, std::size_t index) { return appending(path, indexKey(index)); }

const Json& requireObject(const Json& value, const CodingPath& path) {
  if (!value.is_object()) mismatch(value, path, "Dictionary<String, Any>");
  return value;
}

const Json& requireArray(const Json& value, const CodingPath& path) {
  if (!value.is_array()) mismatch(value, path, "Array<Any>");
  return value;
}

const Json& member(const Json& object, const std::string& key, const CodingPath& path) {
  requireObject(object, path);
  const auto found = object.find(key);
  if (found == object.end())
    throw DecodingError(DecodingError::Kind::keyNotFound, path, "No value associated with key \"" + key + "\".");
  return *found;
}

const Json* optionalMember(const Json& object, const std::string& key) {
  if (!object.is_object()) return nullptr;
  const auto found = object.find(key);
  if (found == object.end() || found->is_null()) return nullptr;
  return &*found;
}

std::string decodeString(const Json& value, const CodingPath& path) {
  if (!value.is_string()) mismatch(value, path, "String");
  return value.get<std::string>();
}

bool decodeBool(const Json& value, const CodingPath& path) {
  if (!value.is_boolean()) mismatch(value, path, "Bool");
  return value.get<bool>();
}

std::int64_t decodeInt(const Json& value, const CodingPath& path) {
  // nlohmann counts unsigned numbers as integers too, so they are checked first: a number above
  // the signed range must fail, never wrap to a negative one.
  if (value.is_number_unsigned()) {
    const auto v = value.get<std::uint64_t>();
    if (v <= static_cast<std::uint64_t>(INT64_MAX)) return static_cast<std::int64_t>(v);
  } else if (value.is_number_integer()) {
    return value.get<std::int64_t>();
  } else if (value.is_number_float()) {
    // The platform decoder takes a number written with a fraction when it is a whole number.
    const double v = value.get<double>();
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 9.2e18) return static_cast<std::int64_t>(v);
  }
  if (value.is_number())
    throw DecodingError(DecodingError::Kind::dataCorrupted, path,
                        "Parsed JSON number <" + value.dump() + "> does not fit in Int64.");
  mismatch(value, path, "Int64");
}

double decodeDouble(const Json& value, const CodingPath& path) {
  if (!value.is_number()) mismatch(value, path, "Double");
  return value.get<double>();
}

std::vector<std::string> decodeStringArray(const Json& value, const CodingPath& path) {
  requireArray(value, path);
  std::vector<std::string> result;
  result.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) result.push_back(decodeString(value[i], appending(path, i)));
  return result;
}

std::string requiredString(const Json& object, const std::string& key, const CodingPath& path) {
  return decodeString(member(object, key, path), appending(path, key));
}

std::optional<std::string> optionalString(const Json& object, const std::string& key, const CodingPath& path) {
  if (const Json* v = optionalMember(object, key)) return decodeString(*v, appending(path, key));
  return std::nullopt;
}

bool optionalBool(const Json& object, const std::string& key, const CodingPath& path) {
  if (const Json* v = optionalMember(object, key)) return decodeBool(*v, appending(path, key));
  return false;
}

}  // namespace amberloom
