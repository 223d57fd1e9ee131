#pragma once
// What every fuzzing target shares: the input as text, a scratch folder of its own, and a check
// that stops the run (as a crash, with the input saved) when a promise of the code is broken.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "Support/Json.hpp"
#include "Support/Sha256.hpp"

namespace amberloom::fuzz {

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A folder for files the target reads back, made once per process (in memory where the system
// offers it) and never left behind by a normal end.
inline const std::string& scratchFolder() {
  // Kept for the life of the process: the clean-up at exit still needs it.
  static const std::string* folder = [] {
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::string pattern = (base / "amberloom-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    std::atexit([] { std::filesystem::remove_all(scratchFolder()); });
    return new std::string(pattern);
  }();
  return *folder;
}

// Replaces the scratch file `name` with `bytes` (no flush to disk: nothing here must survive).
inline std::string writeScratchFile(const std::string& name, std::string_view bytes) {
  const std::string path = scratchFolder() + "/" + name;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  return path;
}

// `bytes` as JSON with "checksum" set to the SHA-256 of the compact text `summed` makes of it: a
// changed byte rarely keeps a checksum right, so this lets the checks after it be tried too. None
// when the bytes do not decode that far.
template <class Summed>
std::optional<std::string> withFittingChecksum(std::string_view bytes, Summed summed) {
  try {
    Json json = parseJson(bytes);
    json["checksum"] = sha256Hex(writeJson(summed(json), JsonStyle::compact));
    return writeJson(json);
  } catch (const DecodingError&) {
  } catch (const JsonWriteError&) {
  }
  return std::nullopt;
}

inline void require(bool condition, const char* promise) {
  if (condition) return;
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

}  // namespace amberloom::fuzz
