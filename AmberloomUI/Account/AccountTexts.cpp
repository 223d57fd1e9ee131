#include "Account/AccountTexts.hpp"

#include <cmath>

#include "Kit/Localized.hpp"
#include "Support/Iso8601.hpp"

namespace amberloom::ui {

QString lastSeenText(double lastSeenAt, double now) {
  struct Unit {
    double seconds;
    const char* one;
    const char* many;
  };
  static const Unit units[] = {
      {365.0 * 86400, "%lld year", "%lld years"}, {30.0 * 86400, "%lld month", "%lld months"},
      {7.0 * 86400, "%lld week", "%lld weeks"},   {86400, "%lld day", "%lld days"},
      {3600, "%lld hour", "%lld hours"},          {60, "%lld minute", "%lld minutes"},
      {1, "%lld second", "%lld seconds"},
  };
  const double elapsed = now - lastSeenAt;
  const double distance = std::abs(elapsed);
  const Unit* unit = &units[std::size(units) - 1];
  for (const Unit& candidate : units)
    if (distance >= candidate.seconds) {
      unit = &candidate;
      break;
    }
  const auto count = static_cast<long long>(std::floor(distance / unit->seconds));
  const QString amount = localized(count == 1 ? unit->one : unit->many, {QString::number(count)});
  return localized("last seen ") + localized(elapsed >= 0 ? "%@ ago" : "in %@", {amount});
}

QString AccountTexts::lastSeen(double lastSeenAt) { return lastSeenText(lastSeenAt, iso8601::now()); }

}  // namespace amberloom::ui
