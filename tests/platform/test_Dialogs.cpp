#include "QtPrinters.h"

#include "platform/Dialogs.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

struct DefaultCase {
    int style;
    int expected;
};

void PrintTo(const DefaultCase& c, std::ostream* os) { *os << "style " << c.style; }

class DefaultButton : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(DefaultButton, AnswersTheDefaultButtonOfTheStyle)
{
    EXPECT_EQ(defaultResult(GetParam().style), GetParam().expected) << "style " << GetParam().style;
}

INSTANTIATE_TEST_SUITE_P(
    Styles, DefaultButton,
    ::testing::Values(
        DefaultCase{MbOk, IdOk}, DefaultCase{MbOk | MbDefButton3, IdOk}, DefaultCase{MbOkCancel | MbDefButton2, IdCancel},
        DefaultCase{MbOkCancel | MbDefButton3, IdOk}, DefaultCase{MbAbortRetryIgnore, IdAbort},
        DefaultCase{MbAbortRetryIgnore | MbDefButton2, IdRetry}, DefaultCase{MbAbortRetryIgnore | MbDefButton3, IdIgnore},
        DefaultCase{MbYesNoCancel, IdYes}, DefaultCase{MbYesNoCancel | MbDefButton3, IdCancel},
        DefaultCase{MbYesNo | MbDefButton2, IdNo}, DefaultCase{MbYesNo | MbDefButton3, IdYes},
        DefaultCase{MbRetryCancel, IdRetry},
        // Icons do not change the buttons.
        DefaultCase{MbYesNo | MbIconQuestion | MbDefButton2, IdNo},
        DefaultCase{MbRetryCancel | MbIconInformation | MbDefButton2, IdCancel},
        // A button set the numbering doesn't know is an OK box.
        DefaultCase{7, IdOk}, DefaultCase{7 | MbDefButton2, IdOk}));

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
    EXPECT_EQ(d.shown()[0].kind, ScriptedDialogs::Shown::Message);
    EXPECT_EQ(d.shown()[0].title, QStringLiteral("Palimor Editor"));
    EXPECT_EQ(d.shown()[0].style, MbYesNoCancel | MbIconQuestion);
    EXPECT_EQ(d.shown()[1].kind, ScriptedDialogs::Shown::Input);
    EXPECT_EQ(d.shown()[1].title, QStringLiteral("Vrok Environment"));
    // A box without a title is recorded with the application's.
    EXPECT_EQ(applicationTitle(), QStringLiteral("Palimor"));
    EXPECT_EQ(d.shown()[2].title, QStringLiteral("Palimor"));
    EXPECT_EQ(d.shown()[3].title, QStringLiteral("Palimor"));
    EXPECT_EQ(d.shown()[5].style, MbYesNo | MbDefButton2);
    EXPECT_EQ(d.texts(),
              (QStringList{"Save changes?", "Automation Class", "Retry?", "Cancelled", "Emptied", "Sure?", "Name"}));
}

TEST(ScriptedDialogs, ClearDropsRecordsAndQueuedAnswers)
{
    ScriptedDialogs d;
    d.queueAnswer(IdCancel);
    d.queueInput(std::nullopt);
    d.messageBox("first", MbOk, "t");
    d.clear();
    EXPECT_TRUE(d.shown().empty());
    EXPECT_EQ(d.messageBox("second", MbOkCancel, "t"), IdOk);
    EXPECT_EQ(d.inputBox("p", "t", "d"), QStringLiteral("d"));
    EXPECT_EQ(d.texts(), (QStringList{"second", "p"}));
}

class DialogPortChoice : public ::testing::Test {
protected:
    void TearDown() override { resetDialogs(); }
};

TEST_F(DialogPortChoice, WithoutOneSetAScriptedPortIsMadeOnce)
{
    resetDialogs();
    DialogPort& first = dialogs();
    EXPECT_NE(dynamic_cast<ScriptedDialogs*>(&first), nullptr);
    EXPECT_EQ(&dialogs(), &first);
    EXPECT_EQ(dialogs().messageBox("x", MbYesNo | MbDefButton2, {}), IdNo);
}

TEST_F(DialogPortChoice, InstalledPortAnswersAndResetForgetsIt)
{
    auto scripted = installScriptedDialogs();
    scripted->queueAnswer(IdRetry);
    EXPECT_EQ(dialogs().messageBox("Retry?", MbRetryCancel, {}), IdRetry);
    EXPECT_EQ(scripted->texts(), QStringList{"Retry?"});

    resetDialogs();
    dialogs().messageBox("after reset", MbOk, {});
    EXPECT_EQ(scripted->texts(), QStringList{"Retry?"});
    EXPECT_NE(&dialogs(), scripted.get());

    auto other = std::make_shared<ScriptedDialogs>();
    setDialogs(other);
    dialogs().inputBox("p", "t", "d");
    EXPECT_EQ(other->texts(), QStringList{"p"});
}

} // namespace
