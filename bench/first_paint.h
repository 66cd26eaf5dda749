// Shared by the two window programs of bench/run: ends the program once its first window
// has been painted, printing the moment as "first-paint <CLOCK_MONOTONIC nanoseconds>".
// The runner takes its own reading of the same clock just before it starts the program, so
// the difference covers everything from exec to the finished first paint: dynamic loading,
// Qt's start, the window's construction and load, its show and the paint itself.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QWidget>

#include <cstdio>
#include <ctime>

namespace duza::bench {

class FirstPaintExit final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!seen_ && event->type() == QEvent::Paint) {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget != nullptr && widget->isWindow()) {
        seen_ = true;
        // Queued, so that it runs once the whole paint (children included) has been done
        // and flushed to the screen.
        QMetaObject::invokeMethod(
            this,
            [] {
              timespec now{};
              clock_gettime(CLOCK_MONOTONIC, &now);
              std::printf("first-paint %lld\n",
                          static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
              std::fflush(stdout);
              QCoreApplication::exit(0);
            },
            Qt::QueuedConnection);
      }
    }
    return false;
  }

 private:
  bool seen_ = false;
};

}  // namespace duza::bench
