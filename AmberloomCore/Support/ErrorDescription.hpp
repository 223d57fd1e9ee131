#pragma once
// The text of an error as users and stored reports see it: the case name, then its payload in
// parentheses, each element with its label where the case labels it — the way the original
// platform describes an enumeration case (`pathBlockedByNonDictionary(path: ["a"])`).

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace amberloom::describe {

// The module name that prefixes the system's own types.
inline constexpr std::string_view kModule = "AmberloomCore";

std::string text(std::string_view value);                       // "a \"b\"" with backslash escapes
std::string integer(std::int64_t value);                        // 42
std::string real(double value);                                 // 1.0, 0.1, 1e-07
std::string boolean(bool value);                                // true / false
std::string list(const std::vector<std::string>& described);    // [a, b]
std::string textList(const std::vector<std::string>& values);   // ["a", "b"]
std::string enumValue(std::string_view type, std::string_view caseName);  // AmberloomCore.T.c

struct Field {
  std::optional<std::string> label;  // none for an unlabelled payload element
  std::string described;
};
// `name` alone, or `name(label: value, value)`.
std::string enumCase(std::string_view name, const std::vector<Field>& payload = {});
// AmberloomCore.Type(label: value, ...)
std::string structure(std::string_view type, const std::vector<Field>& fields);

}  // namespace amberloom::describe

namespace amberloom {

// Base of the system's typed errors: `what()` is the error's description as above.
class DescribedError : public std::runtime_error {
 public:
  explicit DescribedError(const std::string& description) : std::runtime_error(description) {}
  std::string description() const { return what(); }
};

}  // namespace amberloom
