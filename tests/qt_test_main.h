// main() for the Qt Test programs: runs headless (offscreen) unless a platform
// is chosen, with a private runtime folder, so that the tests run on machines
// without a display and without noise on stderr.
//
// Any Qt warning fails the test function it comes from (its init() and
// cleanup() included), unless the test expects it with QTest::ignoreMessage:
// a renderer that addresses a control by a misspelt name, a layout that
// cannot be met or a painter that cannot start only print a warning in the
// program, and a test must not pass over them. A warning outside every test
// function (while the test object or the application is destroyed) makes the
// program fail at its end.
#pragma once

#include <QApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vantor::testing {

// Matches every warning except the offscreen platform's notes on requests it
// cannot carry out (bringing a window to the front, passing size hints to a
// window system); they say nothing about our code and vary with the platform.
inline const QRegularExpression& UnexpectedWarning() {
  static const QRegularExpression pattern(
      QStringLiteral("^(?!This plugin does not support (raise|propagateSizeHints)\\(\\)$)"));
  return pattern;
}

inline QtMessageHandler previousMessageHandler = nullptr;
inline bool warnedOutsideTests = false;

// Hands every message on to the handler below it (Qt Test's while the tests
// run). Qt Test forgets its fail-on-warning patterns after each test
// function, so the pattern is given again with every warning, just before
// Qt Test sees it; a message the test ignores stays ignored.
inline void FailOnWarnings(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
  if (type == QtWarningMsg && UnexpectedWarning().match(message).hasMatch()) {
    if (QTest::currentTestFunction() != nullptr) {
      QTest::failOnWarning(UnexpectedWarning());
    } else {
      warnedOutsideTests = true;
    }
  }
  previousMessageHandler(type, context, message);
}

// Puts FailOnWarnings on top of the message handler in use.
inline void InstallFailOnWarnings() {
  previousMessageHandler = qInstallMessageHandler(FailOnWarnings);
}

}  // namespace vantor::testing

// qExec() split into its three steps: Qt Test installs its own message
// handler in qInit() and puts back the one before it in qCleanup().
#define VANTOR_QT_TEST_MAIN(TestClass)                                                   \
  int main(int argc, char** argv) {                                                      \
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {                                     \
      setenv("QT_QPA_PLATFORM", "offscreen", 1);                                         \
    }                                                                                    \
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {                                     \
      const std::string dir = "/tmp/vantor-runtime-" + std::to_string(getuid());         \
      QDir().mkpath(QString::fromStdString(dir));                                        \
      QFile::setPermissions(QString::fromStdString(dir), QFileDevice::ReadOwner |        \
                                                             QFileDevice::WriteOwner |   \
                                                             QFileDevice::ExeOwner);     \
      setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);                                         \
    }                                                                                    \
    int status = 0;                                                                      \
    {                                                                                    \
      QApplication app(argc, argv);                                                      \
      {                                                                                  \
        TestClass test;                                                                  \
        QTest::qInit(&test, argc, argv);                                                 \
        vantor::testing::InstallFailOnWarnings();                                        \
        status = QTest::qRun();                                                          \
        QTest::qCleanup();                                                               \
        vantor::testing::InstallFailOnWarnings();                                        \
      }                                                                                  \
    }                                                                                    \
    if (vantor::testing::warnedOutsideTests) {                                           \
      std::fputs("FAIL: a Qt warning outside the test functions (see above)\n", stderr); \
      if (status == 0) status = 1;                                                       \
    }                                                                                    \
    return status;                                                                       \
  }
