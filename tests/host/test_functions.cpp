// The local host's functions as the host sees them: labels, pictures, versions, dumps and
// the data dictionary; room limits of the bulk answers, bad data, the host transaction.
// The editor's wrappers: test_wrappers; the look-up presenters: test_properties_lookups.
#include "call_text.h"
#include "data_sets.h"
#include "form_dump.h"
#include "form_generator.h"
#include "functions_labels.h"
#include "host_database.h"
#include "host_error.h"
#include "host_transaction.h"
#include "local_host.h"
#include "session_windows.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"
#include "support/SessionPresenters.h"

#include <QDir>

namespace {

QString q(const QString& text) { return calltext::quote(text); }
std::string s(const QString& q) { return q.toStdString(); }
// A buffer with its text ends (Chr(1)) made visible.
std::string visible(const QString& s) { return QString(s).replace(QChar(1), u'|').toStdString(); }

struct Answer {
    int32_t error = 0;
    QString value;
    calltext::Call call;
    QString out(int p) const { return call.arg(p).text(); }
    int64_t number(int p) const { return call.arg(p).value(); }
};

class HostFunctions : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        db = openDatabase();
        ASSERT_TRUE(db);
        host = host::LocalHost::open(databasePath());
    }
    void TearDown() override
    {
        host.reset();
        LocalHostFixture::TearDown();
    }
    Answer call(const QString& text, const char* object = "oqxdllextint")
    {
        int32_t n = 0;
        host->executeFunction(QString::fromLatin1(object), text, n);
        return {host->vrokError(), host->returnValue(), calltext::parse(host->returnCall()).value_or(calltext::Call{})};
    }
    QString value(const QString& text) { return call(text).value; }
    // Through the test's own connection: what the host committed.
    int64_t scalar(const QString& sql) { return queryNumber(db->handle(), sql); }
    void setMeta(const char* key, const QString& value)
    {
        host::Statement st(db->handle(), QStringLiteral("UPDATE host_meta SET value = ?2 WHERE key = ?1"));
        st.bind(1, QString::fromLatin1(key)).bind(2, value).exec();
    }

    std::unique_ptr<host::HostDatabase> db;
    std::unique_ptr<host::LocalHost> host;
};

TEST_F(HostFunctions, GetLabelPicksTheLongestVariantThatFits)
{
    // tekwy100.stock has 10x1 "Stock" (read through glGetLabel in test_wrappers) and 30x1 and
    // 15x2 "Stock levels and storage place".
    const std::tuple<const char*, int, int, int, const char*, int, int> cases[] = {
        {"2", 30, 1, 0, "Stock levels and storage place", 30, 1},
        {"2", 20, 2, 0, "Stock levels and storage place", 15, 2},
        {"2", 30, 0, 0, "Stock levels and storage place", 30, 1}, // height 0 counts as 1
        {"2", 9, 1, 2, "", 9, 1},                                 // nothing that short
        {"3", 30, 1, 1, "", 30, 1}};                              // not in language 3
    for (const auto& [language, length, height, answer, text, outLength, outHeight] : cases) {
        const Answer a = call(QStringLiteral("get.label(\"%1\",\"te\",\"tekwy100.stock   \",\"\",%2,%3,1,0,11)")
                                  .arg(QLatin1String(language))
                                  .arg(length)
                                  .arg(height));
        ASSERT_EQ(a.error, 0);
        EXPECT_EQ(QStringLiteral("%1|%2|%3|%4").arg(a.value, a.out(4)).arg(a.number(5)).arg(a.number(6)),
                  QStringLiteral("%1|%2|%3|%4").arg(answer).arg(QLatin1String(text)).arg(outLength).arg(outHeight))
            << language << " " << length << "x" << height;
    }
    EXPECT_EQ(
        value(QStringLiteral("get.label(\"2\",\"te\",%1,\"\",60,1,1,0,1)").arg(q(QStringLiteral("x\" OR \"1\"=\"1")))),
        QStringLiteral("1"));
    EXPECT_EQ(call(QStringLiteral("get.label(\"2\",\"te\",\"x\",\"\",\"30\",1,1,0,1)")).error, host::kErrBadArgument);
}

