#pragma once
// The system's one JSON writer and the decoding errors of its JSON readers.
//
// Writing follows the platform conventions every stored file relies on: keys sorted, "/" written
// as "\/", integral doubles without a fraction, pretty printing (two spaces, " : ") only where
// asked, and a non-finite double or text that is not UTF-8 refused with an error rather than
// written as null or raw bytes.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace amberloom {

using Json = nlohmann::json;

enum class JsonStyle { compact, pretty };

class JsonWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws JsonWriteError for a non-finite number or text that is not well-formed UTF-8.
std::string writeJson(const Json& value, JsonStyle style = JsonStyle::compact);
// Appends `text` as one JSON string, written as writeJson writes it: for a large text made piece by
// piece into a buffer sized beforehand. Throws JsonWriteError for text that is not well-formed UTF-8.
void appendJsonString(std::string& out, std::string_view text);
// The bytes that writing well-formed UTF-8 `text` as one JSON string takes, quotes included.
std::size_t jsonStringLength(std::string_view text);

// Writes compact JSON straight into a text, byte for byte as writeJson(tree, JsonStyle::compact)
// writes the tree of the same values, without building the tree: a batch's undo point and change
// history hold thousands of small objects, and building, copying and freeing their trees cost
// more than the text itself. The caller gives the members of an object in the order of their
// keys, as writeJson sorts them. Throws JsonWriteError where writeJson would; `out` then holds
// part of the text.
class JsonTextWriter {
 public:
  explicit JsonTextWriter(std::string& out) : out_(out) {}

  JsonTextWriter& beginObject();
  JsonTextWriter& endObject();
  JsonTextWriter& beginArray();
  JsonTextWriter& endArray();
  // The next member's key; its value follows.
  JsonTextWriter& key(std::string_view name);
  JsonTextWriter& string(std::string_view text);
  JsonTextWriter& integer(std::int64_t value);
  JsonTextWriter& number(double value);
  JsonTextWriter& boolean(bool value);
  // A value already written as compact JSON, taken as it is.
  JsonTextWriter& written(std::string_view json);

 private:
  // The comma before a value or key that follows another in the same array or object.
  void separate();

  std::string& out_;
  bool afterValue_ = false;
};

// A failure to read a document: the kind of failure, where it happened and what went wrong.
class DecodingError : public std::runtime_error {
 public:
  enum class Kind { typeMismatch, valueNotFound, keyNotFound, dataCorrupted };
  DecodingError(Kind kind, std::vector<std::string> codingPath, std::string debugDescription);

  Kind kind() const { return kind_; }
  const std::vector<std::string>& codingPath() const { return codingPath_; }
  const std::string& debugDescription() const { return debugDescription_; }
  bool operator==(const DecodingError& other) const {
    return kind_ == other.kind_ && codingPath_ == other.codingPath_ && debugDescription_ == other.debugDescription_;
  }

 private:
  Kind kind_;
  std::vector<std::string> codingPath_;
  std::string debugDescription_;
};

// The deepest nesting of arrays and objects a document may have: room for a preference value
// nested as deep as a property list may be (each level is two here) inside its document.
inline constexpr std::size_t kMaxJsonDepth = 2 * 512 + 32;

// Parses JSON text; malformed text, or text nested deeper than kMaxJsonDepth, is a dataCorrupted
// DecodingError at the root.
Json parseJson(std::string_view text);

// Where a value sits inside the document being read, for error reports.
using CodingPath = std::vector<std::string>;
CodingPath appending(const CodingPath& path, std::string key);
CodingPath appending(const CodingPath& path, std::size_t index);
std::string indexKey(std::size_t index);  // how an array index appears in a path: "Index 3"

// Typed reads that throw the decoder's errors: typeMismatch for the wrong JSON type,
// valueNotFound for null, keyNotFound for a missing required member.
const Json& member(const Json& object, const std::string& key, const CodingPath& path);  // required
const Json* optionalMember(const Json& object, const std::string& key);                  // absent or null: nullptr
const Json& requireObject(const Json& value, const CodingPath& path);
const Json& requireArray(const Json& value, const CodingPath& path);
std::string decodeString(const Json& value, const CodingPath& path);
bool decodeBool(const Json& value, const CodingPath& path);
std::int64_t decodeInt(const Json& value, const CodingPath& path);
double decodeDouble(const Json& value, const CodingPath& path);
std::vector<std::string> decodeStringArray(const Json& value, const CodingPath& path);

// A member read with its key appended to the coding path: required (throws when absent) or
// optional (absent or null gives none, or false for a flag).
std::string requiredString(const Json& object, const std::string& key, const CodingPath& path);
std::optional<std::string> optionalString(const Json& object, const std::string& key, const CodingPath& path);
bool optionalBool(const Json& object, const std::string& key, const CodingPath& path);

}  // namespace amberloom
