#include "Kit/Workspace.hpp"

#include <QDesktopServices>
#include <QFileInfo>

#ifdef AMBERLOOM_HAS_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#endif

namespace amberloom::ui {

namespace {

class DesktopWorkspace final : public Workspace {
 public:
  bool open(const QUrl& link) override { return QDesktopServices::openUrl(link); }

  void reveal(const QString& path) override {
    const QUrl file = QUrl::fromLocalFile(path);
#ifdef AMBERLOOM_HAS_DBUS
    // The freedesktop file-manager interface selects the file; without it the folder opens.
    auto call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                               QStringLiteral("/org/freedesktop/FileManager1"),
                                               QStringLiteral("org.freedesktop.FileManager1"),
                                               QStringLiteral("ShowItems"));
    call << QStringList{file.toString()} << QString();
    if (QDBusConnection::sessionBus().isConnected() &&
        QDBusConnection::sessionBus().call(call, QDBus::Block, 2000).type() == QDBusMessage::ReplyMessage)
      return;
#endif
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
  }
};

}  // namespace

std::shared_ptr<Workspace> Workspace::live() { return std::make_shared<DesktopWorkspace>(); }

}  // namespace amberloom::ui
