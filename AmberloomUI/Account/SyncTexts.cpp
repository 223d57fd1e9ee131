#include "Account/SyncTexts.hpp"

#include <QDateTime>
#include <cstdio>

#include "Kit/DisplayText.hpp"
#include "Kit/GuidedText.hpp"
#include "Kit/Localized.hpp"
#include "Support/Iso8601.hpp"

namespace amberloom::ui::synctexts {

namespace {

QString number(std::size_t n) { return QString::number(static_cast<qulonglong>(n)); }

// Far more than any setting's text holds, far less than the megabyte another Mac's document may
// carry, which would hold the window for minutes while its card is laid out.
constexpr qsizetype kShownText = 1000;

QDateTime localTime(double secondsSinceReferenceDate) {
  const double unixSeconds = secondsSinceReferenceDate + iso8601::kReferenceDateUnixSeconds;
  return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(unixSeconds * 1000.0)).toLocalTime();
}

}  // namespace

QString shortValue(const PreferenceValue& value) {
  switch (value.kind()) {
    case PreferenceValue::Kind::boolean: return value.asBool() ? localized("on") : localized("off");
    case PreferenceValue::Kind::integer: return QString::number(value.asInt());
    case PreferenceValue::Kind::real: {
      char text[64];
      std::snprintf(text, sizeof text, "%g", value.asDouble());
      return QString::fromLatin1(text);
    }
    case PreferenceValue::Kind::string:
      return value.asString().empty() ? localized("(empty)")
                                      : display::head(QString::fromStdString(value.asString()), kShownText);
    case PreferenceValue::Kind::data: return localized("%lld bytes", {number(value.asData().size())});
    case PreferenceValue::Kind::date: return guided::abbreviatedDateTime(value.asDate());
    case PreferenceValue::Kind::dictionary: return localized("(group of values)");
    case PreferenceValue::Kind::array: break;
  }
  return localized("(list)");
}

QString describe(const SyncDifference& difference) {
  const QString arrow = QStringLiteral("  \u2192  ");
  switch (difference.kind()) {
    case SyncDifference::Case::same: return localized("same on both Macs");
    case SyncDifference::Case::differs:
      return localized("this Mac: ") + shortValue(*difference.here()) + arrow + localized("incoming: ") +
             shortValue(*difference.there());
    case SyncDifference::Case::onlyThere:
      return localized("not set here") + arrow + localized("incoming: ") + shortValue(*difference.there());
    case SyncDifference::Case::onlyHere: break;
  }
  return localized("only on this Mac: ") + shortValue(*difference.here());
}

Freshness freshness(std::optional<double> sharedAt, double now) {
  if (!sharedAt) return {localized("date unknown"), true};
  const QDateTime from = localTime(*sharedAt);
  const QDateTime to = localTime(now);
  // Whole days elapsed on the local calendar: midnights passed, less one when the last day is
  // not yet complete (23 hours across a midnight is still today).
  qint64 days = from.date().daysTo(to.date());
  if (days > 0 && from.addDays(days) > to) --days;
  if (days <= 0) return {localized("shared today"), false};
  if (days == 1) return {localized("shared yesterday"), false};
  return {localized("shared %lld days ago", {QString::number(days)}), days > 13};
}

ReportText report(const WriteReport& report) {
  ReportText text;
  text.summary = localized("%lld of %lld settings brought over", {number(report.appliedCount()), number(report.total())});
  const auto failed = report.failed();
  text.hasFailures = !failed.empty();
  for (std::size_t i = 0; i < failed.size() && i < 5; ++i)
    text.failures << QStringLiteral("\u00b7 ") + QString::fromStdString(failed[i].settingID) + QStringLiteral(": ") +
                         (failed[i].failureReason ? QString::fromStdString(*failed[i].failureReason)
                                                  : localized("did not apply"));
  if (!report.restartTargets.empty()) {
    QStringList apps;
    for (const auto& app : report.restartTargets) apps << QString::fromStdString(app);
    text.restartLine = localized("Needs a restart: ") + apps.join(QStringLiteral(", "));
  }
  return text;
}

QString caution(const SyncRowCaution& caution, const SettingDefinition* setting) {
  using Reason = SyncRowCaution::Reason;
  const QString when = caution.decidedAt ? guided::abbreviatedDateTime(*caution.decidedAt) : QString();
  switch (caution.reason) {
    case Reason::weakensSecurity: {
      const QString line = localized("Controls a macOS protection: it comes over only when you tick it.");
      const auto& note = setting && setting->text ? setting->text->riskNote : std::nullopt;
      return note ? line + QLatin1Char(' ') + QString::fromStdString(*note) : line;
    }
    case Reason::systemWritten:
      return localized("macOS writes this itself as that Mac is used: it comes over only when you tick it.");
    case Reason::wrongKind:
      return localized("The other Mac's value is not the kind of value this setting takes, so it cannot be copied.");
    case Reason::unknownHere:
      return localized("This Mac's version of AmberLoom does not know this setting, so it cannot be copied.");
    case Reason::notPlain:
      return localized("Its value may name a place, a command or an address, or hold a list: it comes over only "
                       "when you tick it.");
    case Reason::asksFirst:
      return localized("Its value reaches beyond this setting (what runs, or where things are sent): it comes over "
                       "only when you tick it.");
    case Reason::notOffered:
      return localized("The other Mac's value is not one this setting offers: it comes over only when you tick it.");
    case Reason::resetHere:
      return localized("You put this back to the macOS default here on %@: it comes over only when you tick it.",
                       {when});
    case Reason::chosenHere:
      return localized("You chose another value here on %@: it comes over only when you tick it.", {when});
    case Reason::takenBack:
      return localized("You took back a change of this here on %@: it comes over only when you tick it.", {when});
    case Reason::declinedHere:
      return localized("You left this unticked here on %@: it comes over only when you tick it.", {when});
    case Reason::historyLost: break;
  }
  return localized("The change history could not be read, so what you decided here is unknown: it comes over only "
                   "when you tick it.");
}

}  // namespace amberloom::ui::synctexts
