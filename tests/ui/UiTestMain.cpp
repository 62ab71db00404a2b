// Runs the window tests on the offscreen platform: nothing is shown and no
// test ever waits for a person.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // No desktop integration may open anything during the tests.
  qputenv("QT_QPA_PLATFORMTHEME", "");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
