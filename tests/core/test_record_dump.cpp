// The record dump: one log entry per live record, members in their fixed order, an
// empty line after each entry, nothing at all while logging is off.
#include "support/CoreTestSupport.h"

#include "services/mod_RecordDump.h"

namespace {

class RecordDump : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        gaGroups.assign(3, GroupRecord{});
        gaGroups[0].Grpi = 1;
        gaGroups[0].bVirtualGroup = true;
        gaGroups[2].Grpi = 3;
        gaGroups[2].sLabelCode = QStringLiteral("tekwy100.general");
        gaGroups[2].lParentGroup = 1;
        gaGroups[2].lAlignmentGroupId = -3;
        gaGroups[2].bShowGroupBox = true;
        // Field 1 is free, field 2 live, field 3 above gnFieldCount.
        gaFields.assign(4, FieldRecord{});
        gaFields[2].lFieldId = 2;
        gaFields[2].sFieldName = QStringLiteral("tekwy001.item");
        gaFields[3].lFieldId = 3;
        gnFieldCount = 2;
        gaDomains.assign(2, DomainRecord{});
        gaDomains[1].sDomain = QStringLiteral("teitem");
        gnDomainCount = 1;
        gaSpecificCommands.assign(3, SpecificCommandRecord{});
        gaSpecificCommands[1].nSpecificCommandId = 0;
        gaSpecificCommands[1].sSpecificCommand = QStringLiteral("print.stock");
        gaSpecificCommands[1].nCommandType = 2;
        gaSpecificCommands[1].lLinkId = 3;
        gaSpecificCommands[1].Grpi = 2;
    }
};

TEST_F(RecordDump, OneEntryPerLiveRecordWithItsMembersInOrder)
{
    startLogging();
    gDumpArraysToLog();
    const QStringList lines = logLines();

    QStringList headers;
    for (const QString& line : lines)
        if (line.contains(QLatin1String("#########################")))
            headers << line.mid(line.indexOf(QLatin1Char('#')));
    EXPECT_EQ(headers, QStringList({"######################### Group  0", "######################### Group  2",
                                    "######################### Field  2", "######################### Domain  1",
                                    "######################### Form Command  1"}));

    const qsizetype group = lines.indexOf(QStringLiteral("hh:mm:ss (0.000) - ######################### Group  2"));
    ASSERT_GE(group, 0);
    const QStringList groupEntry = lines.mid(group + 1, 17);
    EXPECT_EQ(groupEntry, QStringList({"\tgaGroups(2).sLabelCode = tekwy100.general", "\tgaGroups(2).Grpi = 3",
                                       "\tgaGroups(2).lGroupLevel = 0", "\tgaGroups(2).lParentGroup = 1",
                                       "\tgaGroups(2).lPreviousGroup = 0", "\tgaGroups(2).lNextGroup = 0",
                                       "\tgaGroups(2).lChildGroup = 0", "\tgaGroups(2).lFirstField = 0",
                                       "\tgaGroups(2).iNrOfSubGroups = 0", "\tgaGroups(2).lAlignmentGroupId = -3",
                                       "\tgaGroups(2).bVirtualGroup = False", "\tgaGroups(2).bShowGroupBox = True",
                                       "\tgaGroups(2).bRepeatingGroup = False",
                                       "\tgaGroups(2).bGroupInSingleOcc = False",
                                       "\tgaGroups(2).bGroupInMultiOcc = False", "\tgaGroups(2).iGroupWidth = 0",
                                       ""}));

    // Every record is one entry with an empty line after it.
    EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^hh:mm:ss"))).size(), 5);
    EXPECT_EQ(lines.count(QString()), 5);
    EXPECT_EQ(lines.filter(QStringLiteral("\tgaFields(2).")).size(), 47);
    EXPECT_EQ(lines.filter(QStringLiteral("\tgaDomains(1).")).size(), 10);
    EXPECT_EQ(lines.filter(QStringLiteral("\tgaSpecificCommands(1).")),
              QStringList({"\tgaSpecificCommands(1).sSpecificCommand = print.stock",
                           "\tgaSpecificCommands(1).nSpecificCommandId = 0", "\tgaSpecificCommands(1).Grpi = 2",
                           "\tgaSpecificCommands(1).lFieldId = 0", "\tgaSpecificCommands(1).nSequenceNumber = 0",
                           "\tgaSpecificCommands(1).nCommandType = 2", "\tgaSpecificCommands(1).lLinkId = 3"}));
}

TEST_F(RecordDump, NothingIsWrittenWhileLoggingIsOff)
{
    gbLogging = false;
    gDumpArraysToLog();
    EXPECT_TRUE(logLines().isEmpty());
}

} // namespace
