// The message service: codes by kind and number, text caching, formatting, and
// where the text goes (message box or status bar).
#include "support/CoreTestSupport.h"

namespace {

class Messages : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        useTexts({{QStringLiteral("qxplqx0201"), QStringLiteral("Label %s missing")},
                  {QStringLiteral("qxplqx0110"), QStringLiteral("Kind two seven")},
                  {QStringLiteral("qxplqx0000"), QStringLiteral("Run-time error")},
                  {QStringLiteral("qxplqx0401"), QStringLiteral("  Loading...  ")},
                  {QStringLiteral("qx"), QStringLiteral("Bare prefix")},
                  {QStringLiteral("plqx0001"), QStringLiteral("Delete the group?")},
                  {QStringLiteral("plqx0003"), QStringLiteral("Really?")},
                  {QStringLiteral("pzfrm.DelGroup"), QStringLiteral("Delete group")}});
    }
    int timesAsked(const char* kindAndCode) const { return int(asked.count(QString::fromUtf8(kindAndCode))); }
};

TEST(MessageCodes, ByKindAndNumberCachingOnlyNumbersWithACode)
{
    resetMessageService();
    const std::tuple<uint8_t, int32_t, const char*> cases[] = {
        {2, 7, "plqx0110"},     {2, 8, ""},         {2, 3, "plqx0101"},  {2, 43, "plqx0151"}, {2, 42, ""},
        {2, 44, ""},            {1, 13, "plqx0000"}, {1, 429, "plqx0212"}, {1, 35614, "plqx0314"},
        {3, 1, "plqx0201"},     {3, 17, "zrnd0014"}, {3, 2, ""},          {3, 18, ""},         {0, 1, ""},
        {4, 1, ""},             {9, 1, ""}};
    for (const auto& [kind, number, code] : cases)
        EXPECT_EQ(gsGetMessageCode(kind, number), QString::fromUtf8(code)) << int(kind) << "/" << number;
    EXPECT_EQ(goErrorCodeMap.size(), 2);  // 429 and 35614, not 13
    EXPECT_EQ(goErrorCodeMap.value(QStringLiteral("429")), QStringLiteral("plqx0212"));
    EXPECT_FALSE(goCodeMapKind2.contains(QStringLiteral("8")));
    EXPECT_EQ(goCodeMapKind3.value(QStringLiteral("17")), QStringLiteral("zrnd0014"));
    goCodeMapKind2.insert(QStringLiteral("7"), QStringLiteral("cached"));  // the cache answers first
    EXPECT_EQ(gsGetMessageCode(2, 7), QStringLiteral("cached"));
    resetMessageService();
}

TEST_F(Messages, MessageTextsAreFetchedOnceStatusTextsEveryTime)
{
    glShowMessage(3, 1, 48, QStringLiteral("pzx.A"));
    glShowMessage(3, 1, 48, QStringLiteral("pzx.B"));
    EXPECT_EQ(timesAsked("3:qxplqx0201"), 1);
    EXPECT_EQ(dialogs->texts(), (QStringList{QStringLiteral("Label pzx.A missing"), QStringLiteral("Label pzx.B missing")}));
    EXPECT_EQ(dialogs->shown()[0].style, 48);
    EXPECT_EQ(dialogs->shown()[0].title, QStringLiteral("Palimor"));

    QStringList status;
    ui::hooks().setStatusText = [&](const QString& t) { status.append(t); };
    EXPECT_EQ(glShowMessage(4, 1, StatusBarOnly), 0);
    EXPECT_EQ(glShowMessage(4, 1, StatusBarOnly), 0);
    EXPECT_EQ(timesAsked("3:qxplqx0401"), 2);
    EXPECT_EQ(status, (QStringList{QStringLiteral("Loading..."), QStringLiteral("Loading...")}));
    EXPECT_EQ(dialogs->shown().size(), 2u);
}

TEST_F(Messages, NumbersWithoutCodeAskForTheBarePrefix)
{
    glShowMessage(2, 8, 0);
    glShowMessage(1, 13, 0);
    glShowMessage(2, 7, 0);
    EXPECT_EQ(asked, (QStringList{QStringLiteral("3:qx"), QStringLiteral("3:qxplqx0000"), QStringLiteral("3:qxplqx0110")}));
    EXPECT_EQ(goMessageTexts.value(QStringLiteral("qx")), QStringLiteral("Bare prefix"));
    EXPECT_EQ(dialogs->texts(), (QStringList{QStringLiteral("Bare prefix"), QStringLiteral("Run-time error"),
                                             QStringLiteral("Kind two seven")}));
}

