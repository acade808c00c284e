#include "QtPrinters.h"

#include "gui_Clipboard.h"
#include "gui_Cursor.h"
#include "gui_Dialogs.h"
#include "gui_FileViewer.h"
#include "gui_Ports.h"
#include "Dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <functional>

using namespace platform;

namespace {

// Runs act on the first modal window once it is up (the box's own loop runs the timer).
void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

void pressKey(QWidget* w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

// Shows a message box, runs act on it once it is up and gives the box's answer.
int showBox(int style, std::function<void(QMessageBox*)> act, const QString& title = QStringLiteral("Title"))
{
    whenModal([act](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            act(box);
        } else {
            ADD_FAILURE() << "not a message box";
            pressKey(w, Qt::Key_Escape);
        }
    });
    return WidgetDialogs().messageBox(QStringLiteral("<b>Field</b> & \"x\" < 3"), style, title);
}

Qt::CursorShape overrideShape()
{
    const QCursor* c = QGuiApplication::overrideCursor();
    return c ? c->shape() : Qt::BitmapCursor;  // BitmapCursor: no override at all
}

// Nobody sees the box: a message takes its default, a question the answer that changes
// nothing; the windowless port stands in only while its test says so.
TEST(Windowless, BoxesGoElsewhereAndQuestionsChangeNothing)
{
    const struct {
        int style;
        int expected;
    } cases[] = {{MbOk | MbIconCritical, IdOk}, {MbYesNo | MbIconExclamation, IdNo},
                 {MbYesNoCancel, IdCancel}, {MbOkCancel, IdCancel}, {MbRetryCancel, IdCancel},
                 {MbAbortRetryIgnore | MbDefButton3, IdIgnore}};
    for (const auto& c : cases)
        EXPECT_EQ(unattendedResult(c.style), c.expected) << "style " << c.style;

    auto shown = installScriptedDialogs();
    auto unseen = std::make_shared<ScriptedDialogs>();
    bool windowless = false;
    setWindowlessDialogs(unseen, [&] { return windowless; });
    dialogs().messageBox("seen", MbOk, QString());
    windowless = true;
    dialogs().messageBox("unseen", MbOk, QString());
    EXPECT_EQ(shown->texts(), QStringList{"seen"});
    EXPECT_EQ(unseen->texts(), QStringList{"unseen"});
    resetDialogs();
    EXPECT_NE(&dialogs(), unseen.get());
}

// The scripted twin every other test answers through.
TEST(ScriptedDialogs, AnswersInOrderThenByDefaultAndRecordsTheApplicationsTitle)
{
    resetDialogs();  // scripted until the program installs the widget port
    EXPECT_NE(dynamic_cast<ScriptedDialogs*>(&dialogs()), nullptr);
    ScriptedDialogs d;
    d.queueAnswer(IdNo);
    d.queueInput(QString());  // an emptied text is no cancel
    EXPECT_EQ(d.messageBox("Save changes?", MbYesNoCancel | MbIconQuestion, "Palimor Editor"), IdNo);
    EXPECT_EQ(d.inputBox("Emptied", "T", "x"), QString());
    EXPECT_EQ(d.messageBox("Sure?", MbYesNo | MbDefButton2, QString()), IdNo);
    EXPECT_EQ(d.inputBox("Name", "T", "kept"), QStringLiteral("kept"));
    EXPECT_EQ(d.shown()[2].title, QStringLiteral("Palimor"));
    d.queueAnswer(IdCancel);
    d.clear();  // the queue goes too
    EXPECT_TRUE(d.shown().empty());
    EXPECT_EQ(d.messageBox("second", MbOkCancel, "t"), IdOk);
    // A button set the numbering doesn't know is an OK box.
    EXPECT_EQ(d.messageBox("odd", 7 | MbDefButton2, "t"), IdOk);
}

class WidgetPortsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        resetMousePointer();
        resetDialogs();
        resetClipboard();
        resetFileViewer();
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }
};

