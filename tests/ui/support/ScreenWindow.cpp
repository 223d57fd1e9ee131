#include "ScreenWindow.hpp"

#include <QDir>
#include <QQmlEngine>
#include <QTest>
#include <stdexcept>

#include "Kit/SymbolImageProvider.hpp"
#include "Kit/SystemColorScheme.hpp"

namespace amberloom::testing {

namespace {

std::string describe(const QList<QQmlError>& errors) {
  QString text;
  for (const QQmlError& error : errors) text += error.toString() + u'\n';
  return text.toStdString();
}

}  // namespace

QUrl testQml(const QString& fileName) {
  return QUrl::fromLocalFile(QStringLiteral(AMBERLOOM_UI_TEST_QML) + u'/' + fileName);
}

ScreenWindow::ScreenWindow(const QUrl& screen, QSize size, Palette palette, const QVariantMap& properties)
    : view_(std::make_unique<QQuickView>()) {
  ui::installKit(*view_->engine());
  view_->setResizeMode(QQuickView::SizeRootObjectToView);
  if (palette == Palette::FromScheme)
    view_->setInitialProperties({{"screen", screen}, {"screenProperties", properties}});
  else
    view_->setInitialProperties(properties);
  view_->setSource(palette == Palette::FromScheme ? testQml("ScreenHost.qml") : screen);
  if (view_->status() != QQuickView::Ready) throw std::runtime_error(describe(view_->errors()));
  if (!this->screen()) throw std::runtime_error("the screen did not load: " + screen.toString().toStdString());
  view_->resize(size);
  view_->show();
  if (!QTest::qWaitForWindowExposed(view_.get(), 60000)) throw std::runtime_error("the window was never shown");
}

ScreenWindow::~ScreenWindow() = default;

QQuickItem* ScreenWindow::screen() const {
  QQuickItem* root = view_->rootObject();
  if (!root || root->objectName() != QLatin1String("screenHost")) return root;
  auto* loader = root->findChild<QQuickItem*>(QStringLiteral("screen"));
  return loader ? loader->property("item").value<QQuickItem*>() : nullptr;
}

QQuickItem* ScreenWindow::item(const QString& objectName) const {
  auto* found = screen()->findChild<QQuickItem*>(objectName);
  if (!found) throw std::runtime_error("no item named " + objectName.toStdString());
  return found;
}

QQuickItem* ScreenWindow::findBelow(QQuickItem* root, const QString& objectName) {
  if (root->objectName() == objectName) return root;
  for (QQuickItem* child : root->childItems())
    if (auto* found = findBelow(child, objectName)) return found;
  return nullptr;
}

QQuickItem* ScreenWindow::findShownBelow(QQuickItem* root, const QString& objectName) {
  if (!root->isVisible()) return nullptr;
  if (root->objectName() == objectName) return root;
  for (QQuickItem* child : root->childItems())
    if (auto* found = findShownBelow(child, objectName)) return found;
  return nullptr;
}

QQuickItem* ScreenWindow::itemInWindow(const QString& objectName) const {
  if (auto* found = findBelow(view_->contentItem(), objectName)) return found;
  throw std::runtime_error("no item named " + objectName.toStdString());
}

QPoint ScreenWindow::centreOf(const QQuickItem* item) const {
  return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

QImage ScreenWindow::grab() { return view_->grabWindow(); }

ScreenImages renderInBothPalettes(const QUrl& screen, const QString& name, QSize size,
                                  const QVariantMap& properties) {
  ScreenWindow window(screen, size, ScreenWindow::Palette::FromScheme, properties);
  return renderInBothPalettes(window, name);
}

ScreenImages renderInBothPalettes(ScreenWindow& window, const QString& name) {
  auto& scheme = ui::SystemColorScheme::instance();
  const QDir folder(QStringLiteral(AMBERLOOM_SCREENS_DIR));
  folder.mkpath(QStringLiteral("."));
  ScreenImages images;
  scheme.setScheme(ui::SystemColorScheme::Light);
  images.light = window.grab();
  scheme.setScheme(ui::SystemColorScheme::Dark);
  images.dark = window.grab();
  scheme.setScheme(ui::SystemColorScheme::Light);
  images.light.save(folder.filePath(name + QStringLiteral("-light.png")));
  images.dark.save(folder.filePath(name + QStringLiteral("-dark.png")));
  return images;
}

}  // namespace amberloom::testing