TEST_F(HostFunctions, BulkAnswersFollowTheRequestsAndTheBufferLimit)
{
    const datasets::DataSetLayout& set = *datasets::findLayout(QStringLiteral("labelset"));
    QString request;
    for (const char* code : {"tekwy100.stock", "nothing.here", "tekwy001.stoc"}) {
        datasets::RecordBuilder b(set, 1);
        b.set(QStringLiteral("cpac"), QStringLiteral("te"));
        b.set(QStringLiteral("clab"), QLatin1String(code));
        b.set(QStringLiteral("leng"), QStringLiteral("020"));
        b.set(QStringLiteral("lhgt"), QStringLiteral("002"));
        request += b.record();
    }
    const Answer a = call(QStringLiteral("get.label.set(\"2\",-1,%1)").arg(q(request)));
    datasets::RecordReader r(set, 1, a.out(3));
    QStringList rows;
    while (r.next())
        rows << QStringList{r.value(QStringLiteral("clab")), r.value(QStringLiteral("leng")),
                            r.value(QStringLiteral("lhgt")), r.value(QStringLiteral("desc"))}
                    .join(u'|');
    EXPECT_EQ(rows, (QStringList{QStringLiteral("tekwy100.stock|15|2|Stock levels and storage place"),
                                 QStringLiteral("nothing.here|20|2|"),
                                 QStringLiteral("tekwy001.stoc|15|2|Quantity in stock")}));

    // Group label answers are read back through the editor in test_text_caches.
    const QString tooLong = q(QString(4051, u' '));
    EXPECT_EQ(call(QStringLiteral("get.label.set(\"2\",1,%1)").arg(tooLong)).error, host::kErrBadArgument);
    EXPECT_EQ(call(QStringLiteral("get.group.labels.set(\"2\", 40,%1)").arg(tooLong)).error, host::kErrBadArgument);
}

// Records of fields the main table does not have come back as their key and nothing
// else, a Chr(1) in the key made a blank (the fields it has: test_text_caches).
TEST_F(HostFunctions, TableFieldAnswersOfOtherFieldsAreTheirKeysAlone)
{
    const datasets::DataSetLayout& set = *datasets::findLayout(QStringLiteral("tabelveldset"));
    const qsizetype length = datasets::recordLength(set, 1);
    QString request, expected;
    for (const QString& key : {QStringLiteral("tekwy002dsca"), QStringLiteral("tekwy002") + datasets::kEndOfText + QStringLiteral("x"),
                               QStringLiteral("tekwy001"), QString(), QStringLiteral("tekwy001nosuch")}) {
        request += key.leftJustified(length);
        datasets::RecordBuilder b(set, 1);
        b.set(QStringLiteral("fldn"), key.leftJustified(16));
        expected += b.compactRecord();
    }
    const Answer a = call(QStringLiteral("get.tablefield.set(\"te\",\"kwy\",\"001\",%1)").arg(q(request)));
    EXPECT_EQ(a.error, 0);
    EXPECT_EQ(a.out(4), expected);
}

// The insert joins the host transaction: a label whose commit fails is not stored (test_properties_lookups).
TEST_F(HostFunctions, SearchFindsTheTextAndInsertRefusesATextLongerThanItsSize)
{
    const QString search = QStringLiteral("search.existing.labels(\"2\",\"te\",%1,\"\",%2,%3,0)");
    Answer a = call(search.arg(q(QStringLiteral(" quantity IN stock "))).arg(2).arg(20), "oqxdlllabels");
    EXPECT_EQ(a.out(4) + QStringLiteral("|%1|%2").arg(a.number(5)).arg(a.number(6)), QStringLiteral("tekwy001.stoc|2|15"));
    a = call(search.arg(q(QStringLiteral("No such text"))).arg(0).arg(70), "oqxdlllabels");
    EXPECT_EQ(a.out(3) + a.out(4) + QString::number(a.number(7)), QStringLiteral("No such text0"));

    const QString insert = QStringLiteral(
        "insert.qxzrn140(\"2\",\"te\",\"tekwy001.new\",%1,1,\"7.6\",\"a3\",\"dev\",\"New text\",\"NEWTEXT\")");
    EXPECT_EQ(value(insert.arg(7)), QStringLiteral("2"));  // the text needs 8
    EXPECT_FALSE(host::hostTransactionOpen(host->database()));
}

