#include "programicon.h"

// The icon files are compiled into the ui library; a static library's
// resources must be registered by hand, outside any namespace.
static void registerIconResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(resources);
    return true;
  }();
  (void)registered;
}

QIcon programIcon() {
  registerIconResources();
  QIcon icon;
  for (int size : {32, 128, 256})
    icon.addFile(QStringLiteral(":/icons/wypelniak-%1.png").arg(size), QSize(size, size));
  return icon;
}

QPixmap programIconPixmap() {
  registerIconResources();
  return QPixmap(QStringLiteral(":/icons/wypelniak-32.png"));
}
