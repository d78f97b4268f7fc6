// A Qt generic plugin that watches a program from inside without changing it: loaded into any
// Qt program with QT_PLUGIN_PATH=<this plugin's folder> QT_QPA_GENERIC_PLUGINS=windowprobe.
// When the first top-level window is shown (exposed and its first paint delivered) it appends
//   shown <steady clock ns> <CPU time of the process so far, ns> <window title>
// to the file named by WINDOW_PROBE_REPORT (standard error without it), then closes that window
// the way a window manager's close box does. Later windows are reported, not closed.
#include <QEvent>
#include <QFile>
#include <QGenericPlugin>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

class TWindowProbe : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWindow*>(watched);
    if (event->type() == QEvent::Expose && window && window->isTopLevel() &&
        !seen_.contains(window)) {
      seen_.append(window);
      // Queued behind the expose handling, which paints the window and flushes it.
      QTimer::singleShot(0, this, [this, shown = QPointer<QWindow>(window)] {
        if (shown) Shown(shown);
      });
    }
    return false;
  }

 private:
  void Shown(QWindow* window) {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const QByteArray line =
        "shown " +
        QByteArray::number(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) +
        ' ' + QByteArray::number(cpu.tv_sec * 1'000'000'000LL + cpu.tv_nsec) + ' ' +
        window->title().toUtf8() + '\n';
    Report(line);
    if (!closedOne_) {
      closedOne_ = true;
      window->close();
    }
  }

  static void Report(const QByteArray& line) {
    const QString path = qEnvironmentVariable("WINDOW_PROBE_REPORT");
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Append)) {
      file.write(line);
    } else {
      std::fputs(line.constData(), stderr);
    }
  }

  QList<QWindow*> seen_;
  bool closedOne_ = false;
};

}  // namespace

class TWindowProbePlugin : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "window_probe.json")

 public:
  QObject* create(const QString& key, const QString&) override {
    if (key.compare(QLatin1String("windowprobe"), Qt::CaseInsensitive) != 0) return nullptr;
    auto* probe = new TWindowProbe;
    QCoreApplication::instance()->installEventFilter(probe);
    return probe;
  }
};

#include "window_probe.moc"
