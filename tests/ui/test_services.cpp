// The services' windows and rules: the default GUI font and how controls take it; the about
// box with its host captions and credits; the help viewer window.
#include "gui_HelpViewer.h"
#include "Fonts.h"
#include "frm_About.h"
#include "support/CoreTestSupport.h"
#include "test_screenshots.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QToolBar>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
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

TEST_F(About, ShowsNameVersionLabelsAndPictureAndAnswersCredits)
{
    EXPECT_EQ(gsAboutVersionText(2, 3, 41), QStringLiteral("Version: 2.3a.41"));
    goFonts = std::make_unique<Fonts>();
    QPointer<frm_About> box = &shown();
    EXPECT_EQ(box->lblProduct1->text() + u'|' + box->lblProduct2->text() + u'|' + box->pbOk->text() + u'|'
                  + box->windowTitle(),
              QStringLiteral("Palimor|%1|Fine|About this editor")
                  .arg(gsAboutVersionText(PALIMOR_VERSION_MAJOR, PALIMOR_VERSION_MINOR, PALIMOR_VERSION_PATCH)));
    EXPECT_FALSE(box->Image1->pixmap().isNull());
    saveScreenshot(box->grab(), QStringLiteral("about.png"));

    // Typing "credits" runs the handler and leaves the box up; Escape closes and releases it.
    int calls = 0;
    box->onCredits = [&] { ++calls; };
    QTest::keyClicks(box, QStringLiteral("credit"));
    EXPECT_EQ(calls, 0);
    QTest::keyClicks(box, QStringLiteral("xcredits"));
    EXPECT_TRUE(calls == 1 && box->isVisible());
    QTest::keyClick(box, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull() && !aboutBoxInstance());
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
    viewer.resize(720, 520);
    // Named apart from the port's picture of it, which may be taken at the same time.
    saveScreenshot(viewer.grab(), QStringLiteral("help_viewer_window.png"));

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

// The window the port shows and shows again: topics at their anchors, links inside
// the folder, back and forward, contents and index, a notice for a missing page;
// closed by Esc, Ctrl+W or its own button.
TEST(HelpViewerWindow, ShowsTopicsFollowsLinksInsideTheFolderGoesBackAndIsReused)
{
    platform::WidgetHelpViewer port;
    const int32_t handle = port.showHelp(nullptr, helpDir(), platform::HelpCommand::DisplayTopic,
                                         QStringLiteral("/plm/plm/label.htm#txtLabelCode"));
    platform::HelpViewerWindow* viewer = port.window();
    ASSERT_TRUE(handle != 0 && viewer && viewer->isVisible());
    EXPECT_TRUE(viewer->currentFile() == helpFile("plm/plm/label.htm")
                && viewer->browser()->source().fragment() == QStringLiteral("txtLabelCode"));
    EXPECT_TRUE(viewer->browser()->toPlainText().contains(QStringLiteral("Label code")) && !viewer->backAction()->isEnabled());
    viewer->resize(720, 520);
    saveScreenshot(viewer->grab(), QStringLiteral("help_viewer.png"));

    Q_EMIT viewer->browser()->anchorClicked(QUrl(QStringLiteral("display.htm")));
    EXPECT_EQ(viewer->currentFile(), helpFile("plm/plm/display.htm"));
    ASSERT_TRUE(viewer->backAction()->isEnabled());
    viewer->backAction()->trigger();
    EXPECT_TRUE(viewer->currentFile() == helpFile("plm/plm/label.htm") && viewer->forwardAction()->isEnabled());
    viewer->indexAction()->trigger();
    EXPECT_EQ(viewer->currentFile(), helpFile("glossary.htm"));
    viewer->contentsAction()->trigger();
    EXPECT_EQ(viewer->currentFile(), helpFile("index.htm"));

    // Links outside open nothing; a missing page shows a notice until the next page.
    ASSERT_TRUE(QFileInfo::exists(helpDir() + QStringLiteral("/../CMakeLists.txt")));
    for (const char* outside : {"https://example.org/", "../CMakeLists.txt"}) {
        Q_EMIT viewer->browser()->anchorClicked(QUrl(QLatin1String(outside)));
        EXPECT_EQ(viewer->currentFile(), helpFile("index.htm")) << outside;
    }
    Q_EMIT viewer->browser()->anchorClicked(QUrl(QStringLiteral("plm/plm/gone.htm")));
    EXPECT_EQ(viewer->currentFile(), QString());
    EXPECT_FALSE(viewer->showPage(helpDir(), platform::HelpCommand::DisplayTopic, QStringLiteral("/plm/nowhere.htm")));
    EXPECT_TRUE(viewer->currentFile().isEmpty() && viewer->browser()->toPlainText().contains(QStringLiteral("/plm/nowhere.htm")));

    // Esc, Ctrl+W and its own button close it; the next help shows the same window.
    for (const QKeyCombination key : {QKeyCombination(Qt::Key_Escape), Qt::CTRL | Qt::Key_W, QKeyCombination()}) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
        if (key == QKeyCombination())
            QTest::mouseClick(viewer->findChild<QToolBar*>()->widgetForAction(viewer->closeAction()), Qt::LeftButton);
        else
            QTest::keyClick(viewer->browser(), key.key(), key.keyboardModifiers());
        EXPECT_FALSE(viewer->isVisible()) << key.toCombined();
        EXPECT_EQ(port.showHelp(nullptr, helpDir(), platform::HelpCommand::DisplayContents, QString()), handle);
        EXPECT_TRUE(port.window() == viewer && viewer->isVisible() && viewer->currentFile() == helpFile("index.htm"));
    }
    EXPECT_FALSE(viewer->browser()->toPlainText().contains(QStringLiteral("nowhere.htm")));
    EXPECT_EQ(port.showHelp(nullptr, QString(), platform::HelpCommand::DisplayContents, QString()), 0);
}

} // namespace
