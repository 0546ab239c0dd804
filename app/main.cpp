// Vantor, the desktop program: one store, the main window, the event loop.
#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/store.h"
#include "windows/frm_main.h"

int main(int argc, char** argv) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const bool hasDisplay = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  if (!hasDisplay && platform == nullptr) {
    std::fprintf(stderr,
                 "vantor: no display found. Run it under X11 or Wayland, or headless with "
                 "QT_QPA_PLATFORM=offscreen (or xvfb-run build/app/vantor).\n");
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vantor"));
  QApplication::setApplicationDisplayName(QStringLiteral("Vantor"));
  auto store = std::make_unique<vantor::Store>();
  vantor::FrmMain main(*store);
  main.ShowModeless();
  return app.exec();
}
