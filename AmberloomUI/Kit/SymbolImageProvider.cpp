#include "Kit/SymbolImageProvider.hpp"

#include <QAccessible>
#include <QDirIterator>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QQmlEngine>
#include <QSvgRenderer>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>

#include "Kit/ControlAccessibility.hpp"
#include "Kit/WindowAccessibility.hpp"
#include "Support/BackgroundTask.hpp"

namespace amberloom::ui {

namespace {

constexpr int defaultSide = 16;
// Far more than every name in every colour and size that the screens show.
constexpr std::size_t keptSymbols = 2048;

const QString symbolFolder = QStringLiteral(":/amberloom/symbols");

}  // namespace

// The icons read so far, by resource path. Shared with the worker that reads the bundled ones: it
// stops once the provider is gone. A renderer keeps no thread of its own, so that whichever thread
// draws an image may use it; one at a time, since drawing moves a document's clock.
class SymbolImageProvider::Library {
 public:
  std::shared_ptr<QSvgRenderer> renderer(const QString& path) {
    {
      std::lock_guard lock(mutex_);
      if (auto found = read_.find(path); found != read_.end()) return found->second;
    }
    return keep(path, read(path));
  }

  // Reads every bundled icon not read yet, until the provider goes.
  void readAll() {
    const std::lock_guard reading(reading_);
    if (abandoned_) return;
    QDirIterator icons(symbolFolder);
    while (icons.hasNext() && !abandoned_) {
      const QString path = icons.next();
      bool known;
      {
        std::lock_guard lock(mutex_);
        known = read_.count(path) > 0;
      }
      if (!known) keep(path, read(path));
    }
  }

  void draw(QSvgRenderer& renderer, QPainter& painter) {
    std::lock_guard lock(drawing_);
    renderer.render(&painter);
  }

  // Stops readAll and waits for the icon it reads, if any: reading needs the application, which
  // may end as soon as the provider has gone.
  void abandon() {
    abandoned_ = true;
    const std::lock_guard waited(reading_);
  }

  // What symbol() drew, by name, colour and side.
  using Key = std::tuple<QString, QRgb, int>;
  std::optional<QImage> drawn(const Key& key) {
    std::lock_guard lock(mutex_);
    const auto found = drawn_.find(key);
    return found == drawn_.end() ? std::nullopt : std::optional(found->second);
  }
  void keepDrawn(const Key& key, const QImage& image) {
    std::lock_guard lock(mutex_);
    if (drawn_.size() >= keptSymbols) drawn_.clear();
    drawn_.emplace(key, image);
  }

 private:
  static std::shared_ptr<QSvgRenderer> read(const QString& path) {
    auto renderer = std::make_shared<QSvgRenderer>(path);
    renderer->setAspectRatioMode(Qt::KeepAspectRatio);
    renderer->moveToThread(nullptr);
    return renderer;
  }

  // The first reading of `path` stays; a second one, read meanwhile elsewhere, goes.
  std::shared_ptr<QSvgRenderer> keep(const QString& path, std::shared_ptr<QSvgRenderer> renderer) {
    std::lock_guard lock(mutex_);
    return read_.try_emplace(path, std::move(renderer)).first->second;
  }

  std::mutex mutex_;
  std::map<QString, std::shared_ptr<QSvgRenderer>> read_;
  std::map<Key, QImage> drawn_;
  std::mutex drawing_;
  std::atomic<bool> abandoned_ = false;
  std::mutex reading_;  // held while readAll runs
};

SymbolImageProvider::SymbolImageProvider()
    : QQuickImageProvider(QQuickImageProvider::Image), library_(std::make_shared<Library>()) {
  // Without a thread to be had, each icon is read when first drawn.
  startInBackground([library = library_] { library->readAll(); });
}

SymbolImageProvider::~SymbolImageProvider() { library_->abandon(); }

bool SymbolImageProvider::hasIcon(const QString& name) {
  // A name is one path element: anything that could climb out of the icon folder is no name.
  if (name.isEmpty() || name.contains(u'/') || name.startsWith(u'.')) return false;
  return QFile::exists(QStringLiteral("%1/%2.svg").arg(symbolFolder, name));
}

QString SymbolImageProvider::resourcePath(const QString& name) {
  return hasIcon(name) ? QStringLiteral("%1/%2.svg").arg(symbolFolder, name)
                       : QStringLiteral(":/amberloom/symbol-fallback.svg");
}

QImage SymbolImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize) {
  const qsizetype slash = id.lastIndexOf(u'/');
  const QString name = slash < 0 ? id : id.left(slash);
  QColor color(slash < 0 ? QString() : u'#' + id.mid(slash + 1));
  if (!color.isValid()) color = Qt::black;

  const QSize side(requestedSize.width() > 0 ? requestedSize.width() : defaultSide,
                   requestedSize.height() > 0 ? requestedSize.height() : defaultSide);
  if (size) *size = side;
  return draw(name, color, side);
}

QImage SymbolImageProvider::symbol(const QString& name, const QColor& color, int side) {
  const Library::Key key{name, color.rgba(), side};
  if (auto image = library_->drawn(key)) return *image;
  QImage image = draw(name, color, QSize(side, side));
  library_->keepDrawn(key, image);
  return image;
}

QImage SymbolImageProvider::draw(const QString& name, const QColor& color, const QSize& size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  library_->draw(*library_->renderer(resourcePath(name)), painter);
  // Keep the icon's shape and coverage, take the colour (and its opacity) from the caller.
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(image.rect(), color);
  painter.end();
  return image;
}

void useUnhintedText() {
  QFont font = QGuiApplication::font();
  if (font.hintingPreference() == QFont::PreferNoHinting) return;
  font.setHintingPreference(QFont::PreferNoHinting);
  QGuiApplication::setFont(font);
}

void installKit(QQmlEngine& engine) {
  useUnhintedText();
  engine.addImageProvider(QStringLiteral("symbol"), new SymbolImageProvider);
  // Qt keeps one list of factories for the process and adds each only once.
  QAccessible::installFactory(&windowAccessibility);
  QAccessible::installFactory(&controlAccessibility);
}

}  // namespace amberloom::ui
