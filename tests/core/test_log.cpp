// The diagnostic log (format, timing, rotation, switch) and the value routines.
#include "support/CoreTestSupport.h"

namespace {

class Log : public CoreTest {
protected:
    QString file(const char* name) const { return QDir(logDir()).filePath(QString::fromUtf8(name)); }
    void put(const char* name, const QByteArray& content)
    {
        QDir().mkpath(logDir());
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }
    QByteArray content(const char* name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // The first entry of a run, as the start-up writes it.
    void firstEntry(const QString& text)
    {
        gbLogging = gbNewLog = true;
        gWriteLog(text);
        gbNewLog = false;
    }
};

TEST_F(Log, EntryShowsTimeAndSecondsSinceThePreviousOne)
{
    platform::setTickCount(5000);
    firstEntry(QStringLiteral("first\r\nsecond line"));
    platform::advanceTickCount(1500);
    gWriteLog(QStringLiteral("next"));
    platform::advanceTickCount(1234567);
    gWriteLog(QStringLiteral("later"));
    EXPECT_EQ(logLines(), (QStringList{QStringLiteral("hh:mm:ss (0.000) - first"), QStringLiteral("second line"),
                                       QStringLiteral("hh:mm:ss (1.500) - next"),
                                       QStringLiteral("hh:mm:ss (1234.567) - later")}));
    EXPECT_FALSE(content("PalmryEd.txt").contains('\r'));
}

TEST_F(Log, ElapsedTimeHasTheLocaleSeparatorNoGroupingAndSurvivesTheWrap)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    platform::setTickCount(0xFFFFFF00u);
    firstEntry(QStringLiteral("a"));
    platform::setTickCount(0x100u);
    gWriteLog(QStringLiteral("b"));
    platform::advanceTickCount(2345678);
    gWriteLog(QStringLiteral("c"));
    EXPECT_EQ(logLines().mid(1), (QStringList{QStringLiteral("hh:mm:ss (0,512) - b"),
                                              QStringLiteral("hh:mm:ss (2345,678) - c")}));
}

TEST_F(Log, FirstEntryRotatesTheFiles)
{
    put("PalmryEd.txt", "current\n");
    put("Palmry1.txt", "one\n");
    put("Palmry2.txt", "two\n");
    put("Palmry3.txt", "three\n");
    firstEntry(QStringLiteral("new run"));
    EXPECT_EQ(content("Palmry3.txt") + content("Palmry2.txt") + content("Palmry1.txt"),
              QByteArray("two\none\ncurrent\n"));
    EXPECT_EQ(logLines(), QStringList{QStringLiteral("hh:mm:ss (0.000) - new run")});
    gWriteLog(QStringLiteral("appended"));
    EXPECT_EQ(content("Palmry1.txt"), QByteArray("current\n"));
    EXPECT_EQ(logLines().size(), 2);
}

TEST_F(Log, MissingOlderFileLeavesItsTargetAlone)
{
    put("PalmryEd.txt", "current\n");
    put("Palmry1.txt", "one\n");
    put("Palmry3.txt", "three\n");
    firstEntry(QStringLiteral("x"));
    EXPECT_EQ(content("Palmry3.txt") + content("Palmry2.txt") + content("Palmry1.txt"),
              QByteArray("three\none\ncurrent\n"));
}

TEST_F(Log, SwitchedOffWritesNothingAndTouchesNoFile)
{
    gbNewLog = true;
    gWriteLog(QStringLiteral("nothing"));
    EXPECT_FALSE(QFileInfo::exists(logDir()));
    put("PalmryEd.txt", "old\n");
    gWriteLog(QStringLiteral("nothing either"));
    EXPECT_EQ(content("PalmryEd.txt"), QByteArray("old\n"));
    EXPECT_EQ(QDir(logDir()).entryList(QDir::Files), QStringList{QStringLiteral("PalmryEd.txt")});
}

TEST_F(Log, UnwritableLogDoesNotStopTheCaller)
{
    const QString blocker = tmp.filePath(QStringLiteral("not-a-dir"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    qputenv("PALIMOR_LOG_DIR", (blocker + QStringLiteral("/log")).toLocal8Bit());
    firstEntry(QStringLiteral("lost"));
    gWriteLog(QStringLiteral("lost too"));
    EXPECT_TRUE(QFileInfo(blocker).isFile());
}

TEST_F(Log, DirectoryUnderTheBaseDirectoryWhenItExists)
{
    qunsetenv("PALIMOR_LOG_DIR");
    const QString dataHome = tmp.filePath(QStringLiteral("data"));
    const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dataHome.toLocal8Bit());
    gsBaseDir = tmp.filePath(QStringLiteral("base"));
    EXPECT_EQ(logDirectory(), dataHome + QStringLiteral("/palimor/log"));
    EXPECT_TRUE(QFileInfo(dataHome + QStringLiteral("/palimor/log")).isDir());
    ASSERT_TRUE(QDir().mkpath(gsBaseDir + QStringLiteral("/log")));
    EXPECT_EQ(logDirectory(), gsBaseDir + QStringLiteral("/log"));
    savedDataHome.isEmpty() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", savedDataHome);
}

struct Tagged {
    int value;
    char tag;
    bool operator>=(const Tagged& o) const { return value >= o.value; }
    bool operator<=(const Tagged& o) const { return value <= o.value; }
};

TEST(ValueRoutines, MaxAndMinKeepTheFirstOnATieAndWiden)
{
    EXPECT_EQ(gMax(Tagged{3, 'a'}, Tagged{3, 'b'}).tag, 'a');
    EXPECT_EQ(gMin(Tagged{3, 'a'}, Tagged{3, 'b'}).tag, 'a');
    EXPECT_EQ(gMax(Tagged{2, 'a'}, Tagged{3, 'b'}).tag, 'b');
    EXPECT_EQ(gMax(int16_t(5), int32_t(70000)), 70000);
    EXPECT_EQ(gMin(QStringLiteral("b"), QStringLiteral("a")), QStringLiteral("a"));
}

TEST(ValueRoutines, TextsCutAtNulAndNumbersSaturate)
{
    EXPECT_EQ(gsCutAtNul(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(gsCutAtNul(QChar(u'\0') + QStringLiteral("abc")), QString());
    EXPECT_EQ(gsCutAtNul(QStringLiteral("ab") + QChar(u'\0') + QStringLiteral("c")), QStringLiteral("ab"));
    EXPECT_EQ(valueOfText<int16_t>(QStringLiteral("40000")), INT16_MAX);
    EXPECT_EQ(valueOfText<int16_t>(QStringLiteral(" 1 2x")), 12);
    EXPECT_EQ(valueOfText<int32_t>(QStringLiteral("2.5")), 2);
}

struct FakeTextBox {
    QString content;
    bool enabled = true;
    std::pair<int, int> selection{-1, -1};
    QString text() const { return content; }
    bool isEnabled() const { return enabled; }
    void setSelection(int start, int length) { selection = {start, length}; }
};

TEST(ValueRoutines, SelectAllTextOnlyOnEnabledNonEmptyControls)
{
    FakeTextBox box{QStringLiteral("hello")}, disabled{QStringLiteral("hello"), false}, empty{QString()};
    for (FakeTextBox* b : {&box, &disabled, &empty})
        gSelectAllText(*b);
    EXPECT_EQ(box.selection, std::make_pair(0, 5));
    EXPECT_EQ(disabled.selection, std::make_pair(-1, -1));
    EXPECT_EQ(empty.selection, std::make_pair(-1, -1));
}

} // namespace