TEST_F(HostFunctions, PicturesAreWrittenAndRemovedOnlyInTheirDirectory)
{
    EXPECT_EQ(value(QStringLiteral("get.picture(\"teform_\",\"nothing\",\"\",\"\")")), QStringLiteral("1"));
    const Answer a = call(QStringLiteral("get.picture(\"teform_\",\"box\",\"\",\"\")"));
    EXPECT_EQ(a.value + a.out(4),
              u'0' + QDir(host::pictureDirectory(host->database())).filePath(QStringLiteral("teform_box.png")));
    QFile picture(a.out(4));
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(picture.readAll().toHex().toUpper()),
              queryRows(db->handle(), QStringLiteral("SELECT hex(pict) FROM qxzwk903 WHERE icon = 'box'")).value(0));
    {  // a full disk: 2, and the picture written before stays whole
        const FileSizeLimit disk(rlim_t(picture.size() / 2));
        EXPECT_EQ(value(QStringLiteral("get.picture(\"teform_\",\"box\",\"\",\"\")")), QStringLiteral("2"));
    }
    EXPECT_EQ(fileBytes(a.out(4)).size(), picture.size());

    QFile outside(QDir(tempDir()).filePath(QStringLiteral("keep.png")));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.close();
    const QString remove = QStringLiteral("remove.file.from.server(%1,%2)");
    for (const auto& [folder, path] : {std::pair{QString(), outside.fileName()}, {QString(), QStringLiteral("../keep.png")},
                                       {QString(), QStringLiteral("../keep")}, {tempDir(), QStringLiteral("keep.png")}})
        EXPECT_EQ(value(remove.arg(q(folder), q(path))), QStringLiteral("2")) << path.toStdString();
    EXPECT_TRUE(outside.exists());
    EXPECT_EQ(value(remove.arg(q(QString()), q(QStringLiteral("teform_none.png")))), QStringLiteral("1"));
    // An icon is known within its own group only.
    EXPECT_EQ(value(QStringLiteral("validate.iconname(\"teform_\",\"truck\")"))
                  + value(QStringLiteral("validate.iconname(\"qxform_\",\"truck\")")),
              QStringLiteral("10"));
}

// Good answers are read by the editor's start-up (test_form_choice); here the refusals.
TEST_F(HostFunctions, InitDllExtIntRefusesBadVersionData)
{
    const QString init = QStringLiteral("init.dllextint(4, 0, \"    \")");
    // A factor past 4 would overflow the widths of host-text fields in every bulk answer.
    const QString labels = QStringLiteral("get.label.set(\"2\",1,%1)").arg(q(QStringLiteral("tetekwy100.stock")));
    for (const char* bad : {"many", "0", "5", "40000000"}) {
        setMeta("bytes_per_char", QString::fromLatin1(bad));
        EXPECT_EQ(call(init).error, host::kErrDatabase) << bad;
        EXPECT_EQ(call(labels).error, host::kErrDatabase) << bad;
    }
    setMeta("bytes_per_char", QStringLiteral("1"));
    db->exec(QStringLiteral("DELETE FROM host_meta WHERE key = 'dll_version'"));
    EXPECT_EQ(call(init).error, host::kErrDatabase);
    EXPECT_EQ(host->returnCall(), init);
}

