#include <gtest/gtest.h>

#include "Support/Json.hpp"

using namespace amberloom;
using namespace std::string_literals;

// A text written piece by piece into a buffer of its own, and its length known beforehand, are
// exactly what the JSON writer makes of it.
TEST(JsonString, AppendedAndMeasuredAsTheWriterWritesIt) {
  const std::string texts[] = {
      "",
      "plain",
      "https://example.com/a \"quoted\" \\ back",
      "\b\f\n\r\t\x01\x1f\x7f"s + '\0',
      "caf\xC3\xA9 \xF0\x9F\x98\x80",
      std::string(100'000, '/'),
      R"({"checksum":"c","intents":{"k":{"string":"a/b"}}})",
  };
  for (const auto& text : texts) {
    const std::string written = writeJson(Json(text));
    std::string out = "[";
    appendJsonString(out, text);
    EXPECT_EQ(out, "[" + written) << text.substr(0, 40);
    EXPECT_EQ(jsonStringLength(text), written.size()) << text.substr(0, 40);
  }
  std::string out = "kept";
  EXPECT_THROW(appendJsonString(out, "bad \xC3"), JsonWriteError);
}
