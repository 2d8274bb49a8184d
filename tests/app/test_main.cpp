// Runs the window's tests inside one application object.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // Without a display of their own the tests draw off screen.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The tests drive Qt's own dialogs, whatever the desktop offers.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