TEST_F(HostFunctions, ScriptTivAnswersTheLevelOfTheMatchingScript)
{
    // Stored padded or not, in two versions of one script.
    db->exec(QStringLiteral("INSERT INTO qxzrn230 (cpac, cmod, cprs, vers, rele, cust, tivn) VALUES"
                            " ('tz', 'tzm', 'tzm1001m000', 'B40 ', '', '', 1074),"
                            " ('tz', 'tzm', 'tzm1001m000', 'B50 ', '', '', 1080),"
                            " ('tz ', ' tzm', 'tzm2002m000 ', 'B40 ', '', '', 1075),"
                            " ('tz', 'tzx', 'tzm3003m000', 'B40 ', '', '', 9)"));
    const char* const cases[][2] = {
        {"get.script.tiv(\"tz\",\"tzm\",\"tzm1001m000\")", "1080"},  // highest version
        {"get.script.tiv(\"tz \",\"tzm  \",\" tzm1001m000 \")", "1080"},  // blanks ignored
        {"get.script.tiv(\"tz\",\"tzm\",\"tzm2002m000\")", "1075"},  // stored with blanks
        {"get.script.tiv(\"tz\",\"tzm\",\"tzm3003m000\")", "0"},     // other module
        {"get.script.tiv(\"tz\",\"tzm\",\"nothing\")", "0"},
        {"get.script.tiv(\"\",\"\",\"\")", "0"},
        {"get.script.tiv(\"tz' OR '1'='1\",\"tzm\",\"x' OR 1=1 --\")", "0"},
        {"get.script.tiv(\"tz\",\"tzm\",\"tzm1001m000\"\" OR \"\"1\"\"=\"\"1\")", "0"},
    };
    for (const auto& [callText, level] : cases) {
        const Answer a = call(QString::fromUtf8(callText));
        ASSERT_EQ(a.error, 0) << s(host->errorText());
        EXPECT_EQ(a.value, QString::fromLatin1(level)) << callText;
        EXPECT_EQ(host->returnCall(), calltext::format(*calltext::parse(QString::fromUtf8(callText))));
    }
}

TEST_F(HostFunctions, DumpWritesTheFormsRowsInsideTheDumpDirectory)
{
    const QString dumps = tempDir() + QStringLiteral("/dumps");
    qputenv("PALIMOR_HOST_DUMP_DIR", dumps.toLocal8Bit());
    const Answer dumped = call(QStringLiteral("ext.dump.form(\"te\",\"kwy\",\"simpled\",\"2\",\"7.6 \",\"a3\",\"dev \")"));
    // No rows: 1 and no file. Parts that look like a path stay in the directory.
    const Answer none = call(QStringLiteral("ext.dump.form(\"..\",\"/..\",\"x/../y\",\"2\",\"7.6\",\"a3\",\"\")"));
    qunsetenv("PALIMOR_HOST_DUMP_DIR");
    EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(dumped.error).arg(dumped.value).arg(none.error).arg(none.value),
              QStringLiteral("0 0 0 1"));
    QFile file(dumps + QStringLiteral("/te_kwy_simpled_2_7.6_a3_dev.txt"));
    EXPECT_EQ(QDir(dumps).entryList(QDir::Files), QStringList{"te_kwy_simpled_2_7.6_a3_dev.txt"});
    EXPECT_EQ(QString::fromUtf8(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()),
              host::dumpForm(db->handle(), {"te", "kwy", "simpled", "2", "7.6", "a3", "dev"}));
    EXPECT_TRUE(QDir(tempDir()).entryList({"*.txt"}, QDir::Files).isEmpty());
}

