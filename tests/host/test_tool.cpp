// The palimor-host tool, run as a program: init, dump against golden files, generate,
// its errors, and a database that survives the tool being killed; the form and table
// generator behind "generate" and "table", called as the library.
#include "support/LocalHostFixture.h"

#include "form_check.h"
#include "form_dump.h"
#include "form_generator.h"
#include "form_identity.h"
#include "host_database.h"
#include "host_error.h"
#include "sqlite_util.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QThread>

namespace {

struct ToolRun {
    int status = -1;
    QString out, err;
};

// The test main names the tool and the source tree in the environment.
QString toolPath() { return qEnvironmentVariable("PALIMOR_HOST_TOOL"); }

ToolRun runTool(const QStringList& args)
{
    QProcess process;
    process.start(toolPath(), args);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return {-1, {}, QStringLiteral("the tool did not run to its end")};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// The rows of generated forms in the design tables and the sessions.
int64_t generatedRows(sqlite3* db)
{
    return queryNumber(db, QStringLiteral(
        "SELECT (SELECT count(*) FROM qxzrn300 WHERE cfrm LIKE 'gen%') + (SELECT count(*) FROM qxzrn315 WHERE "
        "cfrm LIKE 'gen%') + (SELECT count(*) FROM qxzrn301 WHERE cfrm LIKE 'gen%') + (SELECT count(*) FROM "
        "qxzrn308 WHERE cfrm LIKE 'gen%') + (SELECT count(*) FROM qxzrn200 WHERE cses LIKE 'gen%')"));
}

// Waits until the process has written line (a whole line of its output).
bool waitForLine(QProcess& process, const QString& line, QString* seen)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        process.waitForReadyRead(200);
        *seen += QString::fromUtf8(process.readAllStandardOutput());
        if (seen->split(QLatin1Char('\n')).contains(line))
            return true;
        if (process.state() == QProcess::NotRunning)
            return false;
    }
    return false;
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(toolPath()).isExecutable()) << "no palimor-host at " << toolPath().toStdString();
        ASSERT_TRUE(dir_.isValid());
        dbPath_ = dir_.filePath(QStringLiteral("host.sqlite"));
    }

    // A database made by the tool itself.
    void init()
    {
        const ToolRun run = runTool({"init", dbPath_});
        ASSERT_TRUE(run.status == 0 && QFileInfo::exists(dbPath_)) << run.err.toStdString();
    }

    ToolRun dump(const QString& form) const { return runTool({"dump", dbPath_, form}); }

    QTemporaryDir dir_;
    QString dbPath_;
};

TEST_F(ToolTest, InitThenDumpOfEachDemoFormGivesTheGoldenRows)
{
    init();
    for (const QString code : {"simpled", "itemsd", "olditemd"}) {
        SCOPED_TRACE(code.toStdString());
        const ToolRun byCode = dump(code);
        ASSERT_EQ(byCode.status, 0) << byCode.err.toStdString();
        EXPECT_EQ(firstDifference(byCode.out, golden(QStringLiteral("host"), code, byCode.out)), "");
        // The whole identity names the same form.
        EXPECT_EQ(dump(QStringLiteral("te/kwy/%1/2/7.6/a3/dev").arg(code)).out, byCode.out);
    }
}

struct BadCall {
    const char* name;
    QStringList args;  // DB, MISSING, TEXT and DIR stand for paths made by the test
    int status;
    const char* message;  // part of what the tool writes to stderr
};

class ToolErrorTest : public ToolTest, public ::testing::WithParamInterface<BadCall> {};

TEST_P(ToolErrorTest, FailsWithAClearMessageAndChangesNothing)
{
    init();
    const QByteArray notes("these are notes, not a database\n");
    const QString text = dir_.filePath(QStringLiteral("notes.txt"));
    const QString empty = dir_.filePath(QStringLiteral("empty.sqlite"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(notes) == notes.size());
    file.close();
    ASSERT_TRUE(QFile(empty).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("sub")));
    const QString missing = dir_.filePath(QStringLiteral("missing.sqlite"));
    const QMap<QString, QString> paths{
        {"DB", dbPath_}, {"MISSING", missing}, {"TEXT", text}, {"EMPTY", empty}, {"DIR", dir_.filePath("sub")}};
    QStringList args;
    for (const QString& arg : GetParam().args)
        args << paths.value(arg, arg);
    QMap<QString, QByteArray> before;
    for (const QString& path : {dbPath_, text, empty})
        before.insert(path, fileBytes(path));

    const ToolRun run = runTool(args);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_TRUE(run.err.contains(QLatin1String(GetParam().message))) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missing));
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        EXPECT_TRUE(fileBytes(it.key()) == it.value()) << it.key().toStdString() << " changed";
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 3);
}

