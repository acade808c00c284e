// Host texts and the message service against the local host: the registry text cache
// of each language, codes by kind and number, formatting, and where the text goes; and
// every message, question and label code the editor names has an English text (language
// "2") in a new host database: those in the editor's sources, and the full list the
// editor uses, kept in text_codes.txt beside this file.
#include "support/CoreTestSupport.h"

#include "sqlite_util.h"

#include <QDirIterator>
#include <QSet>

namespace {

// A run of the editor connected to a fresh local host, user language "3".
class Messages : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(host.ok()) << host.error().toStdString();
        connect();
    }
    void connect()
    {
        gInitDataSets();
        goVrokApp = createVrokObject(QStringLiteral("Vrok.Application"));
        gsUserLanguage = QStringLiteral("3");
        ui::hooks().setStatusText = [this](const QString& t) { status.append(t); };
    }
    static QString cached(const char* language, const char* code)
    {
        return gsGetRegString(HKEY_LOCAL_MACHINE, gsTextCacheKey(language), code, QString());
    }
    static QString text(const char* code, int16_t kind, const char* language = "0")
    {
        QString lang = QLatin1String(language);
        int16_t labelKind = 11;
        return gsGetDescription(code, kind, lang, labelKind);
    }
    static QString label(const char* code)
    {
        int16_t labelKind = 11;
        return gsGetLabel(code, labelKind);
    }

    LocalHostEnvironment host;
    QStringList status;
};
using Texts = Messages;

TEST_F(Messages, EveryKindShowsTheHostTextFormatted)
{
    const std::tuple<uint8_t, int32_t, const char*, const char*, const char*> cases[] = {
        {3, 1, "pzx.A", "", "Bezeichnung pzx.A existiert nicht."},                            // "%s", language 3
        {2, 29, "300", "item", "Field item stands at column 300; the last column is 255."},   // "%1$s", from "2"
        {3, 15, "", "", "Das Formular wurde nicht gespeichert.\r\nNichts wurde geaendert."},  // "++"
        {3, 4, "", "", "Das Formular ist gespeichert.\r\nDer Host konnte es nicht ausgeben."},  // "%n"
        {2, 16, "help.chm", "", "No help file was found.:help.chm, ,"},                       // no placeholder
        {1, 13, "", "", "An unexpected error occurred"},
        {2, 8, "", "", "qx"},  // no code: the bare prefix, which the host lacks
        {0, 3, "", "", "Das Formular wurde geaendert. Aenderungen speichern?"}};
    for (const auto& [kind, number, a1, a2, shown] : cases) {
        dialogs->clear();
        glShowMessage(kind, number, platform::MbOk, a1, a2);
        EXPECT_EQ(dialogs->texts(), QStringList{shown}) << int(kind) << "/" << number;
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
    EXPECT_EQ(glShowMessage(4, 5, StatusBarOnly, QStringLiteral("itemsd")), 0);
    EXPECT_EQ(dialogs->texts(), QStringList{"Error retrieving question"});
    EXPECT_EQ(status, QStringList{"Formular wird geladen... itemsd"});
    EXPECT_FALSE(logLines().join(u'\n').contains(QStringLiteral("Message:")));
}

TEST_F(Messages, MessageTextsAreKeptForTheRunStatusTextsAreNot)
{
    glShowMessage(3, 1, platform::MbOk, QStringLiteral("a"));
    glShowMessage(4, 1, StatusBarOnly);
    // Changed texts in the registry cache reach only the status text.
    for (const auto& [code, text] : {std::pair{"qxplqx0201", "Changed %s"}, {"qxplqx0401", "Changed"}})
        ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, gsTextCacheKey("3"), code, text));
    glShowMessage(3, 1, platform::MbOk, QStringLiteral("b"));
    glShowMessage(4, 1, StatusBarOnly);
    EXPECT_EQ(dialogs->texts(), QStringList({"Bezeichnung a existiert nicht.", "Bezeichnung b existiert nicht."}));
    EXPECT_EQ(status, QStringList({"Bereit", "Changed"}));
}

TEST_F(Messages, FailingHostTextCallsEndWithoutRecursionAndAreAskedForAgain)
{
    host::injectError("get.message(", 105, 2);
    glShowMessage(3, 1, platform::MbOk, QStringLiteral("a"));
    // Asked in "3" and in "2"; each failure is reported without asking for its own text again.
    EXPECT_EQ(host::callCount("get.message("), 2);
    EXPECT_EQ(dialogs->texts().value(dialogs->texts().size() - 1), QStringLiteral(":a, ,"));  // the box trims its text
    // The text that could not be had was not cached as empty.
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
    EXPECT_TRUE(watching->openDuringBox && !gbMessageBoxOpen);
    EXPECT_EQ(logLines().filter(QStringLiteral("Message:")),
              QStringList{"hh:mm:ss (0.000) - Message: Bezeichnung pzx.A existiert nicht."});

    QString text = QStringLiteral("  Value %s  ");
    watching->queueAnswer(platform::IdRetry);
    EXPECT_EQ(giDisplayMessage(text, platform::MbRetryCancel, "Own", "7"), platform::IdRetry);
    EXPECT_EQ(text, QStringLiteral("  Value 7  "));
    EXPECT_EQ(watching->shown().back().text + u'|' + watching->shown().back().title, QStringLiteral("Value 7|Own"));
}

