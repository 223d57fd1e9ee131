#include "Support/ErrorDescription.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace amberloom::describe {

std::string text(std::string_view value) {
  std::string out = "\"";
  for (unsigned char c : value) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\0': out += "\\0"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          char buffer[12];
          std::snprintf(buffer, sizeof buffer, "\\u{%X}", c);
          out += buffer;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out + "\"";
}

std::string integer(std::int64_t value) { return std::to_string(value); }

std::string real(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buffer[64];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  std::string out(buffer, end);
  if (out.find_first_of(".en") == std::string::npos) out += ".0";
  return out;
}

std::string boolean(bool value) { return value ? "true" : "false"; }

std::string list(const std::vector<std::string>& described) {
  std::string out = "[";
  for (std::size_t i = 0; i < described.size(); ++i) out += (i ? ", " : "") + described[i];
  return out + "]";
}

std::string textList(const std::vector<std::string>& values) {
  std::vector<std::string> described;
  described.reserve(values.size());
  for (const auto& value : values) described.push_back(text(value));
  return list(described);
}

std::string enumValue(std::string_view type, std::string_view caseName) {
  return std::string(kModule) + "." + std::string(type) + "." + std::string(caseName);
}

namespace {
std::string fields(const std::vector<Field>& payload) {
  std::string out = "(";
  for (std::size_t i = 0; i < payload.size(); ++i) {
    if (i) out += ", ";
    if (payload[i].label) out += *payload[i].label + ": ";
    out += payload[i].described;
  }
  return out + ")";
}
}  // namespace

std::string enumCase(std::string_view name, const std::vector<Field>& payload) {
  return payload.empty() ? std::string(name) : std::string(name) + fields(payload);
}

std::string structure(std::string_view type, const std::vector<Field>& payload) {
  return std::string(kModule) + "." + std::string(type) + fields(payload);
}

}  // namespace amberloom::describe
