#pragma once
// Failures the code handles without showing them (an error dropped, a fall-back taken) and notes
// for whoever looks into a fault. The core does not know where they go: the application installs
// a sink that hands them to its own logging. With no sink installed, warnings go to standard error,
// one line each ("amberloom.core.<area>: <message>"), and notes and debug lines are dropped, so
// that a headless run or a test still shows a dropped error and never floods its output.
//
// The sink is one for the whole process, like standard error itself. Any thread: the sink is
// called on the thread that logs, one message at a time. Logging never throws.

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace amberloom::log {

enum class Level { debug, info, warning };

// The part of the core a message comes from; a sink may route each to a category of its own.
enum class Area { preferences, catalog, changes, backup, sync, account, upkeep, support };

// "preferences", "catalog", ...: the area's name in category names.
std::string_view name(Area area) noexcept;

using Sink = std::function<void(Level level, Area area, std::string_view message)>;

// Sends every later message of this process to `sink` (none: back to standard error) and returns
// the sink it replaces.
Sink setSink(Sink sink);

void write(Level level, Area area, std::string_view message) noexcept;
inline void debug(Area area, std::string_view message) noexcept { write(Level::debug, area, message); }
inline void info(Area area, std::string_view message) noexcept { write(Level::info, area, message); }
inline void warning(Area area, std::string_view message) noexcept { write(Level::warning, area, message); }

// The text of `error` for a log line: its what(), or a note that it is no std::exception.
std::string errorText(const std::exception_ptr& error);

// A line about the error being handled by dropping it, called inside its catch block:
// "<doing>: <the error's text>". A warning, unless the failure is an expected one (an answer that
// does not parse, a file that is not there) that only a closer look needs.
void dropped(Area area, std::string_view doing, Level level = Level::warning) noexcept;

}  // namespace amberloom::log
