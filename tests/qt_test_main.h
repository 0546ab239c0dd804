// main() for the Qt Test programs: runs headless (offscreen) unless a platform
// is chosen, with a private runtime folder, so that the tests run on machines
// without a display and without noise on stderr.
#pragma once

#include <QApplication>
#include <QDir>
#include <QTest>
#include <cstdlib>
#include <string>

#define VANTOR_QT_TEST_MAIN(TestClass)                                          \
  int main(int argc, char** argv) {                                            \
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {                           \
      setenv("QT_QPA_PLATFORM", "offscreen", 1);                              \
    }                                                                          \
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {                           \
      const std::string dir = "/tmp/vantor-runtime-" + std::to_string(getuid()); \
      QDir().mkpath(QString::fromStdString(dir));                              \
      QFile::setPermissions(QString::fromStdString(dir),                       \
                            QFileDevice::ReadOwner | QFileDevice::WriteOwner | \
                                QFileDevice::ExeOwner);                        \
      setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);                               \
    }                                                                          \
    QApplication app(argc, argv);                                              \
    TestClass test;                                                            \
    return QTest::qExec(&test, argc, argv);                                    \
  }
