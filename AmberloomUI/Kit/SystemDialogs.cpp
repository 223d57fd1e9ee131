#include "Kit/SystemDialogs.hpp"

#include <QFileInfo>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QWindow>

#include "Kit/SystemColorScheme.hpp"
#include "Platform/HomeDirectory.hpp"

namespace amberloom::ui {

namespace {

// Where Qt 6.4 keeps the QML implementation of each dialog that it compiles on first open.
QUrl implementation(SystemDialogs::Kind kind) {
  static constexpr const char* files[] = {"FileDialog", "FolderDialog", "ColorDialog", "MessageDialog"};
  return QUrl(QStringLiteral("qrc:/qt-project.org/imports/QtQuick/Dialogs/quickimpl/qml/%1.qml")
                  .arg(QLatin1String(files[kind])));
}

QString errorsOf(const QQmlComponent& component) {
  QStringList lines;
  for (const auto& error : component.errors()) lines << error.toString();
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

QString SystemDialogs::unavailable(QQmlEngine& engine, Kind kind) {
  // The module brings Qt's implementations with it (into the resources).
  QQmlComponent module(&engine);
  module.setData("import QtQuick\nimport QtQuick.Dialogs\nQtObject {}\n", QUrl());
  if (!module.isReady()) return errorsOf(module);
  // Qt's implementation is compiled from the same place, with the same engine and style, as
  // Qt itself compiles it; the engine keeps the compiled type, so asking again costs little.
  QQmlComponent component(&engine, implementation(kind));
  if (component.isLoading()) return QStringLiteral("%1 is still loading").arg(component.url().toString());
  return component.isReady() ? QString() : errorsOf(component);
}

QObject* SystemDialogs::make(QQmlComponent* component, Kind kind, QObject* parent, const QVariantMap& properties) {
  QQmlEngine* engine = component ? component->engine() : nullptr;
  if (!engine) {
    setFailure(QStringLiteral("no dialog component"));
    return nullptr;
  }
  if (QString reason = unavailable(*engine, kind); !reason.isEmpty()) {
    setFailure(reason);
    return nullptr;
  }
  if (!component->isReady()) {
    setFailure(errorsOf(*component));
    return nullptr;
  }
  // As createObject(parent) in QML: owned and (for items) drawn by the parent before it completes,
  // so a dialog finds its window, and free to be destroyed from QML.
  QQmlContext* context = component->creationContext();
  QObject* object = component->beginCreate(context ? context : engine->rootContext());
  if (!object) {
    setFailure(errorsOf(*component));
    return nullptr;
  }
  QQmlEngine::setObjectOwnership(object, QQmlEngine::JavaScriptOwnership);
  object->setParent(parent);
  auto* item = qobject_cast<QQuickItem*>(object);
  if (auto* parentItem = qobject_cast<QQuickItem*>(parent); item && parentItem) item->setParentItem(parentItem);
  component->setInitialProperties(object, properties);
  component->completeCreate();
  if (component->isError()) {
    setFailure(errorsOf(*component));
    delete object;
    return nullptr;
  }
  setFailure({});
  return object;
}

void SystemDialogs::setFailure(const QString& failure) {
  if (failure == failure_) return;
  failure_ = failure;
  emit failureChanged();
}

void SystemDialogs::readyOpened(QObject* dialog, const QString& proposedName) {
  // Qt's own dialog is a popup that open() has just put in the dialog's window.
  auto* window = dialog ? dialog->property("parentWindow").value<QWindow*>() : nullptr;
  if (!window) return;
  for (QObject* impl : window->findChildren<QObject*>()) {
    if (impl->inherits("QQuickMessageDialogImpl") && impl->property("visible").toBool()) {
      for (auto* label : impl->findChildren<QQuickItem*>())
        if (label->inherits("QQuickText")) label->setProperty("textFormat", Qt::PlainText);
      continue;
    }
    const bool files = impl->inherits("QQuickFileDialogImpl");
    if ((!files && !impl->inherits("QQuickFolderDialogImpl")) || !impl->property("visible").toBool()) continue;
    for (auto* bar : impl->findChildren<QQuickItem*>()) {
      if (!bar->inherits("QQuickFolderBreadcrumbBar")) continue;
      auto* background = bar->property("background").value<QQuickItem*>();
      if (!background) continue;
      // The separators between the folders are drawn in the buttons' colour, which is the base.
      const auto paint = [bar, background] {
        auto* palette = bar->property("palette").value<QObject*>();
        if (!palette) return;
        background->setProperty("color", palette->property("base"));
        for (auto* part : bar->findChildren<QQuickItem*>())
          if (part->property("source").toUrl().fileName().startsWith(QLatin1String("crumb-separator")))
            part->setProperty("color", palette->property("placeholderText"));
      };
      paint();
      if (background->property("amberloomPainted").toBool()) continue;
      background->setProperty("amberloomPainted", true);
      // Again whenever the colour scheme changes; the palette has followed it by then (its
      // bindings were connected first).
      QObject::connect(&SystemColorScheme::instance(), &SystemColorScheme::schemeChanged, background, paint);
    }
    if (!files || proposedName.isEmpty()) continue;
    impl->setProperty("fileName", proposedName);
    // Qt's dialog takes the field's text on editingFinished, which comes after accepted: hence
    // queued. Connected once per dialog, which Qt keeps for the window.
    auto* field = impl->findChild<QQuickItem*>(QStringLiteral("fileNameTextField"));
    if (!field) continue;
    // The selected name is drawn on the full highlight, unlike the rows.
    if (auto* palette = field->property("palette").value<QObject*>())
      field->setProperty("selectedTextColor", palette->property("brightText"));
    field->forceActiveFocus();
    QMetaObject::invokeMethod(field, "selectAll");
    if (field->property("amberloomSaves").toBool()) continue;
    field->setProperty("amberloomSaves", true);
    QObject::connect(field, SIGNAL(accepted()), impl, SLOT(accept()), Qt::QueuedConnection);
  }
}

std::optional<QString> SystemDialogs::localPath(const QUrl& location) {
  if (location.isLocalFile()) return location.toLocalFile();
  if (location.scheme().isEmpty() && location.path().startsWith(QLatin1Char('/'))) return location.path();
  return std::nullopt;
}

bool SystemDialogs::exists(const QUrl& location) const {
  const auto path = localPath(location);
  return path && QFileInfo(*path).exists();
}

QUrl SystemDialogs::homeFolder() const {
  return QUrl::fromLocalFile(QString::fromStdString(platform::homeDirectory()));
}

}  // namespace amberloom::ui
