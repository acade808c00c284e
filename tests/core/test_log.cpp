// The diagnostic log (format, timing, rotation, switch), the record dump written into
// it, and the value routines.
#include "support/CoreTestSupport.h"

#include "mod_RecordDump.h"

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
    // Across the wrap of the tick count, with the locale's separator and no grouping.
    platform::setTickCount(0xFFFFFF00u);
    gWriteLog(QStringLiteral("before the wrap"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    platform::setTickCount(0x100u);
    gWriteLog(QStringLiteral("b"));
    platform::advanceTickCount(2345678);
    gWriteLog(QStringLiteral("c"));
    QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 7);
    lines.removeAt(4);
    EXPECT_EQ(lines, QStringList({"hh:mm:ss (0.000) - first", "second line", "hh:mm:ss (1.500) - next",
                                  "hh:mm:ss (1234.567) - later", "hh:mm:ss (0,512) - b", "hh:mm:ss (2345,678) - c"}));
    EXPECT_FALSE(content("PalmryEd.txt").contains('\r'));
}

TEST_F(Log, FirstEntryRotatesTheFilesAndAMissingOneLeavesItsTargetAlone)
{
    platform::setTickCount(1000);
    for (const auto& [second, rotated] : {std::pair{"two\n", "two\none\ncurrent\n"}, {"", "three\none\ncurrent\n"}}) {
        put("PalmryEd.txt", "current\n");
        put("Palmry1.txt", "one\n");
        QFile::remove(file("Palmry2.txt"));
        if (*second)
            put("Palmry2.txt", second);
        put("Palmry3.txt", "three\n");
        firstEntry(QStringLiteral("new run"));
        EXPECT_EQ(content("Palmry3.txt") + content("Palmry2.txt") + content("Palmry1.txt"), QByteArray(rotated));
        EXPECT_EQ(logLines(), QStringList{"hh:mm:ss (0.000) - new run"});
    }
    gWriteLog(QStringLiteral("appended"));
    EXPECT_EQ(content("Palmry1.txt"), QByteArray("current\n"));
    EXPECT_EQ(logLines().size(), 2);
}

TEST_F(Log, SwitchedOffWritesNothingAndAnUnwritableLogDoesNotStopTheCaller)
{
    gbNewLog = true;
    gWriteLog(QStringLiteral("nothing"));
    EXPECT_FALSE(QFileInfo::exists(logDir()));
    put("PalmryEd.txt", "old\n");
    gWriteLog(QStringLiteral("nothing either"));
    EXPECT_EQ(QDir(logDir()).entryList(QDir::Files), QStringList{"PalmryEd.txt"});
    EXPECT_EQ(content("PalmryEd.txt"), QByteArray("old\n"));

    const QString blocker = tmp.filePath(QStringLiteral("not-a-dir"));
    ASSERT_TRUE(QFile(blocker).open(QIODevice::WriteOnly));
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

// One entry per live record, members in their fixed order, an empty line after each
// entry, nothing at all while logging is off.
TEST_F(Log, RecordDumpWritesOneEntryPerLiveRecord)
{
    gaGroups.assign(3, GroupRecord{});
    gaGroups[0].Grpi = 1, gaGroups[0].bVirtualGroup = true;
    GroupRecord& g = gaGroups[2];
    g.Grpi = 3, g.lParentGroup = 1, g.lAlignmentGroupId = -3, g.bShowGroupBox = true;
    g.sLabelCode = QStringLiteral("tekwy100.general");
    // Field 1 is free, field 2 live, field 3 above gnFieldCount.
    gaFields.assign(4, FieldRecord{});
    gaFields[2].lFieldId = 2, gaFields[3].lFieldId = 3;
    gnFieldCount = 2;
    gaDomains.assign(2, DomainRecord{});
    gnDomainCount = 1;
    gaSpecificCommands.assign(3, SpecificCommandRecord{});
    gaSpecificCommands[1].nSpecificCommandId = 0;  // live
    gDumpArraysToLog();
    EXPECT_TRUE(logLines().isEmpty());

    startLogging();
    gDumpArraysToLog();
    const QStringList lines = logLines();
    QStringList headers;
    for (const QString& line : lines.filter(QStringLiteral("#########################")))
        headers << line.mid(line.indexOf(QLatin1Char('#')) + 26);
    EXPECT_EQ(headers, QStringList({"Group  0", "Group  2", "Field  2", "Domain  1", "Form Command  1"}));
    const qsizetype group = lines.indexOf(QStringLiteral("hh:mm:ss (0.000) - ######################### Group  2"));
    EXPECT_EQ(lines.mid(group + 1, 3).join(u'|'), QStringLiteral("\tgaGroups(2).sLabelCode = tekwy100.general|"
                                                                 "\tgaGroups(2).Grpi = 3|\tgaGroups(2).lGroupLevel = 0"));
    EXPECT_TRUE(lines.contains(QStringLiteral("\tgaGroups(2).bShowGroupBox = True")));
    // Entries (each with an empty line after it), and the members of each kind of record.
    QStringList counts;
    for (const char* member : {"^hh:mm:ss", "^$", "\tgaFields\\(2\\)\\.", "\tgaDomains\\(1\\)\\.", "\tgaSpecificCommands\\(1\\)\\."})
        counts << QString::number(lines.filter(QRegularExpression(QLatin1String(member))).size());
    EXPECT_EQ(counts.join(u' '), QStringLiteral("5 5 47 10 7"));
}

TEST(ValueRoutines, NumbersSaturate)
{
    EXPECT_EQ(valueOfText<int16_t>(QStringLiteral("40000")), INT16_MAX);
    EXPECT_EQ(valueOfText<int16_t>(QStringLiteral("-40000")), INT16_MIN);
    EXPECT_EQ(valueOfText<int16_t>(QStringLiteral(" 1 2x")), 12);
}

} // namespace
