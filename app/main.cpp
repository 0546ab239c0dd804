// Vantor, the desktop program: one store, the main window, the event loop.
// `vantor FILE` loads FILE at start-up as the open window's OK does.
#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QIcon>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/output_file.h"
#include "core/store.h"
#include "windows/frm_about.h"
#include "windows/frm_main.h"
#include "windows/frm_open.h"

int main(int argc, char** argv) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const bool hasDisplay =
      std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  if (!hasDisplay && platform == nullptr) {
    std::fprintf(stderr,
                 "vantor: no display found. Run it under X11 or Wayland, or headless with "
                 "QT_QPA_PLATFORM=offscreen (or xvfb-run build/app/vantor).\n");
    return 1;
  }
  // Ctrl+C in the terminal, a kill or a closed session while a report, a
  // table or a figure is being written removes its temporary file.
  vantor::InstallOutputCleanupHandlers();
  QApplication app(argc, argv);
  // QApplication has set the whole locale from the environment; numbers are
  // read and written with the full stop whatever the user's LC_NUMERIC says
  // (the core does so regardless, this covers every printf elsewhere).
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("Vantor"));
  // No display name: the desktop would append " — Vantor" to every window
  // title, and the titles are the windows' own captions, exactly.
  QApplication::setApplicationVersion(QString::fromLatin1(vantor::kVersion));
  // The installed vantor.desktop and its icon name this program on the desktop.
  QGuiApplication::setDesktopFileName(QStringLiteral("vantor"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("vantor")));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Times the minimum of an eclipsing binary's light curve by six methods."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("file"),
                               QStringLiteral("A light-curve file to load at start-up."),
                               QStringLiteral("[file]"));
  parser.process(app);  // --help, --version and unknown options end here
  const QStringList files = parser.positionalArguments();
  if (files.size() > 1) {
    std::fprintf(stderr, "vantor: give at most one light-curve file.\n");
    return 2;
  }

  auto store = std::make_unique<vantor::Store>();
  vantor::FrmMain main(*store);
  main.ShowModeless();
  if (!files.isEmpty()) {
    // Once the window is up, so that a refusal's message box has it behind.
    const QString file = files.front();
    QTimer::singleShot(0, &main, [&main, file] { main.OpenOrImport(file); });
  }
  return app.exec();
}
