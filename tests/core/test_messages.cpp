// The message service: codes by kind and number, texts from the local host in the
// user's language, text caching, formatting, and where the text goes.
#include "call_hooks.h"
#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_External.h"
#include "support/CoreTestSupport.h"
#include "support/LocalHostFixture.h"

namespace {

// The editor connected to a fresh local host, user language "3".
class Messages : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(host.ok()) << host.error().toStdString();
        resetDataSets();
        gInitDataSets();
        goVrokApp = createVrokObject(QStringLiteral("Vrok.Application"));
        gsUserLanguage = QStringLiteral("3");
    }
    void TearDown() override
    {
        CoreTest::TearDown();
        resetDataSets();
        resetExternal();
    }
    void cacheText(const char* language, const char* code, const char* text)
    {
        ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, gsTextCacheKey(QLatin1String(language)), QLatin1String(code),
                                    QLatin1String(text)));
    }

    LocalHostEnvironment host;
};

struct ShownCase {
    uint8_t kind;
    int32_t number;
    const char *a1, *a2;
    const char* shown;
};

TEST_F(Messages, EveryKindShowsTheHostTextFormatted)
{
    const ShownCase cases[] = {
        {3, 1, "pzx.A", "", "Bezeichnung pzx.A existiert nicht."},                             // "%s", language 3
        {2, 29, "300", "item", "Field item stands at column 300; the last column is 255."},    // "%1$s", from "2"
        {3, 15, "", "", "Das Formular wurde nicht gespeichert.\r\nNichts wurde geaendert."},   // "++"
        {3, 4, "", "", "Das Formular ist gespeichert.\r\nDer Host konnte es nicht ausgeben."}, // "%n"
        {2, 16, "help.chm", "", "No help file was found.:help.chm, ,"},                        // no placeholder
        {1, 13, "", "", "An unexpected error occurred"},
        {2, 8, "", "", "qx"}, // no code: the bare prefix, which the host lacks
        {0, 3, "", "", "Das Formular wurde geaendert. Aenderungen speichern?"}};
    for (const ShownCase& c : cases) {
        dialogs->clear();
        glShowMessage(c.kind, c.number, platform::MbOk, QLatin1String(c.a1), QLatin1String(c.a2));
        EXPECT_EQ(dialogs->texts(), QStringList{QString::fromUtf8(c.shown)}) << int(c.kind) << "/" << c.number;
    }
    dialogs->clear();
    dialogs->queueAnswer(platform::IdNo);
    EXPECT_EQ(glShowMessage(0, 1, platform::MbYesNo, QStringLiteral(" g1")), platform::IdNo);
    EXPECT_EQ(dialogs->shown()[0].text + u'|' + dialogs->shown()[0].title,
              QStringLiteral("Gruppe g1 mit allen Untergruppen und Feldern loeschen?|Gruppe loeschen"));
}

TEST_F(Messages, MissingQuestionAndStatusTexts)
{
    startLogging();
    EXPECT_EQ(glShowMessage(0, 99, platform::MbYesNo), platform::IdCancel);
    EXPECT_EQ(dialogs->texts(), QStringList{QStringLiteral("Error retrieving question")});

    QStringList status;
    ui::hooks().setStatusText = [&](const QString& t) { status.append(t); };
    EXPECT_EQ(glShowMessage(4, 5, StatusBarOnly, QStringLiteral("itemsd")), 0);
    EXPECT_EQ(status, QStringList{QStringLiteral("Formular wird geladen... itemsd")});
    EXPECT_EQ(dialogs->shown().size(), 1u);
    EXPECT_FALSE(logLines().join(u'\n').contains(QStringLiteral("Message:")));
}

TEST_F(Messages, MessageTextsAreKeptForTheRunStatusTextsAreNot)
{
    QStringList status;
    ui::hooks().setStatusText = [&](const QString& t) { status.append(t); };
    glShowMessage(3, 1, platform::MbOk, QStringLiteral("a"));
    glShowMessage(4, 1, StatusBarOnly);
    // Changed texts in the registry cache reach only the status text.
    cacheText("3", "qxplqx0201", "Changed %s");
    cacheText("3", "qxplqx0401", "Changed");
    glShowMessage(3, 1, platform::MbOk, QStringLiteral("b"));
    glShowMessage(4, 1, StatusBarOnly);
    EXPECT_EQ(dialogs->texts(), (QStringList{QStringLiteral("Bezeichnung a existiert nicht."),
                                             QStringLiteral("Bezeichnung b existiert nicht.")}));
    EXPECT_EQ(status, (QStringList{QStringLiteral("Bereit"), QStringLiteral("Changed")}));
}

