#include "QtPrinters.h"

#include "platform/gui_Cursor.h"
#include "platform/gui_Dialogs.h"
#include "platform/gui_Ports.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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

Qt::CursorShape overrideShape()
{
    const QCursor* c = QGuiApplication::overrideCursor();
    return c ? c->shape() : Qt::BitmapCursor;  // BitmapCursor: no override at all
}

class WidgetPortsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        resetMousePointer();
        resetDialogs();
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }
};

// ---- message boxes --------------------------------------------------------

struct BoxCase {
    const char* label;
    int style;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton;
    QMessageBox::Icon icon;
};

void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.label; }

class WidgetMessageBox : public WidgetPortsTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(WidgetMessageBox, ShowsTheStyleAndEnterAnswersTheDefault)
{
    const BoxCase& c = GetParam();
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        buttons = box->standardButtons();
        defaultButton = box->standardButton(box->defaultButton());
        icon = box->icon();
        pressKey(box, Qt::Key_Return);
    });
    const int result = WidgetDialogs().messageBox("Text", c.style, "Title");
    EXPECT_EQ(buttons, c.buttons);
    EXPECT_EQ(defaultButton, c.defaultButton);
    EXPECT_EQ(icon, c.icon);
    EXPECT_EQ(result, defaultResult(c.style));
}

INSTANTIATE_TEST_SUITE_P(
    Styles, WidgetMessageBox,
    ::testing::Values(
        BoxCase{"ok", MbOk, QMessageBox::Ok, QMessageBox::Ok, QMessageBox::NoIcon},
        BoxCase{"okCancelCritical", MbOkCancel | MbIconCritical, QMessageBox::Ok | QMessageBox::Cancel,
                QMessageBox::Ok, QMessageBox::Critical},
        BoxCase{"abortRetryIgnoreThird", MbAbortRetryIgnore | MbDefButton3,
                QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Ignore,
                QMessageBox::NoIcon},
        BoxCase{"yesNoCancelSecond", MbYesNoCancel | MbIconQuestion | MbDefButton2,
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No, QMessageBox::Question},
        BoxCase{"yesNoExclamation", MbYesNo | MbIconExclamation, QMessageBox::Yes | QMessageBox::No,
                QMessageBox::Yes, QMessageBox::Warning},
        BoxCase{"retryCancelInformation", MbRetryCancel | MbIconInformation | MbDefButton2,
                QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Information}),
    [](const auto& info) { return std::string(info.param.label); });

struct ClickCase {
    int style;
    QMessageBox::StandardButton click;
    int result;
};

void PrintTo(const ClickCase& c, std::ostream* os) { *os << "style " << c.style << ", button " << c.click; }

class WidgetMessageBoxClick : public WidgetPortsTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(WidgetMessageBoxClick, ClickedButtonGivesItsResult)
{
    whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        ASSERT_NE(box->button(GetParam().click), nullptr);
        box->button(GetParam().click)->click();
    });
    EXPECT_EQ(WidgetDialogs().messageBox("Text", GetParam().style, "Title"), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Buttons, WidgetMessageBoxClick,
                         ::testing::Values(ClickCase{MbOkCancel, QMessageBox::Cancel, IdCancel},
                                           ClickCase{MbAbortRetryIgnore, QMessageBox::Abort, IdAbort},
                                           ClickCase{MbAbortRetryIgnore, QMessageBox::Ignore, IdIgnore},
                                           ClickCase{MbYesNoCancel, QMessageBox::No, IdNo},
                                           ClickCase{MbRetryCancel, QMessageBox::Retry, IdRetry}));

struct EscapeCase {
    int style;
    int result;
};

void PrintTo(const EscapeCase& c, std::ostream* os) { *os << "style " << c.style; }

class WidgetMessageBoxEscape : public WidgetPortsTest, public ::testing::WithParamInterface<EscapeCase> {};

