#include "Support/Log.hpp"

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

namespace amberloom::log {

namespace {

// The process's sink; a function-local static so that logging works during static start-up too.
struct Installed {
  std::mutex mutex;
  Sink sink;
};

Installed& installed() {
  static Installed* const state = new Installed;  // never destroyed: threads may log while the process exits
  return *state;
}

}  // namespace

std::string errorText(const std::exception_ptr& error) {
  if (!error) return "no error";
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& caught) {
    return caught.what();
  } catch (...) {
    return "an error that is not a std::exception";
  }
}

std::string_view name(Area area) noexcept {
  switch (area) {
    case Area::preferences: return "preferences";
    case Area::catalog: return "catalog";
    case Area::changes: return "changes";
    case Area::backup: return "backup";
    case Area::sync: return "sync";
    case Area::account: return "account";
    case Area::upkeep: return "upkeep";
    case Area::support: return "support";
  }
  return "support";
}

Sink setSink(Sink sink) {
  auto& state = installed();
  const std::lock_guard lock(state.mutex);
  return std::exchange(state.sink, std::move(sink));
}

void write(Level level, Area area, std::string_view message) noexcept {
  auto& state = installed();
  const std::lock_guard lock(state.mutex);
  if (state.sink) {
    try {
      state.sink(level, area, message);
    } catch (...) {
      // A sink that fails has nowhere to say so.
    }
    return;
  }
  if (level != Level::warning) return;
  const std::string_view areaName = name(area);
  std::fprintf(stderr, "amberloom.core.%.*s: %.*s\n", static_cast<int>(areaName.size()), areaName.data(),
               static_cast<int>(message.size()), message.data());
}

void dropped(Area area, std::string_view doing, Level level) noexcept {
  try {
    std::string message(doing);
    message += ": ";
    message += errorText(std::current_exception());
    write(level, area, message);
  } catch (...) {
    write(level, area, doing);  // no memory for the whole line
  }
}

}  // namespace amberloom::log
