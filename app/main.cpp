// tavimer-maint: the program's entry point.
#include <QApplication>

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName("Tavimer Database Maintenance");
  return 0;
}