TEST_F(Texts, ASecondRunTakesEveryTextFromTheRegistry)
{
    const auto someTexts = [] {
        return QStringList{label("pzmnu.File"), label("pzcmd.Cancel"), text("qxplqx0401", 3), text("plqx0003", 5)};
    };
    const QStringList expected{"Datei", "Abbrechen", "Bereit", "Das Formular wurde geaendert. Aenderungen speichern?"};
    EXPECT_EQ(someTexts(), expected);
    EXPECT_GE(host::callCount("get.label(") + host::callCount("get.message(") + host::callCount("get.question.vrc("), 4);
    // The language had no cached texts yet: the user is told why start-up takes longer.
    EXPECT_EQ(status, QStringList{"Fetching the texts from the host; this is done once for each language."});
    EXPECT_EQ(QStringList({cached("3", "pzmnu.File"), cached("3", "qxplqx0401"), cached("3", "plqx0003")}),
              QStringList({expected[0], expected[2], expected[3]}));

    resetAll();
    connect();
    host::clearCallLog();
    status.clear();
    EXPECT_EQ(someTexts(), expected);
    EXPECT_TRUE(host::callLog().isEmpty() && status.isEmpty());
}

TEST_F(Texts, FallbackToLanguageTwoIsStoredUnderTwoOnly)
{
    EXPECT_EQ(label("pzcmd.Apply"), QStringLiteral("Apply"));
    EXPECT_EQ(cached("3", "pzcmd.Apply") + u'|' + cached("2", "pzcmd.Apply"), QStringLiteral("|Apply"));
    const QStringList asked = callTexts(QStringLiteral("get.label("));
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].left(14) + asked[1].left(14), QStringLiteral("get.label(\"3\",get.label(\"2\","));

    // An explicit language is not retried in "2"; nor is a text of user language "2" asked twice.
    host::clearCallLog();
    EXPECT_EQ(text("pzcmd.Help", 4, "3"), QString());
    EXPECT_EQ(host::callCount("get.label("), 1);
    gsUserLanguage = QStringLiteral("2");
    EXPECT_EQ(text("pz.nothing", 4), QString());
    EXPECT_EQ(host::callCount("get.label("), 2);
}

TEST_F(Texts, MissingMessagesGiveTheirCodeAndMissingLabelsOneWarning)
{
    EXPECT_EQ(text("qxplqx9999", 3) + u'|' + text("plqx9999", 5), QStringLiteral("qxplqx9999|"));
    EXPECT_EQ(cached("3", "qxplqx9999") + cached("2", "qxplqx9999"), QString());
    EXPECT_EQ(label("pz.none1"), QStringLiteral("pz.none1"));
    EXPECT_EQ(label("pz.none2"), QStringLiteral("pz.none2"));
    ASSERT_EQ(dialogs->texts(), QStringList{"Bezeichnung pz.none1 existiert nicht."});
    EXPECT_EQ(dialogs->shown()[0].style, platform::MbIconExclamation);
}

TEST_F(Texts, RecordLengthsAndDomainTypeTexts)
{
    EXPECT_EQ(text("labelset", 2), QStringLiteral("96"));
    EXPECT_EQ(cached("3", "labelset"), QString());
    EXPECT_TRUE(host::callLog().isEmpty());

    const std::tuple<int16_t, int16_t, int16_t, int16_t, const char*> cases[] = {
        {2, 8, 0, 0, "T (8)"}, {5, 8, 2, 0, "T (8,2)"}, {11, 0, 0, 30, "T (30)"}, {6, 0, 0, 4, "T (4)"},
        {7, 3, 0, 9, "T"},     {12, 1, 1, 1, "T"},      {1, 5, 0, 0, "T"}};
    gaDomains.assign(2, DomainRecord{});
    gaDomains[1].sDataTypeDesc = QStringLiteral("T");
    for (const auto& [type, digb, diga, leng, expected] : cases) {
        std::tie(gaDomains[1].lDataType, gaDomains[1].nDigb, gaDomains[1].nDiga, gaDomains[1].nLeng) =
            std::tuple(type, digb, diga, leng);
        int16_t index = 1;
        EXPECT_EQ(gsDomainTypeText(index), QLatin1String(expected)) << type;
    }
    int16_t outside = 2;
    EXPECT_EQ(gsDomainTypeText(outside), QString());
}

