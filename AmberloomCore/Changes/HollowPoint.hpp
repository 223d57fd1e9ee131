#pragma once
// An undo point's file with its large members emptied, for listing points without building their
// entries: a point of a thousand settings is megabytes of JSON, yet a list shows only its id,
// reason, date and size. A single pass skips over the snapshot's entries and the change-history
// records (counting the entries) and keeps every other member as written, so the small text left
// decodes with the same rules as the whole file.
//
// The pass tells only what can be told without reading the skipped values: a file cut short,
// nested too deep, followed by other text, or whose entries are not a list of objects holds no
// point; damage inside an entry shows only when the whole file is decoded.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace amberloom {

struct HollowPoint {
  // The file's top-level object with "snapshot" as {"entries":[]} (or its members as written
  // when they are not an object holding a list) and "priorIntents" as [] when it is a list.
  std::string text;
  std::size_t entryCount = 0;  // the entries of the snapshot, as written
};

// None when the text is no JSON object of that shape as far as the pass can tell. Never throws.
std::optional<HollowPoint> hollowPoint(std::string_view text);

}  // namespace amberloom
