#include <gtest/gtest.h>

#include <QApplication>

// Every test program runs with a QApplication on the offscreen platform, so GUI and
// non-GUI tests share one main.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("PALIMOR_SOURCE_DIR"))
        qputenv("PALIMOR_SOURCE_DIR", PALIMOR_SOURCE_DIR_DEFAULT);
    if (qEnvironmentVariableIsEmpty("PALIMOR_HOST_TOOL"))
        qputenv("PALIMOR_HOST_TOOL", PALIMOR_HOST_TOOL_DEFAULT);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