// The plain cases are shown through the host in EveryKindShowsTheHostTextFormatted.
TEST(FormatMessage, PlaceholdersAndArgumentsThatDoNotMatch)
{
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        {"%s and %s", "x", "y", "z", "x and y"},
        {"%s|%s", "%s", "B", "C", "B|C"},  // a placeholder inside a1 is taken by a2
        {"%1$s-%2$s-%3$s", "x", "y", "z", "x-y-z"},
        {"%1$s only %3$s", "x", "y", "z", "x only %3$s"},
        {"text %2$s", "x", "y", "z", "text %2$s:x, y, z"},
        {"plain", "", "y", "z", "plain"},
        {"%1$s %s", "x", "y", "", "%1$s x"}};
    for (const auto& [text, a1, a2, a3, expected] : cases)
        EXPECT_EQ(gsFormatMessage(text, a1, a2, a3), QString::fromUtf8(expected)) << text;
}

struct CodeUse {
    QString kind;  // "label", "message" (messages and questions alike) or "question"
    QString code;
    int arguments;  // -1: not known
    QString where;
};

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Placeholders a text carries: "%s" each, or the distinct "%1$s" to "%3$s".
int placeholders(const QString& text)
{
    if (text.contains(QLatin1String("%s")))
        return int(text.count(QLatin1String("%s")));
    static const QRegularExpression numbered(QStringLiteral("%([1-3])\\$s"));
    QSet<QString> seen;
    for (auto it = numbered.globalMatch(text); it.hasNext();)
        seen.insert(it.next().captured(1));
    return int(seen.size());
}

// Codes in the editor's sources (messages and questions anywhere in a text, labels as whole
// string literals), and the full list of codes the editor uses with their arguments.
TEST(MessageCodes, EveryCodeTheEditorUsesHasAnEnglishTextWithItsArguments)
{
    const QString source = qEnvironmentVariable("PALIMOR_SOURCE_DIR");
    static const QRegularExpression messageCode(QStringLiteral("\\b(plqx\\d{4}|zrnd\\d{4})\\b"));
    static const QRegularExpression labelCode(QStringLiteral("\"(pz[a-z]+\\.[A-Za-z0-9_]+)\""));
    QList<CodeUse> uses;
    QSet<QString> kinds;
    QDirIterator it(source + QStringLiteral("/src"), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next(), text = readFile(path);
        for (const auto& [kind, pattern] : {std::pair{"message", &messageCode}, {"label", &labelCode}})
            for (auto m = pattern->globalMatch(text); m.hasNext(); kinds.insert(kind))
                uses.append({kind, m.next().captured(1), -1, path});
    }
    // Both kinds are named in the sources, so the scan cannot come back without them.
    ASSERT_EQ(kinds, QSet<QString>({"message", "label"})) << "scanned " << source.toStdString();
    const qsizetype scanned = uses.size();
    QSet<QString> seen;
    int lineNumber = 0;
    for (const QString& raw : readFile(source + QStringLiteral("/tests/core/text_codes.txt")).split(u'\n')) {
        const QString line = raw.trimmed(), where = QStringLiteral("text_codes.txt:%1").arg(++lineNumber);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
        const bool text = parts.size() == 3 && (parts[0] == QLatin1String("message") || parts[0] == QLatin1String("question"));
        ASSERT_TRUE(text || (parts.size() == 2 && parts[0] == QLatin1String("label")))
            << where.toStdString() << " is not \"label CODE\" or \"message|question CODE N\"";
        EXPECT_FALSE(seen.contains(parts[0] + u' ' + parts[1])) << line.toStdString() << " is listed twice";
        seen.insert(parts[0] + u' ' + parts[1]);
        uses.append({parts[0], parts[1], text ? parts[2].toInt() : -1, where});
    }
    ASSERT_GT(uses.size() - scanned, 200);

    LocalHostEnvironment env;
    const std::unique_ptr<host::HostDatabase> db = openHostDatabase(env.databasePath());
    ASSERT_TRUE(db);
    const QString where = QStringLiteral(" WHERE clan = '2' AND cpac = 'qx' AND ");
    const QString messages = "SELECT mess FROM qxzrn451" + where + "cmes = ?1";
    for (const CodeUse& use : uses) {
        host::Statement st(db->handle(), use.kind == QLatin1String("label")
                                             ? "SELECT desc FROM qxzrn140" + where + "clab = ?1 ORDER BY leng DESC"
                                         : use.kind == QLatin1String("question")
                                             ? messages
                                             : "SELECT mess FROM qxzrn450" + where + "cmes = ?1 UNION ALL " + messages);
        st.bind(1, use.code);
        const QString text = st.step() ? st.text(0) : QString();
        EXPECT_FALSE(text.trimmed().isEmpty()) << use.kind.toStdString() << " " << use.code.toStdString() << " ("
                                               << use.where.toStdString() << ") has no English text";
        EXPECT_TRUE(use.arguments < 0 || text.isNull() || placeholders(text) == use.arguments)
            << use.code.toStdString() << ": " << text.toStdString();
    }
}

} // namespace