const BadCall kBadCalls[] = {
    {"NoCommand", {}, 2, "Usage: palimor-host COMMAND"},
    {"UnknownCommand", {"frobnicate"}, 2, "unknown command \"frobnicate\""},
    {"InitWithoutPath", {"init"}, 2, "expected 1 argument(s), got 0"},
    {"InitOnExistingFile", {"init", "DB"}, 1, "already exists"},
    {"GenerateOnMissingFile", {"generate", "MISSING", "--fields", "10"}, 1, "missing.sqlite does not exist"},
    {"GenerateOnText", {"generate", "TEXT", "--fields", "10"}, 1, "not a database"},
    {"GenerateOnDirectory", {"generate", "DIR", "--fields", "10"}, 1, "is not a file"},
    {"GenerateWithoutFields", {"generate", "DB"}, 2, "generate needs --fields N"},
    {"GenerateWithoutValue", {"generate", "DB", "--fields"}, 2, "option --fields needs a value"},
    {"GenerateTooManyFields", {"generate", "DB", "--fields", "3201"}, 2, "--fields takes a number from 1 to 3200"},
    {"GenerateWordForFields", {"generate", "DB", "--fields", "many"}, 2, "not \"many\""},
    {"GenerateUnknownOption", {"generate", "DB", "--colour", "red"}, 2, "unknown option --colour"},
    {"TableWithoutColumns", {"table", "DB"}, 2, "table needs --columns N"},
    {"TableTooManyColumns", {"table", "DB", "--columns", "3001"}, 2, "--columns takes a number from 1 to 3000"},
    {"DumpWithoutForm", {"dump", "DB"}, 2, "expected 2 argument(s), got 1"},
    {"DumpOnMissingFile", {"dump", "MISSING", "simpled"}, 1, "does not exist"},
    {"DumpOnEmptyFile", {"dump", "EMPTY", "simpled"}, 1, "empty.sqlite is empty, not a host database"},
    {"TableOnEmptyFile", {"table", "EMPTY", "--columns", "3"}, 1, "empty.sqlite is empty, not a host database"},
    {"DumpOnText", {"dump", "TEXT", "simpled"}, 1, "notes.txt is damaged: file is not a database"},
    {"DumpUnknownForm", {"dump", "DB", "nosuch"}, 1, "no form \"nosuch\""},
    {"DumpOtherCustomer", {"dump", "DB", "simpled", "--customer", "c01"}, 1, "no form \"simpled\""},
    {"DumpShortIdentity", {"dump", "DB", "te/kwy/simpled"}, 2, "seven parts"},
    {"DumpIdentityTooLong", {"dump", "DB", "tee/kwy/simpled/2/7.6/a3/dev"}, 2, "the package \"tee\""},
    {"DumpIdentityWithOptions", {"dump", "DB", "te/kwy/simpled/2/7.6/a3/dev", "--module", "kwy"}, 2,
     "takes no further options"},
};

INSTANTIATE_TEST_SUITE_P(BadCalls, ToolErrorTest, ::testing::ValuesIn(kBadCalls),
                         [](const ::testing::TestParamInfo<BadCall>& info) { return std::string(info.param.name); });

TEST_F(ToolTest, AFormCodeOfTwoFormsMustBeNarrowedDown)
{
    init();
    {
        std::unique_ptr<host::HostDatabase> db = openHostDatabase(dbPath_);
        ASSERT_TRUE(db);
        db->exec(QStringLiteral("INSERT INTO qxzrn300 (clan, cpac, cmod, cfrm, vers, rele, cust, desc) "
                                "VALUES ('3', 'te', 'kwy', 'simpled', '7.6', 'a3', 'dev', 'Item groups')"));
    }
    const ToolRun ambiguous = dump("simpled");
    EXPECT_EQ(ambiguous.status, 2);
    EXPECT_TRUE(ambiguous.err.contains(QLatin1String("names 2 forms"))
                && ambiguous.err.contains(QLatin1String("te/kwy/simpled/3/7.6/a3/dev")))
        << ambiguous.err.toStdString();

    const ToolRun narrowed = runTool({"dump", dbPath_, "simpled", "--language", "2", "--customer=dev"});
    ASSERT_EQ(narrowed.status, 0) << narrowed.err.toStdString();
    EXPECT_EQ(firstDifference(narrowed.out, golden(QStringLiteral("host"), QStringLiteral("simpled"), narrowed.out)),
              "");
}