TEST_F(Messages, QuestionsHaveTheirTitleLabelAndAnswer)
{
    dialogs->queueAnswer(platform::IdYes);
    EXPECT_EQ(glShowMessage(0, 1, platform::MbYesNo | platform::MbIconQuestion), platform::IdYes);
    EXPECT_EQ(dialogs->shown()[0].text + u'|' + dialogs->shown()[0].title, QStringLiteral("Delete the group?|Delete group"));
    EXPECT_EQ(dialogs->shown()[0].style, platform::MbYesNo | platform::MbIconQuestion);
    glShowMessage(0, 1, platform::MbYesNo);
    EXPECT_EQ(timesAsked("5:plqx0001"), 2);  // questions are not cached
    glShowMessage(0, 3, platform::MbYesNo);
    EXPECT_EQ(dialogs->shown().back().title, QStringLiteral("Palimor"));

    dialogs->clear();
    dialogs->queueAnswer(platform::IdOk);
    EXPECT_EQ(glShowMessage(0, 2, platform::MbYesNo), platform::IdCancel);  // no text
    EXPECT_EQ(dialogs->texts(), QStringList{QStringLiteral("Error retrieving question")});
    EXPECT_EQ(dialogs->shown()[0].style, platform::MbOk);
}

// Notes the service's flag while its box is up.
class WatchingDialogs : public platform::ScriptedDialogs {
public:
    int messageBox(const QString& text, int style, const QString& title) override
    {
        openDuringBox = gbMessageBoxOpen;
        return ScriptedDialogs::messageBox(text, style, title);
    }
    bool openDuringBox = false;
};

TEST_F(Messages, BoxesSetTheOpenFlagAndAreLoggedStatusTextsAreNot)
{
    auto watching = std::make_shared<WatchingDialogs>();
    platform::setDialogs(watching);
    startLogging();
    glShowMessage(4, 1, StatusBarOnly);  // no hook installed: dropped quietly
    EXPECT_TRUE(logLines().isEmpty());
    glShowMessage(3, 1, 0, QStringLiteral("pzx.A"));
    EXPECT_TRUE(watching->openDuringBox);
    EXPECT_FALSE(gbMessageBoxOpen);
    EXPECT_EQ(logLines(), QStringList{QStringLiteral("hh:mm:ss (0.000) - Message: Label pzx.A missing")});
}

TEST_F(Messages, DisplayFormatsIntoTheCallersText)
{
    QString text = QStringLiteral("  Value %s  ");
    dialogs->queueAnswer(platform::IdRetry);
    EXPECT_EQ(giDisplayMessage(text, platform::MbRetryCancel, QStringLiteral("Own"), QStringLiteral("7")),
              platform::IdRetry);
    EXPECT_EQ(text, QStringLiteral("  Value 7  "));
    EXPECT_EQ(dialogs->shown()[0].text + u'|' + dialogs->shown()[0].title, QStringLiteral("Value 7|Own"));
}

TEST_F(Messages, TextServiceResolvesTheUserLanguage)
{
    gsUserLanguage = QStringLiteral("3");
    QString language = QStringLiteral("0");
    int16_t labelKind = 11;
    gsGetDescription(QStringLiteral("qxplqx0201"), 3, language, labelKind);
    EXPECT_EQ(language, QStringLiteral("3"));
    EXPECT_EQ(gsGetLabel(QStringLiteral("pzfrm.Unknown"), labelKind), QStringLiteral("pzfrm.Unknown"));
}

TEST(FormatMessage, EveryCase)
{
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        {"a%nb++c", "", "", "", "a\r\nb\r\nc"},
        {"%s and %s", "x", "y", "z", "x and y"},
        {"%s|%s", "%s", "B", "C", "B|C"},  // a placeholder inside a1 is taken by a2
        {"%1$s-%2$s-%3$s", "x", "y", "z", "x-y-z"},
        {"%1$s only %3$s", "x", "y", "z", "x only %3$s"},
        {"text %2$s", "x", "y", "z", "text %2$s:x, y, z"},
        {"plain", "x", "", "", "plain:x, , "},
        {"plain", "", "y", "z", "plain"},
        {"%1$s %s", "x", "y", "", "%1$s x"}};
    for (const auto& [text, a1, a2, a3, expected] : cases)
        EXPECT_EQ(gsFormatMessage(QString::fromUtf8(text), QString::fromUtf8(a1), QString::fromUtf8(a2),
                                  QString::fromUtf8(a3)),
                  QString::fromUtf8(expected))
            << text;
}

} // namespace
