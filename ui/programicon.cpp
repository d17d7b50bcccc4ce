#include "programicon.h"

#include <QIconEngine>
#include <QPainter>

#include <array>

// The icon files are compiled into the ui library; a static library's
// resources must be registered by hand, outside any namespace.
static void registerIconResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(resources);
    return true;
  }();
  (void)registered;
}

namespace {

constexpr std::array<int, 3> kSizes = {32, 128, 256};

// Decodes each picture of the icon the first time it is asked for: a window
// system that shows only the small one never pays for the large ones, and
// the program's start pays for none.
class ProgramIconEngine : public QIconEngine {
 public:
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int side = std::min(size.width(), size.height());
    return QSize(std::min(side, kSizes.back()), std::min(side, kSizes.back()));
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override {
    // The smallest picture at least as large as asked, else the largest.
    const int side = std::max(size.width(), size.height());
    std::size_t pick = kSizes.size() - 1;
    for (std::size_t i = 0; i < kSizes.size(); ++i)
      if (kSizes[i] >= side) {
        pick = i;
        break;
      }
    if (loaded_[pick].isNull()) {
      registerIconResources();
      loaded_[pick] = QPixmap(QStringLiteral(":/icons/wypelniak-%1.png").arg(kSizes[pick]));
    }
    const QPixmap& found = loaded_[pick];
    if (found.size() == size || found.isNull()) return found;
    return found.scaled(actualSize(size, QIcon::Normal, QIcon::Off), Qt::KeepAspectRatio,
                        Qt::SmoothTransformation);
  }

  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (int side : kSizes) sizes << QSize(side, side);
    return sizes;
  }

  QIconEngine* clone() const override { return new ProgramIconEngine(*this); }
  QString key() const override { return QStringLiteral("wypelniak-program-icon"); }

 private:
  std::array<QPixmap, kSizes.size()> loaded_;
};

}  // namespace

QIcon programIcon() {
  return QIcon(new ProgramIconEngine);
}

QPixmap programIconPixmap() {
  registerIconResources();
  return QPixmap(QStringLiteral(":/icons/wypelniak-32.png"));
}