// The work file of a run: host.sqlite.<8 hex digits>.tmp.
QStringList workFiles(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList({QStringLiteral("host.sqlite.\?\?\?\?\?\?\?\?.tmp")}, QDir::Files);
}

TEST_F(ToolTest, KilledInitLeavesNoDatabaseAndInitRemovesNoFileItDidNotMake)
{
    QProcess process;
    process.start(toolPath(), {"init", dbPath_, "--slow-for-tests"});
    QString seen;
    ASSERT_TRUE(waitForLine(process, "creating", &seen)) << seen.toStdString();
    // The work file appears while the scripts run; the database itself must not.
    QElapsedTimer timer;
    timer.start();
    while (workFiles(dir_).isEmpty() && timer.elapsed() < 30000)
        QThread::msleep(20);
    const QStringList work = workFiles(dir_);
    ASSERT_EQ(work.size(), 1);
    QThread::msleep(300);
    ASSERT_EQ(process.state(), QProcess::Running) << "init finished before it could be killed";
    process.kill();
    process.waitForFinished();
    EXPECT_FALSE(QFileInfo::exists(dbPath_));

    // A later init works beside the file left behind and files of the old work file name.
    const QByteArray mine("somebody's file\n");
    for (const char* suffix : {".tmp", ".tmp-journal"}) {
        QFile file(dbPath_ + suffix);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(mine) == mine.size());
    }
    init();
    EXPECT_EQ(workFiles(dir_), work);
    for (const char* suffix : {".tmp", ".tmp-journal"})
        EXPECT_EQ(fileBytes(dbPath_ + suffix), mine) << suffix;
    EXPECT_EQ(host::findForms(openHostDatabase(dbPath_)->handle(), host::FormIdentity{}, true).size(), 3);
}

TEST_F(ToolTest, KilledGenerateLeavesTheDatabaseAsItWas)
{
    init();
    const ToolRun before = dump("itemsd");
    QProcess process;
    process.start(toolPath(), {"generate", dbPath_, "--fields", "2000", "--slow-for-tests"});
    QString seen;
    ASSERT_TRUE(waitForLine(process, "generated 40 fields", &seen)) << seen.toStdString();
    process.kill();
    process.waitForFinished();
    EXPECT_FALSE(seen.contains(QLatin1String("gen00001d"))) << "generate finished before it was killed";

    std::unique_ptr<host::HostDatabase> db = openHostDatabase(dbPath_);
    ASSERT_TRUE(db);
    EXPECT_EQ(generatedRows(db->handle()), 0) << "rows of the interrupted form remain";
    for (const host::FormIdentity& form : host::findForms(db->handle(), host::FormIdentity{}, true)) {
        const host::FormCheckReport report = host::checkForm(db->handle(), form);
        EXPECT_TRUE(report.ok()) << form.text().toStdString() << "\n"
                                 << report.problems.join(QLatin1Char('\n')).toStdString();
    }
    db.reset();
    EXPECT_EQ(dump("itemsd").out, before.out);

    // The database takes a whole form afterwards, under the first free name.
    const ToolRun again = runTool({"generate", dbPath_, "--fields=7"});
    ASSERT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_EQ(again.out, QStringLiteral("te/kwy/gen00001d/2/7.6/a3/dev\n"));
    EXPECT_EQ(dump("gen00001d").out.count(QStringLiteral("\nqxzrn301 ")), 7);
}

class GeneratorTest : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        db_ = openDatabase();
        ASSERT_TRUE(db_);
    }

    int64_t number(const QString& sql) { return queryNumber(db_->handle(), sql); }

    std::unique_ptr<host::HostDatabase> db_;
};

class GeneratorSizeTest : public GeneratorTest, public ::testing::WithParamInterface<int> {};

