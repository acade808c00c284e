#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// PALIMOR_TEST_SCREEN, "1600x1000@2": the offscreen platform's one screen, in pixels,
// and the scale the program runs at, as a user sets it with QT_SCALE_FACTOR. The
// platform reads its screens from a file when the application starts.
bool configureTestScreen(const QTemporaryDir& dir)
{
    const QString wanted = qEnvironmentVariable("PALIMOR_TEST_SCREEN");
    if (wanted.isEmpty() || qEnvironmentVariable("QT_QPA_PLATFORM") != QLatin1String("offscreen"))
        return true;
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^(\\d+)x(\\d+)@(\\d+)$")).match(wanted);
    const QString file = dir.filePath(QStringLiteral("screen.json"));
    QFile json(file);
    if (!m.hasMatch() || !dir.isValid() || !json.open(QIODevice::WriteOnly))
        return false;
    const QString screen = QStringLiteral("{\"name\": \"test\", \"x\": 0, \"y\": 0, \"width\": %1, \"height\": %2}");
    json.write(QStringLiteral("{\"screens\": [%1]}").arg(screen.arg(m.captured(1), m.captured(2))).toUtf8());
    json.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + file.toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", m.captured(3).toLatin1());
    return true;
}

} // namespace

// Every test program runs with a QApplication on the offscreen platform, so GUI and
// non-GUI tests share one main.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir screenDir;
    if (!configureTestScreen(screenDir)) {
        fprintf(stderr, "PALIMOR_TEST_SCREEN must read like 1600x1000@2\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("PALIMOR_SOURCE_DIR"))
        qputenv("PALIMOR_SOURCE_DIR", PALIMOR_SOURCE_DIR_DEFAULT);
    if (qEnvironmentVariableIsEmpty("PALIMOR_HOST_TOOL"))
        qputenv("PALIMOR_HOST_TOOL", PALIMOR_HOST_TOOL_DEFAULT);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
