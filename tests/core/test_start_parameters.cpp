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

TEST_F(StartParameters, RecordFillsTheIdentityAndTheTailGivesModeToolsVersionClassAndHeader)
{
    read(startRecord());
    EXPECT_EQ(gsPackage + gsModule + u'|' + gsFormCode + u'|' + gsLanguage + gsLabelLanguage + gsUserLanguage,
              QStringLiteral("qxzrn|FRM0815|edf"));
    EXPECT_EQ(gsVersion + u'|' + gsRelease + u'|' + gsCustomer + u'|' + gsTable, QStringLiteral("6.2 |a |c001|qxzrn301"));
    EXPECT_TRUE(dialogs->shown().empty());
    for (const char* table : {"qxzrn30 ", " zrn301 ", ""}) {
        read(startRecord(table));
        EXPECT_EQ(gsTable, QString()) << table;
    }

    const struct {
        const char *mode, *tail;
        int startMode, toolsVersion;
        const char *openMode, *automationClass, *header;
    } cases[] = {
        {" 1", "", 1, 0, " ", "Vrok.Application", ""},
        {"1;", "012 r;My.Class,Head, text", 1, 12, "r", "My.Class", "Head, text"},  // tools version shifts the tail
        {" 5", "w,An order, form", 5, 0, "w", "Vrok.Application", "An order, form"},
        {" 5", "a;Cls.Only", 5, 0, "a", "Cls.Only", ""},
        {"4 ", "i;,Header", 4, 0, "i", "", "Header"},
        {" 1", "rxHeader", 1, 0, "r", "Vrok.Application", ""},  // another marker means nothing
        {"xy", "w", 0, 0, "w", "Vrok.Application", ""},
        {"5;", "abc w", 5, 0, "w", "Vrok.Application", ""},
        {" 1", "w;", 1, 0, "w", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tail);
        read(startRecord("qxzrn301", c.mode, c.tail));
        EXPECT_EQ(std::tuple(giStartMode, giToolsVersion), std::tuple(int16_t(c.startMode), int16_t(c.toolsVersion)));
        EXPECT_EQ(QStringList({gsOpenMode.str(), gsAutomationClass, gsHeader}),
                  QStringList({c.openMode, c.automationClass, c.header}));
    }

    startLogging();
    read(startRecord("qxzrn301", "1;", "003 w;Vrok.Application,Hdr"));
    EXPECT_EQ(logLines(), QStringList{"hh:mm:ss (0.000) - Table,userlang,header, configname, "
                                      "tools version: qxzrn301, f,Hdr,Vrok.Application,3"});
}

TEST_F(StartParameters, LineCutShortLeavesLaterFieldsBlank)
{
    const QString full = startRecord("qxzrn301", "1;", "012 r,Hdr");
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
    read(QStringLiteral("-tarnsel"));
    ASSERT_EQ(dialogs->shown().size(), 1u);
    EXPECT_EQ(dialogs->shown()[0].text + u'|' + dialogs->shown()[0].title,
              QStringLiteral("Automation Class|Vrok Environment"));
    EXPECT_EQ(gsAutomationClass, QStringLiteral("My.Own.Class"));
    EXPECT_EQ(gsPackage + gsModule + gsFormCode + gsTable + gsHeader, QStringLiteral("     "));
    EXPECT_EQ(giStartMode, 0);
    EXPECT_EQ(gsUserLanguage, QStringLiteral("2"));  // only the registry can give one
    // A cancelled class ends the start-up: tested with the main window.

    dialogs->clear();
    for (const char* line : {"-TARNSEL", "-tarnsel ", " -tarnsel"}) {
        read(line);
        EXPECT_EQ(gsAutomationClass, QStringLiteral("Vrok.Application")) << line;
    }
    EXPECT_TRUE(dialogs->shown().empty());
}

TEST_F(StartParameters, RegistryUserLanguageOfOneCharacterWins)
{
    for (const auto& [stored, expected] : {std::pair{" 3 ", "3"}, {"34", "f"}, {"   ", "f"}, {"j", "j"}}) {
        ASSERT_TRUE(platform::machineSettings().setString(gsRegistryKey, QStringLiteral("UserLanguage"), stored));
        read(startRecord());
        EXPECT_EQ(gsUserLanguage, QString::fromUtf8(expected)) << stored;
    }
}

TEST(StartRecordReaders, SessionTableNeedsATableAndStartModeOneOrFive)
{
    const std::tuple<const char*, int16_t, bool> tables[] = {
        {"qxzrn301", 4, true}, {"qxzrn301", 5, false}, {"qxzrn301", 1, false}, {"", 1, true}};
    for (const auto& [table, mode, noTable] : tables) {
        gsTable = table;
        giStartMode = mode;
        EXPECT_EQ(gbNoSessionTable(), noTable) << table << " " << mode;
        EXPECT_EQ(gbIsStartMode4(), mode == 4);
    }
    resetVrokGlobal();
}

TEST(FlagNumbers, EachBitAnswersForItselfAtAnySizeAndPackingRoundTrips)
{
    const std::tuple<int32_t, std::vector<int>> cases[] = {
        {5, {0, 2}}, {256, {8}}, {512, {}}, {517, {0, 2}}, {768, {8}}, {1024 + 511, {0, 1, 2, 3, 4, 5, 6, 7, 8}}};
    for (const auto& [number, setBits] : cases)
        for (int16_t bit = -1; bit <= 9; ++bit)
            EXPECT_EQ(gbBitSet(number, bit), std::count(setBits.begin(), setBits.end(), bit) == 1)
                << number << " bit " << bit;

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
