// The help viewer window and context help on a dialog's controls.
#include "platform/gui_HelpViewer.h"
#include "services/mod_Help.h"
#include "support/CoreTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEnterEvent>
#include <QLineEdit>
#include <QApplication>
#include <QKeyEvent>
#include <QTextBrowser>

namespace {

// Key and mouse input as the window system would deliver it.
void pressKey(QWidget* w, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

QString helpDir() { return qEnvironmentVariable("PALIMOR_SOURCE_DIR") + QStringLiteral("/help"); }

QString helpFile(const char* relative) { return QDir(helpDir()).absoluteFilePath(QLatin1String(relative)); }

TEST(HelpViewerWindow, ShowsTopicsFollowsLinksAndGoesBack)
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
}

TEST(HelpViewerWindow, AMissingPageShowsANoticeAndLinksOutsideOpenNothing)
{
    platform::HelpViewerWindow viewer;
    EXPECT_FALSE(viewer.showPage(helpDir(), platform::HelpCommand::DisplayTopic, QStringLiteral("/plm/nowhere.htm")));
    EXPECT_EQ(viewer.currentFile(), QString());
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("/plm/nowhere.htm")));

    ASSERT_TRUE(viewer.showPage(helpDir(), platform::HelpCommand::DisplayContents, QString()));
    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("https://example.org/")));
    EXPECT_EQ(viewer.currentFile(), helpFile("index.htm"));
    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("plm/plm/gone.htm")));
    EXPECT_EQ(viewer.currentFile(), QString());
    // The page under the notice shows again.
    ASSERT_TRUE(viewer.showPage(helpDir(), platform::HelpCommand::DisplayContents, QString()));
    EXPECT_EQ(viewer.currentFile(), helpFile("index.htm"));
    EXPECT_FALSE(viewer.browser()->toPlainText().contains(QStringLiteral("gone.htm")));
}

TEST(WidgetHelpViewer, ReusesOneWindowAndAnswersItsHandle)
{
    platform::WidgetHelpViewer port;
    const int32_t first = port.showHelp(nullptr, helpDir(), platform::HelpCommand::DisplayTopic, kTopicUsingTheEditor);
    ASSERT_NE(first, 0);
    platform::HelpViewerWindow* window = port.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(port.showHelp(nullptr, helpDir(), platform::HelpCommand::DisplayIndex, QString()), first);
    EXPECT_EQ(port.window(), window);
    EXPECT_EQ(window->currentFile(), helpFile("glossary.htm"));
    EXPECT_EQ(port.showHelp(nullptr, QString(), platform::HelpCommand::DisplayContents, QString()), 0);
}

// A dialog with controls named as the property dialog's.
class ContextHelp : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        resetHelp();
        viewer = platform::installScriptedHelpViewer();
        gsHelpFile = helpDir();
        gInitializeHelpTopics();

        defaultValue = new QLineEdit(&dialog);
        defaultValue->setObjectName(QStringLiteral("txtDefaultValue"));
        grid = new QCheckBox(&dialog);
        grid->setObjectName(QStringLiteral("chkGrid"));
        fieldType = new QComboBox(&dialog);
        fieldType->setObjectName(QStringLiteral("cboFieldType"));
        fieldType->setEditable(true);
        watched = platform::installContextHelp(&dialog, gbPropertiesContextHelp);
        dialog.show();
    }
    void TearDown() override
    {
        resetHelp();
        platform::resetHelpViewer();
        CoreTest::TearDown();
    }

    QStringList topicsShown() const
    {
        QStringList topics;
        for (const auto& s : viewer->shown())
            topics << s.topic;
        return topics;
    }

    static void enter(QWidget* w)
    {
        QEnterEvent e(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(w, &e);
    }

    QDialog dialog;
    QLineEdit* defaultValue = nullptr;
    QCheckBox* grid = nullptr;
    QComboBox* fieldType = nullptr;
    int watched = 0;
    std::shared_ptr<platform::ScriptedHelpViewer> viewer;
};

TEST_F(ContextHelp, F1OnAControlOpensItsTopic)
{
    EXPECT_EQ(watched, 3);  // the combo box's own line edit is part of it
    pressKey(defaultValue, Qt::Key_F1);
    pressKey(fieldType->lineEdit(), Qt::Key_F1);
    pressKey(defaultValue, Qt::Key_A, QStringLiteral("a"));
    EXPECT_EQ(topicsShown(), (QStringList{QStringLiteral("/plm/plm/general_properties.htm#chkDefault"),
                                          QStringLiteral("/plm/plm/general_properties.htm#cboFieldType")}));
    EXPECT_EQ(defaultValue->text(), QStringLiteral("a"));
    EXPECT_EQ(glHelpWnd, platform::ScriptedHelpViewer::handle());
    EXPECT_TRUE(QFileInfo(viewer->shown().at(0).pageFile).isFile());
}

TEST_F(ContextHelp, TheMouseOpensHelpOnlyOverADisabledControl)
{
    enter(grid);
    EXPECT_TRUE(viewer->shown().empty());
    grid->setEnabled(false);
    enter(grid);
    EXPECT_EQ(topicsShown(), QStringList{QStringLiteral("/plm/plm/position.htm#chkGrid")});
}

} // namespace
