// Host texts through the registry text cache of each language, against the local host.
#include "call_hooks.h"
#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_External.h"
#include "support/CoreTestSupport.h"
#include "support/LocalHostFixture.h"

namespace {

class Texts : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(host.ok()) << host.error().toStdString();
        connect();
    }
    void TearDown() override
    {
        CoreTest::TearDown();
        resetDataSets();
        resetExternal();
    }
    // A run of the editor: modules as after start-up, the registry file kept.
    void connect()
    {
        resetDataSets();
        gInitDataSets();
        goVrokApp = createVrokObject(QStringLiteral("Vrok.Application"));
        gsUserLanguage = QStringLiteral("3");
        ui::hooks().setStatusText = [this](const QString& t) { status.append(t); };
    }
    static int textCalls()
    {
        return host::callCount(QStringLiteral("get.label(")) + host::callCount(QStringLiteral("get.message("))
               + host::callCount(QStringLiteral("get.question.vrc("));
    }
    static QString cached(const char* language, const char* code)
    {
        return gsGetRegString(HKEY_LOCAL_MACHINE, gsTextCacheKey(QLatin1String(language)), QLatin1String(code),
                              QString());
    }
    static QString text(const char* code, int16_t kind, const char* language = "0")
    {
        QString lang = QLatin1String(language);
        int16_t labelKind = 11;
        return gsGetDescription(QLatin1String(code), kind, lang, labelKind);
    }
    QStringList someTexts()
    {
        int16_t labelKind = 11;
        return {gsGetLabel(QStringLiteral("pzmnu.File"), labelKind),
                gsGetLabel(QStringLiteral("pzcmd.Cancel"), labelKind), text("qxplqx0401", 3), text("plqx0003", 5)};
    }

    LocalHostEnvironment host;
    QStringList status;
};

TEST_F(Texts, ASecondRunTakesEveryTextFromTheRegistry)
{
    const QStringList expected{QStringLiteral("Datei"), QStringLiteral("Abbrechen"), QStringLiteral("Bereit"),
                               QStringLiteral("Das Formular wurde geaendert. Aenderungen speichern?")};
    EXPECT_EQ(someTexts(), expected);
    EXPECT_GE(textCalls(), 4);
    // The language had no cached texts yet: the user is told why start-up takes longer.
    EXPECT_EQ(status,
              QStringList{QStringLiteral("Fetching the texts from the host; this is done once for each language.")});
    EXPECT_EQ(cached("3", "pzmnu.File"), QStringLiteral("Datei"));
    EXPECT_EQ(cached("3", "qxplqx0401"), QStringLiteral("Bereit"));
    EXPECT_EQ(cached("3", "plqx0003"), expected[3]);

    resetAll();
    connect();
    host::clearCallLog();
    status.clear();
    EXPECT_EQ(someTexts(), expected);
    EXPECT_EQ(textCalls(), 0);
    EXPECT_TRUE(status.isEmpty());
}

TEST_F(Texts, FallbackToLanguageTwoIsStoredUnderTwoOnly)
{
    int16_t labelKind = 11;
    EXPECT_EQ(gsGetLabel(QStringLiteral("pzcmd.Apply"), labelKind), QStringLiteral("Apply"));
    EXPECT_EQ(cached("3", "pzcmd.Apply"), QString());
    EXPECT_EQ(cached("2", "pzcmd.Apply"), QStringLiteral("Apply"));
    QStringList asked;
    for (const host::LoggedCall& c : host::callLog())
        asked << c.callText.left(14);
    EXPECT_EQ(asked, (QStringList{QStringLiteral("get.label(\"3\","), QStringLiteral("get.label(\"2\",")}));

    // An explicit language is not retried in "2".
    host::clearCallLog();
    EXPECT_EQ(text("pzcmd.Help", 4, "3"), QString());
    EXPECT_EQ(host::callCount(QStringLiteral("get.label(")), 1);
    // Nor is a text of user language "2" asked twice.
    gsUserLanguage = QStringLiteral("2");
    EXPECT_EQ(text("pz.nothing", 4), QString());
    EXPECT_EQ(host::callCount(QStringLiteral("get.label(")), 2);
}

TEST_F(Texts, MissingMessagesGiveTheirCodeAndMissingLabelsOneWarning)
{
    EXPECT_EQ(text("qxplqx9999", 3), QStringLiteral("qxplqx9999"));
    EXPECT_EQ(cached("3", "qxplqx9999") + cached("2", "qxplqx9999"), QString());
    EXPECT_EQ(text("plqx9999", 5), QString());

    int16_t labelKind = 11;
    EXPECT_EQ(gsGetLabel(QStringLiteral("pz.none1"), labelKind), QStringLiteral("pz.none1"));
    EXPECT_EQ(gsGetLabel(QStringLiteral("pz.none2"), labelKind), QStringLiteral("pz.none2"));
    ASSERT_EQ(dialogs->texts(), QStringList{QStringLiteral("Bezeichnung pz.none1 existiert nicht.")});
    EXPECT_EQ(dialogs->shown()[0].style, platform::MbIconExclamation);
}

TEST_F(Texts, RecordLengthsAndDomainTypeTexts)
{
    EXPECT_EQ(text("labelset", 2), QStringLiteral("96"));
    EXPECT_EQ(text("domainset", 2), QStringLiteral("63"));
    EXPECT_EQ(cached("3", "labelset"), QString());
    EXPECT_EQ(textCalls(), 0);

    const std::tuple<int16_t, int16_t, int16_t, int16_t, const char*> cases[] = {
        {2, 8, 0, 0, "T (8)"}, {5, 8, 2, 0, "T (8,2)"}, {11, 0, 0, 30, "T (30)"}, {6, 0, 0, 4, "T (4)"},
        {7, 3, 0, 9, "T"},     {12, 1, 1, 1, "T"},      {1, 5, 0, 0, "T"}};
    for (const auto& [type, digb, diga, leng, expected] : cases) {
        gaDomains.assign(2, DomainRecord{});
        gaDomains[1].sDataTypeDesc = QStringLiteral("T");
        gaDomains[1].lDataType = type;
        gaDomains[1].nDigb = digb;
        gaDomains[1].nDiga = diga;
        gaDomains[1].nLeng = leng;
        int16_t index = 1;
        EXPECT_EQ(gsDomainTypeText(index), QLatin1String(expected)) << type;
    }
    int16_t outside = 2;
    EXPECT_EQ(gsDomainTypeText(outside), QString());
}

} // namespace
