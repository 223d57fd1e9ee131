#include "Kit/Logging.hpp"

#include <QMessageLogger>
#include <QString>

#include "Support/Log.hpp"

namespace amberloom::ui {

Q_LOGGING_CATEGORY(lcApp, "amberloom.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcKit, "amberloom.ui.kit", QtWarningMsg)
Q_LOGGING_CATEGORY(lcBrowser, "amberloom.ui.browser", QtWarningMsg)
Q_LOGGING_CATEGORY(lcGuided, "amberloom.ui.guided", QtWarningMsg)
Q_LOGGING_CATEGORY(lcAccount, "amberloom.ui.account", QtWarningMsg)
Q_LOGGING_CATEGORY(lcShell, "amberloom.ui.shell", QtWarningMsg)

namespace {

Q_LOGGING_CATEGORY(lcCorePreferences, "amberloom.core.preferences", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCoreCatalog, "amberloom.core.catalog", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCoreChanges, "amberloom.core.changes", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCoreBackup, "amberloom.core.backup", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCoreSync, "amberloom.core.sync", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCoreAccount, "amberloom.core.account", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCoreUpkeep, "amberloom.core.upkeep", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCoreSupport, "amberloom.core.support", QtWarningMsg)

const QLoggingCategory& categoryOf(log::Area area) {
  switch (area) {
    case log::Area::preferences: return lcCorePreferences();
    case log::Area::catalog: return lcCoreCatalog();
    case log::Area::changes: return lcCoreChanges();
    case log::Area::backup: return lcCoreBackup();
    case log::Area::sync: return lcCoreSync();
    case log::Area::account: return lcCoreAccount();
    case log::Area::upkeep: return lcCoreUpkeep();
    case log::Area::support: return lcCoreSupport();
  }
  return lcCoreSupport();
}

void writeToCategory(log::Level level, log::Area area, std::string_view message) {
  const QLoggingCategory& category = categoryOf(area);
  const QString text = QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
  // The core's own file and line mean nothing here; the category and the text say where it is from.
  const QMessageLogger logger(nullptr, 0, nullptr, category.categoryName());
  switch (level) {
    case log::Level::debug:
      if (category.isDebugEnabled()) logger.debug().noquote() << text;
      break;
    case log::Level::info:
      if (category.isInfoEnabled()) logger.info().noquote() << text;
      break;
    case log::Level::warning:
      if (category.isWarningEnabled()) logger.warning().noquote() << text;
      break;
  }
}

}  // namespace

QString currentError() { return QString::fromStdString(log::errorText(std::current_exception())); }

void installCoreLogging() { log::setSink(writeToCategory); }

}  // namespace amberloom::ui
