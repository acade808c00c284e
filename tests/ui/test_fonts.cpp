// The default GUI font, how controls take it, its log line and the locale library.
#include "services/Fonts.h"
#include "support/CoreTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

class FontsTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        resetFonts();
        savedFont = QApplication::font();
        Fonts::setSystemDirectory(tmp.path());
        QFont app(QStringLiteral("DejaVu Sans"));
        app.setPixelSize(11);
        QApplication::setFont(app);
    }
    void TearDown() override
    {
        QApplication::setFont(savedFont);
        resetFonts();
        CoreTest::TearDown();
    }

    QFont savedFont;
};

TEST(FontsRules, PointSizesLocaleIdsAndCharsets)
{
    const struct {
        int32_t height, leading, dpi;
        double points;
    } cases[] = {{13, 3, 120, 6.0}, {11, 0, 96, 8.25}, {16, 4, 96, 9.0}, {12, 0, 0, 0.0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(Fonts::pointSize(c.height, c.leading, c.dpi), c.points) << c.height << "/" << c.dpi;

    const struct {
        const char* locale;
        uint32_t lcid;
        int16_t charset;
    } locales[] = {{"en_US", 0x409, 0},   {"de_CH", 0x807, 0},   {"ja_JP", 0x411, 128}, {"zh_CN", 0x804, 134},
                 {"zh_TW", 0x404, 136}, {"ru_RU", 0x419, 204}, {"pl_PL", 0x415, 238}, {"C", 0x7F, 0}};
    for (const auto& c : locales) {
        const QLocale locale(QLatin1String(c.locale));
        EXPECT_EQ(Fonts::localeId(locale), c.lcid) << c.locale;
        EXPECT_EQ(Fonts::charsetOf(locale), c.charset) << c.locale;
    }
}

TEST_F(FontsTest, LocaleLibraryIsLookedForByTheNameRule)
{
    EXPECT_EQ(Fonts::localeLibraryPath(QStringLiteral("palimor"), 0x409), tmp.path() + QStringLiteral("/PALIL409.so"));
    EXPECT_EQ(Fonts::localeLibraryPath(QStringLiteral("ed.bin"), 0xC0A), tmp.path() + QStringLiteral("/EDLC0A.so"));

    // A library that does not load: the instance is its own locale object.
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QFile broken(Fonts::localeLibraryPath(program, Fonts::localeId(QLocale::system())));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("not a library") > 0);
    broken.close();
    Fonts unloadable;
    EXPECT_FALSE(unloadable.hasLocalizer());
    EXPECT_EQ(unloadable.localeObjectName(), QStringLiteral("Fonts"));
    EXPECT_TRUE(dialogs->shown().empty());
}

TEST_F(FontsTest, ControlsTakeTheDefaultFontAndOthersAreLeftAlone)
{
    Fonts fonts;
    const Fonts::FontDesc desc = fonts.DefaultFont();
    ASSERT_FALSE(desc.Name.isEmpty());
    EXPECT_EQ(glMaxCharWidth, QFontMetrics(QApplication::font()).maxWidth());

    QWidget window;
    QWidget* plain = new QWidget(&window);
    const QFont odd(QStringLiteral("Serif"), 20, QFont::Bold);
    QAction action(&window);
    std::vector<QObject*> controls = {new QLabel(&window), new QPushButton(&window), new QLineEdit(&window), &action};
    for (QObject* o : controls)
        o->setProperty("font", odd);
    plain->setFont(odd);

    fonts.SetDefaultFontOfControls(&window);
    fonts.SetDefaultFont(&action);
    for (QObject* o : controls) {
        const QFont f = o->property("font").value<QFont>();
        EXPECT_EQ(f.family(), desc.Name);
        EXPECT_DOUBLE_EQ(f.pointSizeF(), desc.Size);
        EXPECT_EQ(f.weight(), QFont::Normal);
        EXPECT_EQ(o->property("fontCharset").toInt(), desc.Charset);
    }
    EXPECT_EQ(plain->font(), odd);

    QObject noFont;
    fonts.SetDefaultFont(&noFont);
    fonts.SetDefaultFont(nullptr);
    EXPECT_FALSE(noFont.property("fontCharset").isValid());
}

TEST_F(FontsTest, EveryMeasureWritesTheFontLine)
{
    if (qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY()) != 96)
        GTEST_SKIP() << "the expected sizes assume 96 dots per inch";
    startLogging();
    Fonts fonts;
    const Fonts::FontDesc desc = fonts.DefaultFont();
    QLabel label;
    fonts.SetDefaultFont(&label);
    EXPECT_DOUBLE_EQ(desc.Size, 8.25);
    EXPECT_DOUBLE_EQ(label.font().pointSizeF(), 8.25);
    const QString line = QStringLiteral("Font used: '%1' ;size:  8.25 charset: ' %2'").arg(desc.Name).arg(desc.Charset);
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2);
    for (const QString& l : lines)
        EXPECT_TRUE(l.endsWith(QStringLiteral(" - ") + line)) << l.toStdString();
}

} // namespace