TEST_P(GeneratorSizeTest, MakesASoundFormOfThatManyFields)
{
    const int n = GetParam();
    host::GenerateOptions options;
    options.fields = n;
    QList<int> batches;
    options.afterBatch = [&batches](int done) { batches.append(done); };
    QString why;
    const std::optional<host::FormIdentity> id = host::generateForm(*db_, options, &why);
    ASSERT_TRUE(id) << why.toStdString();
    EXPECT_EQ(id->formCode, QStringLiteral("gen00001d"));

    const host::FormCheckReport report = host::checkForm(db_->handle(), *id);
    EXPECT_TRUE(report.ok()) << report.problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(report.fields, n);
    // Subsections of 20 fields, sections of 10 subsections, and the form itself.
    const int subsections = (n + 19) / 20;
    const int sections = (subsections + 9) / 10;
    EXPECT_EQ(report.groups, 1 + sections + subsections);
    // Every fifth field of a subsection follows up the one before it.
    int followUps = 0;
    for (int first = 0; first < n; first += 20)
        followUps += std::min(20, n - first) / 5;
    EXPECT_EQ(number("SELECT count(*) FROM qxzrn308 WHERE cfrm = 'gen00001d' AND fwup = 1"), followUps);
    EXPECT_EQ(number("SELECT max(omod) FROM qxzrn301 WHERE cfrm = 'gen00001d'"), 10 * n);
    EXPECT_TRUE(batches.size() == subsections && batches.last() == n);
    // The form has its form row and a session of its own.
    EXPECT_EQ(number("SELECT (SELECT count(*) FROM qxzrn300 WHERE cfrm = 'gen00001d')"
                     " + (SELECT count(*) FROM qxzrn200 WHERE cses = 'gen00001')"), 2);
}

INSTANTIATE_TEST_SUITE_P(Sizes, GeneratorSizeTest, ::testing::Values(1, 4, 5, 19, 20, 21, 199, 201, 2000, 3200));

TEST_F(GeneratorTest, RefusedSizesAndAFailureHalfWayLeaveNothingBehind)
{
    host::GenerateOptions options;
    QString why;
    for (int n : {0, -5, 3201, 100000}) {
        options.fields = n;
        EXPECT_TRUE(!host::generateForm(*db_, options, &why) && why.contains(QLatin1String("3200"))) << n;
    }
    EXPECT_EQ(generatedRows(db_->handle()), 0);

    options.fields = 300;
    options.afterBatch = [](int done) {
        if (done >= 100)
            throw host::HostError(host::kErrInternal, QStringLiteral("stopped on purpose"));
    };
    EXPECT_FALSE(host::generateForm(*db_, options, &why));
    EXPECT_EQ(why, QStringLiteral("stopped on purpose"));
    EXPECT_TRUE(!db_->inTransaction() && generatedRows(db_->handle()) == 0);
}

TEST_F(GeneratorTest, TablesOfNColumnsWithAKeyReferencesAndLabels)
{
    QString why;
    for (int n : {0, 3001})
        EXPECT_FALSE(host::generateTable(*db_, n, &why)) << n;
    EXPECT_EQ(host::generateTable(*db_, 25, &why).value_or(why), QStringLiteral("tegen001"));
    EXPECT_EQ(host::generateTable(*db_, 1).value_or(QString()), QStringLiteral("tegen002"));
    const QString mine = QStringLiteral(" FROM qxzrn422 WHERE cmod = 'gen' AND flno = '001'");
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) * 10000 + sum(rffd = 'citg') * 100 + count(DISTINCT cdom)") + mine),
              250210);
    // Every column's label exists, and the key is the table's index.
    EXPECT_EQ(number("SELECT count(*) FROM qxzrn422 f JOIN qxzrn140 l ON l.clab = f.clab WHERE f.cmod = 'gen'"), 26);
    EXPECT_EQ(number("SELECT count(*) FROM qxzrn421 WHERE cmod = 'gen' AND flno = '001' AND fdnm = 'c0001'"), 1);
}

TEST(DumpValue, QuotesWhatWouldNotReadBack)
{
    const std::pair<QString, QString> cases[] = {
        {"tekwy001.item", "tekwy001.item"}, {"", "\"\""},          {"Item groups", "\"Item groups\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"a=b", "\"a=b\""},    {"NULL", "\"NULL\""},
        {"tab\there", "\"tab\there\""},       {"-12", "-12"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(host::dumpValue(text), expected) << text.toStdString();
}

TEST(FormIdentityText, ParsesSevenPartsOfTheirWidths)
{
    const std::optional<host::FormIdentity> id = host::FormIdentity::parse(QStringLiteral(" te/kwy /itemsd/2/7.6 /a3/"));
    EXPECT_EQ(id.value_or(host::FormIdentity{}), (host::FormIdentity{"te", "kwy", "itemsd", "2", "7.6", "a3", ""}));
    // (Too few parts and a part too wide are refused with the tool's calls.)
    for (const char* text : {"te/kwy/itemsd/2/7.6/a3/dev/x", "te/kwy//2/7.6/a3/dev", "te/kwy/itemsd/2/7.6/a3/devel"}) {
        QString why;
        EXPECT_TRUE(!host::FormIdentity::parse(QLatin1String(text), &why) && !why.isEmpty()) << text;
    }
}

} // namespace
