#include "QtPrinters.h"

#include "platform/Dialogs.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

TEST(DefaultButton, AnswersTheDefaultButtonOfTheStyle)
{
    const struct {
        int style;
        int expected;
    } cases[] = {
        {MbOk, IdOk}, {MbOk | MbDefButton3, IdOk}, {MbOkCancel | MbDefButton2, IdCancel},
        {MbOkCancel | MbDefButton3, IdOk}, {MbAbortRetryIgnore, IdAbort},
        {MbAbortRetryIgnore | MbDefButton2, IdRetry}, {MbAbortRetryIgnore | MbDefButton3, IdIgnore},
        {MbYesNoCancel, IdYes}, {MbYesNoCancel | MbDefButton3, IdCancel}, {MbYesNo | MbDefButton2, IdNo},
        {MbYesNo | MbDefButton3, IdYes}, {MbRetryCancel, IdRetry},
        // Icons do not change the buttons.
        {MbYesNo | MbIconQuestion | MbDefButton2, IdNo}, {MbRetryCancel | MbIconInformation | MbDefButton2, IdCancel},
        // A button set the numbering doesn't know is an OK box.
        {7, IdOk}, {7 | MbDefButton2, IdOk}};
    for (const auto& c : cases)
        EXPECT_EQ(defaultResult(c.style), c.expected) << "style " << c.style;
}

TEST(ScriptedDialogs, RecordsWhatWasShownAndAnswersInOrder)
{
    ScriptedDialogs d;
    d.queueAnswer(IdNo);
    d.queueAnswer(IdCancel);
    d.queueInput(QStringLiteral("typed"));
    d.queueInput(std::nullopt);
    d.queueInput(QString());

    EXPECT_EQ(d.messageBox("Save changes?", MbYesNoCancel | MbIconQuestion, "Palimor Editor"), IdNo);
    EXPECT_EQ(d.inputBox("Automation Class", "Vrok Environment", "default"), QStringLiteral("typed"));
    EXPECT_EQ(d.messageBox("Retry?", MbRetryCancel, QString()), IdCancel);
    EXPECT_EQ(d.inputBox("Cancelled", QString(), "x"), std::nullopt);
    // Confirming an empty text is not a cancel.
    EXPECT_EQ(d.inputBox("Emptied", "T", "x"), QString());
    // Queue used up: default buttons and default text.
    EXPECT_EQ(d.messageBox("Sure?", MbYesNo | MbDefButton2, "T"), IdNo);
    EXPECT_EQ(d.inputBox("Name", "T", "kept"), QStringLiteral("kept"));

    ASSERT_EQ(d.shown().size(), 7u);
    EXPECT_EQ(d.shown()[0].style, MbYesNoCancel | MbIconQuestion);
    EXPECT_EQ(d.shown()[1].kind, ScriptedDialogs::Shown::Input);
    EXPECT_EQ(d.shown()[1].title, QStringLiteral("Vrok Environment"));
    // A box without a title is recorded with the application's.
    EXPECT_EQ(d.shown()[2].title, QStringLiteral("Palimor"));
    EXPECT_EQ(d.shown()[3].title, QStringLiteral("Palimor"));
    EXPECT_EQ(d.texts(),
              (QStringList{"Save changes?", "Automation Class", "Retry?", "Cancelled", "Emptied", "Sure?", "Name"}));

    d.queueAnswer(IdCancel);
    d.queueInput(std::nullopt);
    d.clear();
    EXPECT_TRUE(d.shown().empty());
    EXPECT_EQ(d.messageBox("second", MbOkCancel, "t"), IdOk);
    EXPECT_EQ(d.inputBox("p", "t", "d"), QStringLiteral("d"));
}

TEST(DialogPortChoice, ScriptedByDefaultInstalledOnRequestAndForgottenOnReset)
{
    resetDialogs();
    DialogPort& first = dialogs();
    EXPECT_NE(dynamic_cast<ScriptedDialogs*>(&first), nullptr);
    EXPECT_EQ(&dialogs(), &first);
    auto scripted = installScriptedDialogs();
    EXPECT_EQ(&dialogs(), scripted.get());
    resetDialogs();
    EXPECT_NE(&dialogs(), scripted.get());
    resetDialogs();
}

} // namespace
