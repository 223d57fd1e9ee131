#include "Support/WaitLimit.hpp"

#include <cstdlib>
#include <string_view>

namespace amberloom {

std::chrono::milliseconds waitLimit(const char* variable, std::chrono::milliseconds standard) {
  constexpr long long longest = 7LL * 24 * 60 * 60 * 1000;
  const char* text = std::getenv(variable);
  if (!text || !*text) return standard;
  long long milliseconds = 0;
  for (const char c : std::string_view(text)) {
    if (c < '0' || c > '9') return standard;
    milliseconds = milliseconds * 10 + (c - '0');
    if (milliseconds > longest) return standard;
  }
  if (milliseconds == 0) return standard;
  return std::chrono::milliseconds(milliseconds);
}

}  // namespace amberloom
