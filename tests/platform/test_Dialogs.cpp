#include "QtPrinters.h"

#include "platform/Dialogs.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// The message box of the widget port is checked against defaultResult for six styles.
TEST(DefaultButton, AnswersTheDefaultButtonOfTheStyle)
{
    const struct {
        int style;
        int expected;
    } cases[] = {
        {MbOk | MbDefButton3, IdOk}, {MbOkCancel | MbDefButton2, IdCancel}, {MbOkCancel | MbDefButton3, IdOk},
        {MbAbortRetryIgnore, IdAbort}, {MbAbortRetryIgnore | MbDefButton2, IdRetry}, {MbYesNoCancel, IdYes},
        {MbYesNoCancel | MbDefButton3, IdCancel}, {MbYesNo | MbIconQuestion | MbDefButton2, IdNo},
        {MbYesNo | MbDefButton3, IdYes}, {MbRetryCancel, IdRetry},
        // A button set the numbering doesn't know is an OK box.
        {7, IdOk}, {7 | MbDefButton2, IdOk}};
    for (const auto& c : cases)
        EXPECT_EQ(defaultResult(c.style), c.expected) << "style " << c.style;
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

TEST(ScriptedDialogs, RecordsWhatWasShownAndAnswersInOrderThenByDefault)
{
    // Scripted until the program installs the widget port.
    resetDialogs();
    EXPECT_NE(dynamic_cast<ScriptedDialogs*>(&dialogs()), nullptr);

    ScriptedDialogs d;
    d.queueAnswer(IdNo);
    d.queueInput(std::nullopt);
    d.queueInput(QString());
    EXPECT_EQ(d.messageBox("Save changes?", MbYesNoCancel | MbIconQuestion, "Palimor Editor"), IdNo);
    EXPECT_EQ(d.inputBox("Cancelled", "Vrok Environment", "x"), std::nullopt);
    // Confirming an empty text is not a cancel.
    EXPECT_EQ(d.inputBox("Emptied", "T", "x"), QString());
    // Queue used up: default buttons and default text.
    EXPECT_EQ(d.messageBox("Sure?", MbYesNo | MbDefButton2, QString()), IdNo);
    EXPECT_EQ(d.inputBox("Name", "T", "kept"), QStringLiteral("kept"));

    ASSERT_EQ(d.shown().size(), 5u);
    EXPECT_EQ(d.shown()[0].style, MbYesNoCancel | MbIconQuestion);
    EXPECT_EQ(d.shown()[1].kind, ScriptedDialogs::Shown::Input);
    EXPECT_EQ(d.shown()[1].title, QStringLiteral("Vrok Environment"));
    // A box without a title is recorded with the application's.
    EXPECT_EQ(d.shown()[3].title, QStringLiteral("Palimor"));
    EXPECT_EQ(d.texts(), (QStringList{"Save changes?", "Cancelled", "Emptied", "Sure?", "Name"}));

    d.queueAnswer(IdCancel);
    d.clear();
    EXPECT_TRUE(d.shown().empty());
    EXPECT_EQ(d.messageBox("second", MbOkCancel, "t"), IdOk);
}

} // namespace