// A form runs in the version sent when its session is there, else in the version that
// one derives from, along the chain of origins in the same package.
TEST_F(HostFunctions, RuntimeCheckAnswersTheVersionTheSessionRunsIn)
{
    db->exec(QStringLiteral(
        "INSERT INTO qxzrn200 (cpac, cmod, cses, vers, rele, cust, stsc) VALUES ('te', 'kwy', 'runs', '7.6', 'a3', '', 1);"
        "INSERT INTO qxscm100 (cpac, vers, rele, cust, orpa, orve, orre, orcu) VALUES"
        " ('te', '7.7', 'b1', '', 'te', '7.6', 'a3', ''), ('te', '7.8', 'c1', 'x', 'te', '7.7', 'b1', ''),"
        " ('te', '7.9', 'd1', '', 'te', '7.9', 'd2', ''), ('te', '7.9', 'd2', '', 'te', '7.9', 'd1', ''),"
        " ('te', '7.5', 'z1', '', 'qx', '7.6', 'a3', '')"));
    // Session, version sent, answer, version answered.
    const char* const cases[][4] = {
        {"tekwyruns", "\"7.6 \",\"a3\",\"    \"", "1", "7.6 |a3|    "},  // there: as sent
        {"tekwyruns", "\"7.8\",\"c1\",\"x\"", "1", "7.6|a3| "},  // two origins back, padded to the width sent
        {"tekwyruns", "\"7.7 \",\"b1\",\"    \"", "1", "7.6 |a3|    "},
        {"tekwyruns", "\"7.9 \",\"d1\",\"    \"", "0", "7.9 |d1|    "},  // origins in a circle
        {"tekwyruns", "\"7.5 \",\"z1\",\"    \"", "0", "7.5 |z1|    "},  // origin in another package
        {"tekwyruns", "\"7.6 \",\"a3\",\"dev \"", "0", "7.6 |a3|dev "},  // its own origin
        {"tekwyitems", "\"7.6 \",\"a3\",\"dev \"", "1", "7.6 |a3|dev "},
    };
    for (const auto& [session, version, answer, answered] : cases) {
        SCOPED_TRACE(std::string(session) + version);
        const Answer a = call(QStringLiteral("check.runtime.form.vrc(\"%1\",%2)")
                                  .arg(QLatin1String(session), QLatin1String(version)));
        ASSERT_EQ(a.error, 0) << s(host->errorText());
        EXPECT_EQ(a.value, QLatin1String(answer));
        EXPECT_EQ(QStringList({a.out(2), a.out(3), a.out(4)}).join(u'|'), QLatin1String(answered));
    }
}

// A session started in a language answers the one its window ended in; one started in
// none has none to switch.
TEST_F(HostFunctions, SessionAnswersTheLanguageItsWindowEndedIn)
{
    QString switchTo;
    host::setSessionPresenter(presenterEndingIn(switchTo));
    // Table (none: a session without a look-up), language sent, switched to, answered.
    const char* const cases[][4] = {
        {"qxzrn200", "2", "3", "3"}, {"qxzrn200", "2", "2", "2"}, {"qxzrn200", "2", "", "2"},
        {"qxzrn200", "2", "34", "2"}, {"qxzrn200", "", "3", ""},  {"", "2", "3", "3"},
    };
    for (const auto& [table, language, switched, answered] : cases) {
        SCOPED_TRACE(std::string(table) + "|" + language + "|" + switched);
        switchTo = QLatin1String(switched);
        const Answer a = call(QStringLiteral("start.vrok.session(\"qxzrn2100s000\",\"%1\",\"\",0,\"\",\"\",\"%2\")")
                                  .arg(QLatin1String(table), QLatin1String(language)));
        ASSERT_EQ(a.error, 0) << s(host->errorText());
        EXPECT_EQ(a.value, QStringLiteral("-1"));
        EXPECT_EQ(a.out(7), QLatin1String(answered));
    }
    host::resetSessionWindows();
}

