#include "Browser/AppRestarter.hpp"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace amberloom::ui {

void AppRestarter::killall(const std::vector<std::string>& names, const std::string& executable) {
  // A detached child is reaped by the system, so nothing is left behind for this process to wait on.
  const QString program = QString::fromStdString(executable);
  for (const auto& name : names) QProcess::startDetached(program, QStringList{QString::fromStdString(name)});
}

}  // namespace amberloom::ui