TEST_P(WidgetMessageBoxEscape, EscapeCancelsOrConfirmsASingleButton)
{
    whenModal([](QWidget* w) { pressKey(w, Qt::Key_Escape); });
    EXPECT_EQ(WidgetDialogs().messageBox("Text", GetParam().style, "Title"), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Styles, WidgetMessageBoxEscape,
                         ::testing::Values(EscapeCase{MbOk, IdOk},
                                           EscapeCase{MbYesNoCancel | MbDefButton2, IdCancel}));

TEST_F(WidgetPortsTest, MessageTextIsPlainAndAMissingTitleIsTheApplications)
{
    const QString text = QStringLiteral("<b>Field</b> & \"x\" < 3");
    QString shownText, title;
    Qt::TextFormat format = Qt::AutoText;
    whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        shownText = box->text();
        format = box->textFormat();
        title = box->windowTitle();
        pressKey(box, Qt::Key_Return);
    });
    WidgetDialogs().messageBox(text, MbOk, QString());
    EXPECT_EQ(shownText, text);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(title, QStringLiteral("Palimor"));
}

// ---- input box ------------------------------------------------------------

TEST_F(WidgetPortsTest, InputBoxShowsPromptAndDefaultAndGivesTheConfirmedText)
{
    QString label, title, preset;
    whenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        label = dialog->labelText();
        title = dialog->windowTitle();
        preset = dialog->textValue();
        dialog->findChild<QLineEdit*>()->setText("Vrok.Application.Other");
        dialog->accept();
    });
    const auto answer = WidgetDialogs().inputBox("Automation Class", "Vrok Environment",
                                                 "Vrok.Application.VandorMatrix");
    EXPECT_EQ(label, QStringLiteral("Automation Class"));
    EXPECT_EQ(title, QStringLiteral("Vrok Environment"));
    EXPECT_EQ(preset, QStringLiteral("Vrok.Application.VandorMatrix"));
    EXPECT_EQ(answer, QStringLiteral("Vrok.Application.Other"));
}

TEST_F(WidgetPortsTest, InputPromptIsPlainTextAndCancelIsNullopt)
{
    Qt::TextFormat format = Qt::AutoText;
    whenModal([&](QWidget* w) {
        const auto labels = w->findChildren<QLabel*>();
        for (QLabel* l : labels)
            if (l->text() == QStringLiteral("<i>prompt</i>"))
                format = l->textFormat();
        pressKey(w, Qt::Key_Escape);
    });
    EXPECT_EQ(WidgetDialogs().inputBox("<i>prompt</i>", "t", "text"), std::nullopt);
    EXPECT_EQ(format, Qt::PlainText);
}

// ---- mouse pointer --------------------------------------------------------

TEST_F(WidgetPortsTest, HourglassKeepsOneOverrideCursorAndDefaultRemovesIt)
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));  // someone else's
    setMousePointerHook(showMousePointer);
    setMousePointer(Pointer::Hourglass);
    setMousePointer(Pointer::Hourglass);
    setMousePointer(Pointer::Hourglass);
    EXPECT_EQ(overrideShape(), Qt::WaitCursor);
    setMousePointer(Pointer::Default);
    EXPECT_EQ(overrideShape(), Qt::CrossCursor);
    setMousePointer(Pointer::Default);
    EXPECT_EQ(overrideShape(), Qt::CrossCursor);
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(WidgetPortsTest, ModalBoxShowsTheArrowAndTheHourglassReturnsAfter)
{
    setMousePointerHook(showMousePointer);
    setMousePointer(Pointer::Hourglass);
    Qt::CursorShape duringBox = Qt::BitmapCursor;
    whenModal([&](QWidget* w) {
        duringBox = overrideShape();
        pressKey(w, Qt::Key_Return);
    });
    WidgetDialogs().messageBox("busy", MbOk, {});
    EXPECT_EQ(duringBox, Qt::ArrowCursor);
    EXPECT_EQ(overrideShape(), Qt::WaitCursor);
    setMousePointer(Pointer::Default);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(WidgetPortsTest, DefaultPointerDuringABoxLeavesNoOverrideBehind)
{
    setMousePointerHook(showMousePointer);
    setMousePointer(Pointer::Hourglass);
    whenModal([](QWidget* w) {
        setMousePointer(Pointer::Default);
        pressKey(w, Qt::Key_Return);
    });
    WidgetDialogs().messageBox("busy", MbOk, {});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(WidgetPortsTest, InstallPutsTheWidgetsBehindThePorts)
{
    setMousePointer(Pointer::Hourglass);
    installWidgetPorts();
    EXPECT_NE(dynamic_cast<WidgetDialogs*>(&dialogs()), nullptr);
    // The state already set is shown at once.
    EXPECT_EQ(overrideShape(), Qt::WaitCursor);
    setMousePointer(Pointer::Default);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
