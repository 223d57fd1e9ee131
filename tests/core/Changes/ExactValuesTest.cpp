// Every value comes back to the last bit through each place that keeps it on the way: the
// preference file, an undo point read back from disk, the take-back of that point, and a backup
// read back from its file.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Backup/BackupEnvelope.hpp"
#include "Changes/BatchTransaction.hpp"
#include "LivePreferences.hpp"

using namespace amberloom;
namespace th = amberloom::testing;

namespace {

using PV = PreferenceValue;

// Equal to the last bit: -0.0 is no 0.0, and a text is its bytes.
bool identical(const PV& a, const PV& b) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case PV::Kind::real: return std::bit_cast<std::uint64_t>(a.asDouble()) == std::bit_cast<std::uint64_t>(b.asDouble());
    case PV::Kind::date: return std::bit_cast<std::uint64_t>(a.asDate()) == std::bit_cast<std::uint64_t>(b.asDate());
    case PV::Kind::string: return a.asString() == b.asString();
    default: return a == b;
  }
}

class ExactValues : public ::testing::Test, protected th::LivePreferences {
 protected:
  const SettingRef ref{"com.example.values", {"value"}, false};
  IntentLog log{th::supportFile("intents.json"), "23F79"};
  SnapshotHistory points{SnapshotHistory::defaultFolder(th::home())};

  std::optional<PV> held() const { return store->read("value", resolver.resolve(ref.domain, false)); }
  BatchTransaction transaction() const {
    return BatchTransaction(PreferenceApplier(SettingsService(resolver, store), resolver, SnapshotService(store, resolver), log),
                            points);
  }
};

TEST_F(ExactValues, EveryValueComesBackToTheLastBitThroughTheFileAPointItsTakeBackAndABackup) {
  const double year1 = -63113904000.0, past9999 = 252423993600.0;
  PV::Data everyByte;
  for (int b = 0; b < 256; ++b) everyByte.push_back(static_cast<std::uint8_t>(b));
  const struct {
    const char* name;
    PV value;
  } rows[] = {
      {"a date finer than a millisecond", PV::date(734567890.1234567)},
      {"a date a hair after the reference date", PV::date(1e-7 / 3)},
      {"a date before 2001 with a fraction", PV::date(-0.3)},
      {"the first instant of year 1", PV::date(year1)},
      {"the first instant of year 1 and a fraction", PV::date(year1 + 0.0625)},
      {"the last fraction of a second of year 9999", PV::date(past9999 - 0.0001)},
      {"a whole millisecond", PV::date(734567890.25)},
      {"minus zero", PV::real(-0.0)},
      {"the smallest double", PV::real(std::numeric_limits<double>::denorm_min())},
      {"the largest integer", PV::integer(std::numeric_limits<std::int64_t>::max())},
      {"the smallest integer", PV::integer(std::numeric_limits<std::int64_t>::min())},
      {"a text holding NUL", PV::string(std::string("a\0b", 3))},
      {"every byte", PV::data(everyByte)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    put(ref.domain, "value", row.value);
    ASSERT_TRUE(held() && identical(*held(), row.value)) << "the file";

    const Snapshot captured = SnapshotService(store, resolver).capture({ref});
    points.record(captured, "Before a test", iso8601::now());
    const StoredSnapshot point = points.all().front();
    ASSERT_TRUE(point.snapshot.entries.at(0).rootValue && identical(*point.snapshot.entries[0].rootValue, row.value))
        << "the point";

    put(ref.domain, "value", PV::boolean(true));
    const auto takenBack = transaction().takeBack(point, {}, outside);
    EXPECT_TRUE(held() && identical(*held(), row.value)) << "the take-back";
    EXPECT_TRUE(takenBack.wayBack) << "a take-back that wrote keeps its point";

    const BackupEnvelope backup{"0A0B0C0D-0000-0000-0000-000000000000", "Studio", 0.0, "14.5", captured};
    const auto read = BackupEnvelope::fromData(backup.encoded()).snapshot.entries.at(0).rootValue;
    EXPECT_TRUE(read && identical(*read, row.value)) << "the backup";
  }
}

}  // namespace