TEST_F(Messages, FailingHostTextCallsEndWithoutRecursion)
{
    host::injectError(QStringLiteral("get.message("), 105);
    glShowMessage(3, 1, platform::MbOk, QStringLiteral("pzx.A"));
    // Asked in "3" and in "2"; each failure is reported without asking for its own text again.
    EXPECT_EQ(host::callCount(QStringLiteral("get.message(")), 2);
    ASSERT_FALSE(dialogs->texts().isEmpty());
    EXPECT_EQ(dialogs->texts().last(), QStringLiteral(":pzx.A, ,")); // the box trims its text
}

TEST_F(Messages, ATextThatCouldNotBeHadIsAskedForAgain)
{
    host::injectError(QStringLiteral("get.message("), 105, 2);
    glShowMessage(3, 1, platform::MbOk, QStringLiteral("a"));
    glShowMessage(3, 1, platform::MbOk, QStringLiteral("b"));
    EXPECT_EQ(dialogs->texts().last(), QStringLiteral("Bezeichnung b existiert nicht."));
}

TEST_F(Messages, BoxesSetTheOpenFlagAndAreLogged)
{
    // Notes the service's flag while its box is up.
    struct WatchingDialogs : platform::ScriptedDialogs {
        int messageBox(const QString& text, int style, const QString& title) override
        {
            openDuringBox = gbMessageBoxOpen;
            return ScriptedDialogs::messageBox(text, style, title);
        }
        bool openDuringBox = false;
    };
    auto watching = std::make_shared<WatchingDialogs>();
    platform::setDialogs(watching);
    startLogging();
    glShowMessage(3, 1, 0, QStringLiteral("pzx.A"));
    EXPECT_TRUE(watching->openDuringBox);
    EXPECT_FALSE(gbMessageBoxOpen);
    EXPECT_EQ(logLines().filter(QStringLiteral("Message:")),
              QStringList{QStringLiteral("hh:mm:ss (0.000) - Message: Bezeichnung pzx.A existiert nicht.")});

    QString text = QStringLiteral("  Value %s  ");
    watching->queueAnswer(platform::IdRetry);
    EXPECT_EQ(giDisplayMessage(text, platform::MbRetryCancel, QStringLiteral("Own"), QStringLiteral("7")),
              platform::IdRetry);
    EXPECT_EQ(text, QStringLiteral("  Value 7  "));
    EXPECT_EQ(watching->shown().back().text + u'|' + watching->shown().back().title, QStringLiteral("Value 7|Own"));
}

TEST(MessageCodes, ByKindAndNumberCachingOnlyNumbersWithACode)
{
    resetMessageService();
    const std::tuple<uint8_t, int32_t, const char*> cases[] = {
        {2, 7, "plqx0110"},  {2, 8, ""},           {2, 3, "plqx0101"},
        {2, 43, "plqx0151"}, {2, 42, ""},          {2, 44, ""},
        {1, 13, "plqx0000"}, {1, 429, "plqx0212"}, {1, 35614, "plqx0314"},
        {3, 1, "plqx0201"},  {3, 17, "zrnd0014"},  {3, 2, ""},
        {3, 18, ""},         {0, 1, ""},           {4, 1, ""},
        {9, 1, ""}};
    for (const auto& [kind, number, code] : cases)
        EXPECT_EQ(gsGetMessageCode(kind, number), QString::fromUtf8(code)) << int(kind) << "/" << number;
    EXPECT_EQ(goErrorCodeMap.size(), 2); // 429 and 35614, not 13
    EXPECT_EQ(goErrorCodeMap.value(QStringLiteral("429")), QStringLiteral("plqx0212"));
    EXPECT_FALSE(goCodeMapKind2.contains(QStringLiteral("8")));
    EXPECT_EQ(goCodeMapKind3.value(QStringLiteral("17")), QStringLiteral("zrnd0014"));
    goCodeMapKind2.insert(QStringLiteral("7"), QStringLiteral("cached")); // the cache answers first
    EXPECT_EQ(gsGetMessageCode(2, 7), QStringLiteral("cached"));
    resetMessageService();
}

TEST(FormatMessage, EveryCase)
{
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        {"a%nb++c", "", "", "", "a\r\nb\r\nc"},
        {"%s and %s", "x", "y", "z", "x and y"},
        {"%s|%s", "%s", "B", "C", "B|C"}, // a placeholder inside a1 is taken by a2
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