TEST_F(HostFunctions, DumpWritesTheFormsRowsInsideTheDumpDirectoryAndKeepsTheLastOneOnAFullDisk)
{
    const QString dumps = tempDir() + QStringLiteral("/dumps");
    const QString last = dumps + QStringLiteral("/te_kwy_simpled_2_7.6_a3_dev.txt");
    const QString simpled = QStringLiteral("ext.dump.form(\"te\",\"kwy\",\"simpled\",\"2\",\"7.6 \",\"a3\",\"dev \")");
    qputenv("PALIMOR_HOST_DUMP_DIR", dumps.toLocal8Bit());
    const Answer dumped = call(simpled);
    // No rows: 1 and no file. Parts that look like a path stay in the directory.
    const Answer none = call(QStringLiteral("ext.dump.form(\"..\",\"/..\",\"x/../y\",\"2\",\"7.6\",\"a3\",\"\")"));
    Answer full;
    {
        const FileSizeLimit disk(rlim_t(fileBytes(last).size() / 2));
        full = call(simpled);
    }
    // A dump written in several parts: whole, and on a disk full after its first part
    // the one before it kept.
    QString why;
    host::GenerateOptions options;
    options.fields = 400;
    const std::optional<host::FormIdentity> large = host::generateForm(*db, options, &why);
    ASSERT_TRUE(large) << why.toStdString();
    const QString dumpLarge = QStringLiteral("ext.dump.form(\"%1\")").arg(large->text().replace(u'/', "\",\""));
    const QString largeFile = dumps + "/te_kwy_" + large->formCode + "_2_7.6_a3_dev.txt";
    const Answer largeDumped = call(dumpLarge);
    const QString largeText = host::dumpForm(db->handle(), *large);
    ASSERT_GT(largeText.size(), 3 * 64 * 1024);
    EXPECT_EQ(QString::fromUtf8(fileBytes(largeFile)), largeText);
    {
        const FileSizeLimit disk(rlim_t(100 * 1024));
        full.value += u' ' + call(dumpLarge).value;
    }
    qunsetenv("PALIMOR_HOST_DUMP_DIR");
    EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(dumped.value, none.value, largeDumped.value, full.value),
              QStringLiteral("0 1 0 2 2"));
    EXPECT_EQ(QDir(dumps).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(QString::fromUtf8(fileBytes(last)), host::dumpForm(db->handle(), {"te", "kwy", "simpled", "2", "7.6", "a3", "dev"}));
    EXPECT_EQ(QString::fromUtf8(fileBytes(largeFile)), largeText);
    EXPECT_TRUE(QDir(tempDir()).entryList({"*.txt"}, QDir::Files).isEmpty());
}

TEST_F(HostFunctions, EnumSetGivesEachDomainItsHeadAndTheConstantsThereIsRoomFor)
{
    db->exec(QStringLiteral("UPDATE qxzrn402 SET edes = 'Metre \"m\"' WHERE cdom = 'unit' AND cnst = 3;"
                            "UPDATE qxzrn402 SET edes = 'Each' WHERE cdom = 'unit' AND cnst = 1"));
    // unit: room for 3 of its 6 constants; nope: unknown; yeno: room for both.
    const QString request = QStringLiteral("teunit").leftJustified(17 + 3 * 60)
                            + QStringLiteral("tenope").leftJustified(17 + 60)
                            + QStringLiteral("teyeno").leftJustified(17 + 2 * 60);
    EXPECT_EQ(visible(call(QStringLiteral("get.enum.set(%1)").arg(q(request))).out(1)),
              "teunit        0  1   pcs            Each|2   kg             Kilogram|3   m              Metre \"m\"|"
              "tenope        0  teyeno        1  1   yes            Yes|2   no             No|");
}

TEST_F(HostFunctions, FieldListsFillOnlyTheRoomOfTheirBuffer)
{
    // Room for one record of 18 characters: one name, and the count says so.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"get.index.fields(\"te\",\"kwy\",\"005\",\"\",\"\",\"\",", 7, "tekwy005.orno"},
        {"get.combined.fields(\"tekwy004.wloc\",", 2, "tekwy004.cwar"},
    };
    for (const auto& [opening, position, first] : cases) {
        const Answer a = call(QString::fromLatin1(opening) + q(QString(30, u' ')) + u')');
        ASSERT_EQ(a.error, 0) << opening;
        EXPECT_EQ(a.value + u'|' + a.out(position), "1|" + QString::fromLatin1(first).leftJustified(30));
    }
    // Refused: a flag that is neither 1 nor 2, a number where a text belongs.
    for (const char* bad : {"insert.qxzrn302(\"2\",\"te\",\"kwy\",\"f\",\"7.6\",\"a3\",\"dev\",1,3,\"\",\"\")",
                            "get.domains(5)"})
        EXPECT_EQ(call(QString::fromLatin1(bad)).error, host::kErrBadArgument) << bad;
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM qxzrn302 WHERE cfrm = 'f'")), 0);
}

} // namespace