TEST_F(WidgetPortsTest, MessageBoxShowsTheStyleAndPlainTextAndEnterAnswersTheDefault)
{
    using B = QMessageBox;
    const struct {
        int style;
        B::StandardButtons buttons;
        B::StandardButton defaultButton;
        B::Icon icon;
        int answer;  // the default's, which the scripted and the windowless ports give too
    } cases[] = {
        {MbOk | MbDefButton3, B::Ok, B::Ok, B::NoIcon, IdOk},
        {MbOkCancel | MbIconCritical, B::Ok | B::Cancel, B::Ok, B::Critical, IdOk},
        {MbAbortRetryIgnore | MbDefButton3, B::Abort | B::Retry | B::Ignore, B::Ignore, B::NoIcon, IdIgnore},
        {MbYesNoCancel | MbIconQuestion | MbDefButton2, B::Yes | B::No | B::Cancel, B::No, B::Question, IdNo},
        {MbYesNo | MbIconExclamation | MbDefButton3, B::Yes | B::No, B::Yes, B::Warning, IdYes},
        {MbRetryCancel | MbIconInformation | MbDefButton2, B::Retry | B::Cancel, B::Cancel, B::Information, IdCancel}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        const int result = showBox(c.style, [&](QMessageBox* box) {
            EXPECT_EQ(box->standardButtons(), c.buttons);
            EXPECT_EQ(box->standardButton(box->defaultButton()), c.defaultButton);
            EXPECT_EQ(box->icon(), c.icon);
            EXPECT_EQ(box->text(), QStringLiteral("<b>Field</b> & \"x\" < 3"));
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Palimor"));  // a missing title is the application's
            pressKey(box, Qt::Key_Return);
        }, QString());
        EXPECT_EQ(result, c.answer);
        EXPECT_EQ(defaultResult(c.style), c.answer);
    }
}

TEST_F(WidgetPortsTest, ClickedButtonOrEscapeGivesItsResult)
{
    const struct {
        int style;
        QMessageBox::StandardButton click;  // NoButton: press Escape
        int result;
    } cases[] = {{MbOkCancel, QMessageBox::Cancel, IdCancel},        {MbAbortRetryIgnore, QMessageBox::Abort, IdAbort},
                 {MbAbortRetryIgnore, QMessageBox::Ignore, IdIgnore}, {MbYesNoCancel, QMessageBox::No, IdNo},
                 {MbRetryCancel, QMessageBox::Retry, IdRetry},        {MbOk, QMessageBox::NoButton, IdOk},
                 {MbYesNoCancel | MbDefButton2, QMessageBox::NoButton, IdCancel}};
    for (const auto& c : cases) {
        const int result = showBox(c.style, [&](QMessageBox* box) {
            if (c.click == QMessageBox::NoButton)
                pressKey(box, Qt::Key_Escape);
            else if (QAbstractButton* button = box->button(c.click))
                button->click();
            else {
                ADD_FAILURE() << "no button " << c.click;
                box->done(0);
            }
        });
        EXPECT_EQ(result, c.result) << "style " << c.style << ", button " << c.click;
    }
}

TEST_F(WidgetPortsTest, InputBoxShowsAPlainPromptAndGivesTheConfirmedTextOrNothing)
{
    QString title, preset;
    Qt::TextFormat format = Qt::AutoText;
    whenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        preset = dialog->textValue();
        for (QLabel* l : w->findChildren<QLabel*>())
            if (l->text() == QStringLiteral("<i>Automation Class</i>"))
                format = l->textFormat();
        dialog->findChild<QLineEdit*>()->setText("Vrok.Application.Other");
        dialog->accept();
    });
    EXPECT_EQ(WidgetDialogs().inputBox("<i>Automation Class</i>", "Vrok Environment", "Vrok.Application.VandorMatrix"),
              QStringLiteral("Vrok.Application.Other"));
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(title, QStringLiteral("Vrok Environment"));
    EXPECT_EQ(preset, QStringLiteral("Vrok.Application.VandorMatrix"));

    whenModal([&](QWidget* w) { pressKey(w, Qt::Key_Escape); });
    EXPECT_EQ(WidgetDialogs().inputBox("prompt", "t", "text"), std::nullopt);
}

