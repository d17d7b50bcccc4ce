// The reference for the program's start: the smallest Qt window with one
// line edit. Prints the monotonic clock, in nanoseconds, once the window is
// mapped, and ends.
#include <QApplication>
#include <QLineEdit>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

int main(int argc, char* argv[]) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  QWidget window;
  QLineEdit edit(&window);
  window.show();
  while (!window.windowHandle() || !window.windowHandle()->isExposed()) {
    QApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  std::printf("mapped_ns=%lld\n", ts.tv_sec * 1000000000LL + ts.tv_nsec);
  return 0;
}
