#pragma once
// The one Qt application object of a test program that opens windows.

#include <QApplication>

namespace tav::testing {

inline QApplication& App() {
  static int argc = 1;
  static char name[] = "tavimer_test";
  static char* argv[] = {name, nullptr};
  // Never destroyed: Qt's own statics (the test keyboard) must not outlive it at exit.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace tav::testing
