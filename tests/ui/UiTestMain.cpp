// Runs the window tests on the offscreen platform: nothing is shown and no
// test ever waits for a person.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // No desktop integration may open anything during the tests.
  setenv("QT_QPA_PLATFORMTHEME", "", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
