// The dialogs' test programs: GoogleTest inside a QApplication on the
// offscreen platform (no display needed), with a fixed style and locale so
// the widgets behave the same on every machine.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
