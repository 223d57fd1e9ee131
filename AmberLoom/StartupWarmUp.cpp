#include "AmberLoom/StartupWarmUp.hpp"

#include <QFontMetricsF>
#include <QTextLayout>
#include <memory>

#include "Kit/DesignTokens.hpp"

namespace amberloom::app {

namespace {

// Every letter and digit, and the separator and ellipsis the first screen's texts show.
const QString sampleLine = QStringLiteral(
    "The quick brown fox jumps over a lazy dog. PACK MY BOX WITH FIVE DOZEN LIQUOR JUGS 0123456789 \u00b7 \u2026");

QFont withFamily(QFont font, const QString& family) {
  font.setFamily(family);
  return font;
}

}  // namespace

StartupWarmUp::StartupWarmUp(QObject* parent) : QObject(parent) {
  timer_.setInterval(0);
  connect(&timer_, &QTimer::timeout, this, &StartupWarmUp::runNext);
}

QList<QFont> StartupWarmUp::firstScreenFonts() {
  using ui::TextStyles;
  const TextStyles& text = ui::Tokens::text();
  return {TextStyles::font(13.5, QFont::Normal),
          TextStyles::font(11, QFont::DemiBold),
          text.rowMeta(),
          text.rowTitle(),
          text.rowBody(),
          text.label(),
          text.caption(),
          TextStyles::font(13.5, QFont::Medium),
          withFamily(TextStyles::font(12, QFont::DemiBold), QStringLiteral("serif")),
          withFamily(text.rowMeta(), QStringLiteral("monospace"))};
}

void StartupWarmUp::addFont(const QFont& font) {
  steps_.push_back([font] { QFontMetricsF(font).height(); });
  auto layout = std::make_shared<QTextLayout>(sampleLine, font);
  steps_.push_back([layout] {
    layout->beginLayout();
    layout->createLine();
    layout->endLayout();
  });
}

void StartupWarmUp::resume() {
  if (!steps_.empty()) timer_.start();
}

void StartupWarmUp::pause() { timer_.stop(); }

void StartupWarmUp::runNext() {
  if (steps_.empty()) {
    timer_.stop();
    return;
  }
  const auto step = std::move(steps_.front());
  steps_.pop_front();
  step();
  if (steps_.empty()) timer_.stop();
}

}  // namespace amberloom::app
