// SPDX-License-Identifier: Apache-2.0
// What camscope asks of Qt, which draws OpenCV's windows: the program's name on the desktop, the
// window system's failures told as camscope's, the screen and the frames around the windows.
#include "window_system.hpp"

#include <QApplication>
#include <QScreen>
#include <QWidget>

#include "quoted.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

namespace {

// Qt's message handler takes no arguments of camscope's: what it needs is set here, once, before
// the first window.
struct QtMessages {
  const char* program = "camscope";
  bool opened = false;  // a window system has opened
  QStringList skipped;  // Qt's warnings while it tried the window systems
  QtMessageHandler qt_own = nullptr;
};

QtMessages& qt_messages() {
  static QtMessages messages;
  return messages;
}

void on_qt_message(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  QtMessages& qt = qt_messages();
  // Qt's words for a display that went away, after which it would end the process itself.
  const bool lost = message.contains("connection broke");
  if (type == QtFatalMsg || lost) {
    const QString reasons = (qt.skipped + QStringList(message)).join("; ").simplified();
    end_run(qt.program, (lost ? "lost the connection to " + window_system_name() + ": "
                              : std::string("cannot open windows: ")) +
                            quoted(reasons.toStdString()) + "; run " + qt.program +
                            " in a desktop session (X11 or Wayland), or point DISPLAY or "
                            "WAYLAND_DISPLAY at a running one");
  }
  // Remarks while the window systems are tried (also Qt's on a missing XDG_RUNTIME_DIR, under sudo
  // or ssh -X) are no news once one opens.
  if (!qt.opened && type != QtDebugMsg) {
    qt.skipped << message;
    return;
  }
  if (qt.qt_own != nullptr) {
    qt.qt_own(type, context, message);
  }
}

// OpenCV's window with this title: a top-level widget named after it.
QWidget* window_titled(const std::string& title) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName().toStdString() == title) {
      return widget;
    }
  }
  return nullptr;
}

const QScreen* screen_of(const std::string& title) {
  const QWidget* window = window_titled(title);
  return window != nullptr ? window->screen() : QGuiApplication::primaryScreen();
}

}  // namespace

void introduce_to_desktop(const char* program, Watchdog& watchdog) {
  QtMessages& qt = qt_messages();
  qt.program = program;
  qt.qt_own = qInstallMessageHandler(on_qt_message);
  {
    // The connection, which a server that takes it and never answers (stopped) would hold for
    // ever. OpenCV's windows take this application as their own.
    const WaitGuard guard(watchdog, kAnswerLimit,
                          window_system_name() + " does not answer (no reply in ",
                          "); check that its server is running, not stopped or hung, or point "
                          "DISPLAY or WAYLAND_DISPLAY at another one");
    static int argc = 1;
    // Qt names the application, and so both parts of X's WM_CLASS, after argv[0].
    static char* argv[] = {const_cast<char*>(program), nullptr};
    static const QApplication* const application = new QApplication(argc, argv);  // as the process
    (void)application;
  }
  qt.opened = true;
  qt.skipped.clear();
  QGuiApplication::setDesktopFileName(program);  // Wayland's app id
}

std::string window_system_name() {
  std::string names;
  if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
    names = "X display \"" + quoted(qEnvironmentVariable("DISPLAY").toStdString()) + "\"";
  }
  if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    std::string socket = qEnvironmentVariable("WAYLAND_DISPLAY").toStdString();
    if (socket.front() != '/') {
      socket = qEnvironmentVariable("XDG_RUNTIME_DIR").toStdString() + "/" + socket;
    }
    names += (names.empty() ? "" : " or ") + ("Wayland socket " + quoted(socket));
  }
  return names.empty() ? "the window system" : names;
}

cv::Rect usable_screen_area(const std::string& title) {
  const QScreen* screen = screen_of(title);
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 720);
  return cv::Rect(area.x(), area.y(), area.width(), area.height());
}

double device_pixel_ratio(const std::string& title) {
  const QScreen* screen = screen_of(title);
  return screen != nullptr ? screen->devicePixelRatio() : 1.0;
}

WindowFrame frame_of(const std::string& title) {
  const QWidget* window = window_titled(title);
  if (window == nullptr) {
    return {};
  }
  const QRect outer = window->frameGeometry(), inner = window->geometry();
  return WindowFrame{inner.left() - outer.left(), inner.top() - outer.top(),
                     outer.right() - inner.right(), outer.bottom() - inner.bottom()};
}
