#pragma once
// The application's logging categories, one by area, and the bridge that writes the core's log
// into them. Every category shows warnings and worse and hides debug and info lines unless a rule
// turns them on, for instance QT_LOGGING_RULES="amberloom.*.debug=true" or
// "amberloom.core.sync.info=true". The core's areas log as "amberloom.core.<area>" (see
// Support/Log.hpp).

#include <QLoggingCategory>
#include <QString>

namespace amberloom::ui {

Q_DECLARE_LOGGING_CATEGORY(lcApp)      // amberloom.app: start, windows, the login-time run
Q_DECLARE_LOGGING_CATEGORY(lcKit)      // amberloom.ui.kit
Q_DECLARE_LOGGING_CATEGORY(lcBrowser)  // amberloom.ui.browser
Q_DECLARE_LOGGING_CATEGORY(lcGuided)   // amberloom.ui.guided
Q_DECLARE_LOGGING_CATEGORY(lcAccount)  // amberloom.ui.account: the account and My Macs
Q_DECLARE_LOGGING_CATEGORY(lcShell)    // amberloom.ui.shell

// The text of the error being handled, inside a catch block, for a log line.
QString currentError();

// Sends the core's log to the "amberloom.core.<area>" categories from now on, for the whole
// process. Needs no application object: it may be installed before one exists.
void installCoreLogging();

}  // namespace amberloom::ui
