#pragma once
// What loading a document ends in, as one comparable text: "loaded N", the typed error's
// description, or "decoding <kind> at /<coding path>".

#include <string>

#include "Support/Json.hpp"

namespace amberloom::testing {

inline std::string decodingFailure(const DecodingError& error) {
  static const char* kinds[] = {"typeMismatch", "valueNotFound", "keyNotFound", "dataCorrupted"};
  std::string where;
  for (const auto& key : error.codingPath()) where += "/" + key;
  return std::string("decoding ") + kinds[static_cast<int>(error.kind())] + " at " + where;
}

// `load` returns the number of items loaded.
template <typename Error, typename Load>
std::string loadOutcome(Load&& load) {
  try {
    return "loaded " + std::to_string(load());
  } catch (const Error& error) {
    return error.what();
  } catch (const DecodingError& error) {
    return decodingFailure(error);
  }
}

}  // namespace amberloom::testing