// The input box shows the whole text it starts with, its start not scrolled away,
// while the screen has room for it; a longer text leaves the box on the screen.
TEST_F(WidgetPortsTest, InputBoxIsAsWideAsItsTextWhereTheScreenHasRoom)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const int room = screen->availableGeometry().width();
    const struct {
        QString text;
        bool whole;
    } cases[] = {{QStringLiteral("Vrok.Application.VandorMatrix"), true},
                 {QStringLiteral("Vrok.Application.") + QString(40, u'M'), true},
                 {QString(room, u'W'), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.size());
        int cursorAt = -1, textWidth = 0, boxWidth = 0;
        whenModal([&](QWidget* w) {
            auto* edit = w->findChild<QLineEdit*>();
            ASSERT_NE(edit, nullptr);
            // The cursor stands after the last character: unscrolled, that far from the left.
            cursorAt = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
            textWidth = edit->fontMetrics().horizontalAdvance(c.text);
            boxWidth = w->frameGeometry().width();
            pressKey(w, Qt::Key_Escape);
        });
        EXPECT_EQ(WidgetDialogs().inputBox("Automation Class", "Vrok Environment", c.text), std::nullopt);
        if (c.whole) {
            EXPECT_GE(cursorAt, textWidth);
        }
        EXPECT_LE(boxWidth, room);
    }
}

TEST_F(WidgetPortsTest, InstalledPortsShowOneHourglassOverrideAndTheArrowWhileABoxIsUp)
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));  // someone else's
    setMousePointer(Pointer::Hourglass);
    installWidgetPorts();
    EXPECT_NE(dynamic_cast<WidgetDialogs*>(&dialogs()), nullptr);
    // The state already set is shown at once.
    EXPECT_EQ(overrideShape(), Qt::WaitCursor);
    setMousePointer(Pointer::Hourglass);
    setMousePointer(Pointer::Hourglass);
    EXPECT_EQ(overrideShape(), Qt::WaitCursor);
    setMousePointer(Pointer::Default);
    EXPECT_EQ(overrideShape(), Qt::CrossCursor);
    setMousePointer(Pointer::Default);
    EXPECT_EQ(overrideShape(), Qt::CrossCursor);
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // A modal box shows the arrow; the hourglass returns after it.
    setMousePointer(Pointer::Hourglass);
    Qt::CursorShape duringBox = Qt::BitmapCursor;
    showBox(MbOk, [&](QMessageBox* box) {
        duringBox = overrideShape();
        pressKey(box, Qt::Key_Return);
    });
    EXPECT_EQ(duringBox, Qt::ArrowCursor);
    EXPECT_EQ(overrideShape(), Qt::WaitCursor);

    // The default set while a box is up leaves no override behind.
    showBox(MbOk, [](QMessageBox* box) {
        setMousePointer(Pointer::Default);
        pressKey(box, Qt::Key_Return);
    });
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Receives the URLs the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

TEST_F(WidgetPortsTest, TheClipboardKeepsTheTextAndTheViewerGetsTheFileAsOneUrl)
{
    SystemClipboard clipboard;
    const QString text = QStringLiteral("<body a=\"&amp;\"> Ωμέγα 中文\ttab\n");
    clipboard.setText(text);
    EXPECT_EQ(clipboard.text(), text);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    const QString path = QDir::temp().filePath(QStringLiteral("plm 1; rm -rf $HOME.xml"));
    EXPECT_TRUE(DesktopFileViewer().openFile(path));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0].toLocalFile(), path);
}

} // namespace

#include "test_WidgetPorts.moc"
