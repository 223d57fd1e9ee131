#include "Kit/SymbolImageProvider.hpp"

#include <QAccessible>
#include <QFile>
#include <QPainter>
#include <QQmlEngine>
#include <QSvgRenderer>

#include "Kit/WindowAccessibility.hpp"

namespace amberloom::ui {

namespace {

constexpr int defaultSide = 16;

}  // namespace

SymbolImageProvider::SymbolImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

bool SymbolImageProvider::hasIcon(const QString& name) {
  // A name is one path element: anything that could climb out of the icon folder is no name.
  if (name.isEmpty() || name.contains(u'/') || name.startsWith(u'.')) return false;
  return QFile::exists(QStringLiteral(":/amberloom/symbols/%1.svg").arg(name));
}

QString SymbolImageProvider::resourcePath(const QString& name) {
  return hasIcon(name) ? QStringLiteral(":/amberloom/symbols/%1.svg").arg(name)
                       : QStringLiteral(":/amberloom/symbol-fallback.svg");
}

QImage SymbolImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize) {
  const qsizetype slash = id.lastIndexOf(u'/');
  const QString name = slash < 0 ? id : id.left(slash);
  QColor color(slash < 0 ? QString() : u'#' + id.mid(slash + 1));
  if (!color.isValid()) color = Qt::black;

  const QSize side(requestedSize.width() > 0 ? requestedSize.width() : defaultSide,
                   requestedSize.height() > 0 ? requestedSize.height() : defaultSide);
  QImage image(side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QSvgRenderer svg(resourcePath(name));
  svg.setAspectRatioMode(Qt::KeepAspectRatio);
  svg.render(&painter);
  // Keep the icon's shape and coverage, take the colour (and its opacity) from the caller.
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(image.rect(), color);
  painter.end();

  if (size) *size = side;
  return image;
}

void installKit(QQmlEngine& engine) {
  engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
  // Qt keeps one list of factories for the process and adds each only once.
  QAccessible::installFactory(&windowAccessibility);
}

}  // namespace amberloom::ui
