// The services' windows and rules: the default GUI font, how controls take it and its log
// line; the about box, its caption from the host labels and the ways it closes; the help
// viewer window and context help on a dialog's controls.
#include "platform/gui_HelpViewer.h"
#include "services/Fonts.h"
#include "services/frm_About.h"
#include "services/mod_Help.h"
#include "support/CoreTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEnterEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>

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

TEST(FontsRules, PointSizesFromTheCellHeightAndTheScreen)
{
    const struct {
        int32_t height, leading, dpi;
        double points;
    } cases[] = {{13, 3, 120, 6.0}, {11, 0, 96, 8.25}, {16, 4, 96, 9.0}, {12, 0, 0, 0.0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(Fonts::pointSize(c.height, c.leading, c.dpi), c.points) << c.height << "/" << c.dpi;
}

TEST_F(FontsTest, LocaleLibraryIsLookedForByTheNameRule)
{
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

class About : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        useTexts({{QStringLiteral("pzcmd.Ok"), QStringLiteral("Fine")},
                  {QStringLiteral("pzfrm.About"), QStringLiteral("About this editor")}});
    }
    void TearDown() override
    {
        delete aboutBoxInstance();
        resetFonts();
        CoreTest::TearDown();
    }
    // Shows the box without blocking, as the modal show would.
    frm_About& shown()
    {
        frm_About& box = aboutBox();
        box.show();
        return box;
    }
};

TEST_F(About, ShowsNameVersionLabelsAndPictureCentredAndAnswersCredits)
{
    EXPECT_EQ(gsAboutVersionText(2, 3, 41), QStringLiteral("Version: 2.3a.41"));
    goFonts = std::make_unique<Fonts>();
    frm_About& box = shown();
    EXPECT_EQ(box.lblProduct1->text(), QStringLiteral("Palimor"));
    EXPECT_EQ(box.lblProduct2->text(),
              gsAboutVersionText(PALIMOR_VERSION_MAJOR, PALIMOR_VERSION_MINOR, PALIMOR_VERSION_PATCH));
    EXPECT_FALSE(box.lblNotice->text().isEmpty());
    EXPECT_EQ(box.pbOk->text(), QStringLiteral("Fine"));
    EXPECT_EQ(box.Image1->geometry(), box.rect());
    EXPECT_FALSE(box.Image1->pixmap().isNull());
    EXPECT_TRUE(box.pbOk->property("fontCharset").isValid());
    // Every activation translates the code again, not the text it became.
    for (int activation = 0; activation < 2; ++activation) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("About this editor")) << activation;
        box.hide();
        box.show();
    }
    EXPECT_TRUE(dialogs->shown().empty());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(box.x(), screen.left() + (screen.width() - box.width()) / 2);
    EXPECT_EQ(box.y(), screen.top() + (screen.height() - box.height()) / 2);

    // Typing "credits" runs the handler and leaves the box up.
    int calls = 0;
    box.onCredits = [&] { ++calls; };
    QTest::keyClicks(&box, QStringLiteral("credit"));
    EXPECT_EQ(calls, 0);
    QTest::keyClicks(&box, QStringLiteral("xcredits"));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(box.isVisible());
}

TEST_F(About, EnterEscAClickAndOkCloseAndReleaseTheBox)
{
    const std::function<void(frm_About&)> closers[] = {
        [](frm_About& b) { QTest::keyClick(&b, Qt::Key_Escape); },
        [](frm_About& b) { QTest::keyClick(&b, Qt::Key_Return); },
        [](frm_About& b) { QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 5)); },
        [](frm_About& b) { QTest::mouseClick(b.lblProduct1, Qt::LeftButton, {}, QPoint(3, 3)); },
        [](frm_About& b) { b.pbOk->click(); },
        [](frm_About& b) { b.close(); },
    };
    for (const auto& close : closers) {
        QPointer<frm_About> box = &shown();
        close(*box);
        EXPECT_FALSE(box->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(box.isNull());
        EXPECT_EQ(aboutBoxInstance(), nullptr);
    }
}

QString helpDir() { return qEnvironmentVariable("PALIMOR_SOURCE_DIR") + QStringLiteral("/help"); }

QString helpFile(const char* relative) { return QDir(helpDir()).absoluteFilePath(QLatin1String(relative)); }

