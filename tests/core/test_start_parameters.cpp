// The start record on the command line, the form identity and the flag numbers.
#include "support/CoreTestSupport.h"

namespace {

class StartParameters : public CoreTest {
protected:
    void read(const QString& line)
    {
        platform::setCommandLine(line);
        mReadStartParameters();
    }
};

TEST_F(StartParameters, FullRecordFillsTheIdentity)
{
    read(startRecord());
    EXPECT_EQ(gsPackage + gsModule + u'|' + gsFormCode + u'|' + gsLanguage + gsLabelLanguage + gsUserLanguage,
              QStringLiteral("qxzrn|FRM0815|edf"));
    EXPECT_EQ(gsVersion + u'|' + gsRelease + u'|' + gsCustomer, QStringLiteral("6.2 |a |c001"));
    EXPECT_EQ(gsTable, QStringLiteral("qxzrn301"));
    EXPECT_EQ(giStartMode, 1);
    EXPECT_TRUE(gsOpenMode == " " && gsLanguage != gsLabelLanguage);
    EXPECT_EQ(gsAutomationClass, QStringLiteral("Vrok.Application"));
    EXPECT_TRUE(gsHeader.isEmpty());
    EXPECT_TRUE(dialogs->shown().empty());
    for (const char* table : {"qxzrn30 ", " zrn301 ", ""}) {
        read(startRecord(QString::fromUtf8(table)));
        EXPECT_EQ(gsTable, QString()) << table;
    }
}

struct TailCase {
    const char* name;
    const char* mode;
    const char* tail;
    int startMode;
    int toolsVersion;
    const char* openMode;
    const char* automationClass;
    const char* header;
};

class StartRecordTail : public StartParameters, public ::testing::WithParamInterface<TailCase> {};

TEST_P(StartRecordTail, ReadsModeClassAndHeader)
{
    const TailCase& c = GetParam();
    read(startRecord(QStringLiteral("qxzrn301"), QString::fromUtf8(c.mode), QString::fromUtf8(c.tail)));
    EXPECT_EQ(giStartMode, c.startMode);
    EXPECT_EQ(giToolsVersion, c.toolsVersion);
    EXPECT_EQ(gsOpenMode.str(), QString::fromUtf8(c.openMode));
    EXPECT_EQ(gsAutomationClass, QString::fromUtf8(c.automationClass));
    EXPECT_EQ(gsHeader, QString::fromUtf8(c.header));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartRecordTail,
    ::testing::Values(
        TailCase{"ToolsVersionShiftsTheTail", "1;", "012 r;My.Class,Head, text", 1, 12, "r", "My.Class", "Head, text"},
        TailCase{"HeaderAfterComma", " 5", "w,An order, form", 5, 0, "w", "Vrok.Application", "An order, form"},
        TailCase{"ClassWithoutComma", " 5", "a;Cls.Only", 5, 0, "a", "Cls.Only", ""},
        TailCase{"EmptyClass", "4 ", "i;,Header", 4, 0, "i", "", "Header"},
        TailCase{"OtherMarkerMeansNothing", " 1", "rxHeader", 1, 0, "r", "Vrok.Application", ""},
        TailCase{"NothingNumeric", "xy", "w", 0, 0, "w", "Vrok.Application", ""},
        TailCase{"ToolsVersionNotNumeric", "5;", "abc w", 5, 0, "w", "Vrok.Application", ""},
        TailCase{"ClassMarkerAtTheEnd", " 1", "w;", 1, 0, "w", "", ""}),
    [](const ::testing::TestParamInfo<TailCase>& info) { return std::string(info.param.name); });

TEST_F(StartParameters, LineCutShortLeavesLaterFieldsBlank)
{
    const QString full = startRecord(QStringLiteral("qxzrn301"), QStringLiteral("1;"), QStringLiteral("012 r,Hdr"));
    // The part of a field's value that lies within the first length columns.
    auto cut = [](const char* value, int firstColumn, int length) {
        return QString::fromUtf8(value).left(qMax(0, length - firstColumn + 1));
    };
    for (int length = 9; length <= full.size(); ++length) {
        SCOPED_TRACE(length);
        read(full.left(length));
        EXPECT_EQ(gsPackage + gsModule, QStringLiteral("qxzrn"));
        EXPECT_EQ(gsFormCode, cut("FRM0815", 8, length));
        EXPECT_EQ(gsLanguage.str(), padded(cut("e", 18, length), 1));
        EXPECT_EQ(gsUserLanguage, cut("f", 22, length));
        EXPECT_EQ(gsVersion.str(), padded(cut("6.2", 24, length), 4));
        EXPECT_EQ(gsRelease.str(), padded(cut("a", 29, length), 2));
        EXPECT_EQ(gsCustomer.str(), padded(cut("c001", 32, length), 4));
        EXPECT_EQ(gsTable, length >= 44 ? QStringLiteral("qxzrn301") : QString());
        EXPECT_EQ(giStartMode, length >= 46 ? 1 : 0);
        EXPECT_EQ(giToolsVersion, length >= 50 ? 12 : length == 49 ? 1 : 0);
        EXPECT_EQ(gsOpenMode.str(), length >= 52 ? QStringLiteral("r") : QStringLiteral(" "));
        EXPECT_EQ(gsHeader, cut("Hdr", 54, length));
    }
}

TEST_F(StartParameters, SwitchAsksForTheClassAndReadsAnEmptyRecord)
{
    ASSERT_TRUE(platform::machineSettings().setString(gsRegistryKey, QStringLiteral("UserLanguage"), QStringLiteral("2")));
    dialogs->queueInput(QStringLiteral("My.Own.Class"));
    dialogs->queueInput(std::nullopt);
    read(QStringLiteral("-tarnsel"));
    ASSERT_EQ(dialogs->shown().size(), 1u);
    EXPECT_EQ(dialogs->shown()[0].text + u'|' + dialogs->shown()[0].title, QStringLiteral("Automation Class|Vrok Environment"));
    EXPECT_EQ(gsAutomationClass, QStringLiteral("My.Own.Class"));
    EXPECT_EQ(gsPackage + gsModule + gsFormCode + gsTable + gsHeader, QStringLiteral("     "));
    EXPECT_EQ(giStartMode, 0);
    EXPECT_EQ(gsUserLanguage, QStringLiteral("2"));  // only the registry can give one

    read(QStringLiteral("-tarnsel"));  // cancelled
    EXPECT_EQ(gsAutomationClass, QString());

    dialogs->clear();
    for (const char* line : {"-TARNSEL", "-tarnsel ", " -tarnsel"}) {
        read(QString::fromUtf8(line));
        EXPECT_EQ(gsAutomationClass, QStringLiteral("Vrok.Application")) << line;
    }
    EXPECT_TRUE(dialogs->shown().empty());
}

TEST_F(StartParameters, RegistryUserLanguageOfOneCharacterWins)
{
    const std::pair<const char*, const char*> cases[] = {{" 3 ", "3"}, {"34", "f"}, {"   ", "f"}, {"j", "j"}};
    for (const auto& [stored, expected] : cases) {
        ASSERT_TRUE(platform::machineSettings().setString(gsRegistryKey, QStringLiteral("UserLanguage"),
                                                          QString::fromUtf8(stored)));
        read(startRecord());
        EXPECT_EQ(gsUserLanguage, QString::fromUtf8(expected)) << stored;
    }
}

TEST_F(StartParameters, WritesOneLogLine)
{
    startLogging();
    read(startRecord(QStringLiteral("qxzrn301"), QStringLiteral("1;"), QStringLiteral("003 w;Vrok.Application,Hdr")));
    EXPECT_EQ(logLines(), QStringList{QStringLiteral("hh:mm:ss (0.000) - Table,userlang,header, configname, "
                                                     "tools version: qxzrn301, f,Hdr,Vrok.Application,3")});
}

TEST(LengthToComma, CountsUpToTheNextComma)
{
    const std::tuple<const char*, int, int> cases[] = {{"abc,def", 1, 3}, {",x", 1, 0}, {"abc", 2, 2},
                                                       {"abc", 4, 0},     {"a,b,c", 3, 1}, {"", 1, 0}};
    for (const auto& [text, start, expected] : cases)
        EXPECT_EQ(mlLengthToComma(QString::fromUtf8(text), start), expected) << text << " @" << start;
}

TEST(SessionTable, NeedsATableAndStartModeOneOrFive)
{
    const std::tuple<const char*, int16_t, bool> cases[] = {
        {"qxzrn301", 4, true}, {"qxzrn301", 5, false}, {"qxzrn301", 1, false}, {"", 1, true}};
    for (const auto& [table, mode, noTable] : cases) {
        gsTable = QString::fromUtf8(table);
        giStartMode = mode;
        EXPECT_EQ(gbNoSessionTable(), noTable) << table << " " << mode;
        EXPECT_EQ(gbIsStartMode4(), mode == 4);
    }
    resetVrokGlobal();
}

TEST(FlagNumbers, EachBitAnswersForItselfAtAnySize)
{
    const std::tuple<int32_t, std::vector<int>> cases[] = {
        {5, {0, 2}}, {256, {8}}, {512, {}}, {517, {0, 2}}, {768, {8}}, {1024 + 511, {0, 1, 2, 3, 4, 5, 6, 7, 8}}};
    for (const auto& [number, setBits] : cases)
        for (int16_t bit = -1; bit <= 9; ++bit)
            EXPECT_EQ(gbBitSet(number, bit), std::count(setBits.begin(), setBits.end(), bit) == 1)
                << number << " bit " << bit;
}

TEST(FlagNumbers, PackingAndUnpackingRoundTrip)
{
    EXPECT_EQ(glBitsToLong({true, false, true, true}), 13);
    EXPECT_EQ(glBitsToLong({}), 0);
    EXPECT_EQ(glBitsToLong(std::vector<bool>(10, true)), 0);
    for (int32_t n = 0; n < 512; ++n) {
        std::vector<bool> flags;
        for (int16_t bit = 0; bit <= 8; ++bit)
            flags.push_back(gbBitSet(n, bit));
        ASSERT_EQ(glBitsToLong(flags), n);
    }
}

} // namespace
