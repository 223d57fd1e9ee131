#include "Kit/GuidedText.hpp"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>

#include "Support/Iso8601.hpp"

namespace amberloom::ui::guided {

QString abbreviatedDateTime(double secondsSinceReferenceDate, const QLocale& locale) {
  const auto unixMilliseconds =
      static_cast<qint64>((secondsSinceReferenceDate + iso8601::kReferenceDateUnixSeconds) * 1000.0);
  const QDateTime at = QDateTime::fromMSecsSinceEpoch(unixMilliseconds).toLocalTime();
  // The locale's long date without its weekday and with the month's short name.
  QString format = locale.dateFormat(QLocale::LongFormat);
  format.remove(QRegularExpression(QStringLiteral("d{4}[^dMy]*")));
  format.replace(QLatin1String("MMMM"), QLatin1String("MMM"));
  // Hours and minutes: some locales' short time carries seconds.
  QString time = locale.timeFormat(QLocale::ShortFormat);
  time.remove(QRegularExpression(QStringLiteral("[^hHmaApPt ]?s+")));
  return locale.toString(at.date(), format.trimmed()) + QLatin1String(", ") + locale.toString(at.time(), time.trimmed());
}

QString fileSize(std::int64_t bytes, const QLocale& locale) {
  // Qt words every count below a kilobyte in the plural.
  if (bytes == 1) return localized("1 byte");
  return locale.formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

QVariantMap writeReportCard(const WriteReport& report, bool isDryRun) {
  QStringList failedLines;
  if (!isDryRun)
    for (const auto& outcome : report.failed())
      failedLines << qstr(outcome.settingID) + QStringLiteral(" — ") + qstr(outcome.failureReason.value_or("unknown"));
  QStringList targets;
  for (const auto& target : report.restartTargets) targets << qstr(target);
  return {
      {QStringLiteral("total"), static_cast<qint64>(report.total())},
      {QStringLiteral("appliedCount"), static_cast<qint64>(report.appliedCount())},
      {QStringLiteral("allApplied"), report.failed().empty()},
      {QStringLiteral("failedLines"), failedLines},
      {QStringLiteral("alreadyMatching"), static_cast<qint64>(report.alreadyMatching.size())},
      {QStringLiteral("skippedPinned"), static_cast<qint64>(report.skippedPinned.size())},
      {QStringLiteral("restartLine"),
       targets.isEmpty() ? QString() : localized("Needs a restart: ") + targets.join(QStringLiteral(", "))},
  };
}

std::string incompleteUndo(const UndoReport& report) {
  if (report.failure) return *report.failure;
  return std::to_string(report.failed().size()) + " settings did not go back to their old value";
}

QVariantMap undoReportCard(const UndoReport& report) {
  QStringList failedLines;
  for (const auto& outcome : report.failed()) {
    QStringList path;
    for (const auto& key : outcome.ref.path) path << qstr(key);
    failedLines << qstr(outcome.ref.domain) + QStringLiteral(" · ") + path.join(u'/');
  }
  return {
      {QStringLiteral("isComplete"), report.isComplete()},
      {QStringLiteral("restoredCount"), static_cast<qint64>(report.restoredCount())},
      {QStringLiteral("total"), static_cast<qint64>(report.total())},
      {QStringLiteral("failure"), report.failure ? QVariant(qstr(*report.failure)) : QVariant()},
      {QStringLiteral("failedLines"), failedLines},
  };
}

}  // namespace amberloom::ui::guided