TEST(HelpViewerWindow, ShowsTopicsFollowsLinksInsideTheFolderAndGoesBack)
{
    platform::HelpViewerWindow viewer;
    ASSERT_TRUE(viewer.showPage(helpDir(), platform::HelpCommand::DisplayTopic,
                                QStringLiteral("/plm/plm/label.htm#txtLabelCode")));
    EXPECT_EQ(viewer.currentFile(), helpFile("plm/plm/label.htm"));
    EXPECT_EQ(viewer.browser()->source().fragment(), QStringLiteral("txtLabelCode"));
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("Label code")));
    EXPECT_FALSE(viewer.backAction()->isEnabled());

    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("display.htm")));
    EXPECT_EQ(viewer.currentFile(), helpFile("plm/plm/display.htm"));
    ASSERT_TRUE(viewer.backAction()->isEnabled());
    viewer.backAction()->trigger();
    EXPECT_EQ(viewer.currentFile(), helpFile("plm/plm/label.htm"));
    EXPECT_TRUE(viewer.forwardAction()->isEnabled());
    viewer.indexAction()->trigger();
    EXPECT_EQ(viewer.currentFile(), helpFile("glossary.htm"));
    viewer.contentsAction()->trigger();
    EXPECT_EQ(viewer.currentFile(), helpFile("index.htm"));

    // Links outside open nothing; a missing page shows a notice until the next page.
    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("https://example.org/")));
    EXPECT_EQ(viewer.currentFile(), helpFile("index.htm"));
    ASSERT_TRUE(QFileInfo::exists(helpDir() + QStringLiteral("/../CMakeLists.txt")));
    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("../CMakeLists.txt")));
    EXPECT_EQ(viewer.currentFile(), helpFile("index.htm"));
    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("plm/plm/gone.htm")));
    EXPECT_EQ(viewer.currentFile(), QString());
    EXPECT_FALSE(viewer.showPage(helpDir(), platform::HelpCommand::DisplayTopic, QStringLiteral("/plm/nowhere.htm")));
    EXPECT_EQ(viewer.currentFile(), QString());
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("/plm/nowhere.htm")));
    ASSERT_TRUE(viewer.showPage(helpDir(), platform::HelpCommand::DisplayContents, QString()));
    EXPECT_EQ(viewer.currentFile(), helpFile("index.htm"));
    EXPECT_FALSE(viewer.browser()->toPlainText().contains(QStringLiteral("nowhere.htm")));
}

TEST(WidgetHelpViewer, ReusesOneWindowAndAnswersItsHandle)
{
    platform::WidgetHelpViewer port;
    const int32_t first = port.showHelp(nullptr, helpDir(), platform::HelpCommand::DisplayTopic, kTopicUsingTheEditor);
    ASSERT_NE(first, 0);
    platform::HelpViewerWindow* window = port.window();
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_EQ(port.showHelp(nullptr, helpDir(), platform::HelpCommand::DisplayIndex, QString()), first);
    EXPECT_EQ(port.window(), window);
    EXPECT_EQ(window->currentFile(), helpFile("glossary.htm"));
    EXPECT_EQ(port.showHelp(nullptr, QString(), platform::HelpCommand::DisplayContents, QString()), 0);
}

class ContextHelp : public CoreTest {
protected:
    void TearDown() override
    {
        resetHelp();
        platform::resetHelpViewer();
        CoreTest::TearDown();
    }
};

// F1 on a control opens its topic; the mouse opens it only over a disabled control.
TEST_F(ContextHelp, F1OrTheMouseOverADisabledControlOpensItsTopic)
{
    resetHelp();
    const auto viewer = platform::installScriptedHelpViewer();
    gsHelpFile = helpDir();
    gInitializeHelpTopics();
    QDialog dialog;  // controls named as the property dialog's
    auto* defaultValue = new QLineEdit(&dialog);
    defaultValue->setObjectName(QStringLiteral("txtDefaultValue"));
    auto* grid = new QCheckBox(&dialog);
    grid->setObjectName(QStringLiteral("chkGrid"));
    auto* fieldType = new QComboBox(&dialog);
    fieldType->setObjectName(QStringLiteral("cboFieldType"));
    fieldType->setEditable(true);
    EXPECT_EQ(platform::installContextHelp(&dialog, gbPropertiesContextHelp), 3);  // with the combo box's line edit
    dialog.show();

    QTest::keyClick(defaultValue, Qt::Key_F1);
    QTest::keyClick(fieldType->lineEdit(), Qt::Key_F1);
    QTest::keyClick(defaultValue, Qt::Key_A);
    EXPECT_EQ(defaultValue->text(), QStringLiteral("a"));
    EXPECT_EQ(glHelpWnd, platform::ScriptedHelpViewer::handle());

    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(grid, &enter);
    grid->setEnabled(false);
    QCoreApplication::sendEvent(grid, &enter);
    QStringList topics;
    for (const auto& s : viewer->shown())
        topics << s.topic;
    EXPECT_EQ(topics, QStringList({"/plm/plm/general_properties.htm#chkDefault",
                                   "/plm/plm/general_properties.htm#cboFieldType", "/plm/plm/position.htm#chkGrid"}));
}

} // namespace
