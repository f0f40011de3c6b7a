#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

// GUI tests run under the offscreen platform unless the caller chose another
// one (a real X server, to look at a window).
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
