// SPDX-License-Identifier: Apache-2.0
// What camscope asks of Qt itself about its windows, beyond OpenCV's calls: the screen, the frames
// the window manager adds, windows closed by their user, the program's name on the desktop, and a
// window system that goes away.
#include "desktop.hpp"

#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QWidget>
#include <map>

#include "signals.hpp"

namespace {

// Qt's message handler takes no arguments of camscope's: what it needs is set here, once, before
// the first window.
QtMessageHandler qt_own_handler = nullptr;
std::string lost_display;  // the message for a window system that goes away

void on_qt_message(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  // Qt's words for a display that went away, after which it ends the process with status 1.
  if (message.startsWith("The X11 connection broke") ||
      message.startsWith("The Wayland connection broke")) {
    write_last_words({lost_display.c_str(), "\n"});
    _exit(1);
  }
  // Qt's remark on a missing XDG_RUNTIME_DIR (under sudo, ssh -X) changes nothing for camscope.
  if (message.startsWith("QStandardPaths: ")) {
    return;
  }
  qt_own_handler(type, context, message);
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

}  // namespace

void introduce_to_desktop(const char* program, const std::string& display) {
  QCoreApplication::setApplicationName(program);  // WM_CLASS's class
  QGuiApplication::setDesktopFileName(program);   // Wayland's app id
  lost_display = "lost the connection to " + display +
                 " (its server ended, or the windows were killed); start " + program +
                 " again on a running desktop";
  qt_own_handler = qInstallMessageHandler(on_qt_message);
}

cv::Rect usable_screen_area(const std::string& title) {
  const QWidget* window = window_titled(title);
  const QScreen* screen = window != nullptr ? window->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 720);
  return cv::Rect(area.x(), area.y(), area.width(), area.height());
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

// Notes the titles of windows hidden by a close; a window minimised is hidden by the window
// system, which Qt tells apart as a spontaneous event.
class ClosedWindows::Filter : public QObject {
 public:
  std::map<std::string, cv::Rect> closed;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide && !event->spontaneous()) {
      const QRect at = static_cast<QWidget*>(watched)->geometry();
      closed[watched->objectName().toStdString()] = {at.x(), at.y(), at.width(), at.height()};
    }
    return false;
  }
};

ClosedWindows::ClosedWindows() : filter_(std::make_unique<Filter>()) {}

ClosedWindows::~ClosedWindows() = default;

void ClosedWindows::watch(const std::string& title) {
  if (QWidget* window = window_titled(title)) {
    window->installEventFilter(filter_.get());
  }
}

std::optional<cv::Rect> ClosedWindows::take(const std::string& title) {
  const auto found = filter_->closed.find(title);
  if (found == filter_->closed.end()) {
    return std::nullopt;
  }
  const cv::Rect left_at = found->second;
  filter_->closed.erase(found);
  return left_at;
}
