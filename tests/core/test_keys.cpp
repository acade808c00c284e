// Tree keys, look-ups, domains of fields, the label-code syntax, existence tests in
// the local host, the defaults of new and reused record slots; the design texts of the
// host's design tables and the form identity in query texts. (The conversions of loaded
// columns are checked with the load, the command and documentation keys with the store.)
#include "support/CoreTestSupport.h"

#include "support/LocalHostFixture.h"

namespace {

class Keys : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        gaGroups.resize(5);
        gaFields.resize(10);
    }
};

TEST_F(Keys, PickerEntriesLookUpsAndLabelCodes)
{
    gaTableFields.resize(3);
    gaTableFields[2].sTableCode = QStringLiteral("tekwy002");
    gaTableFields[2].sFieldName = QStringLiteral("citg");
    gaFields[5].sFieldName = QStringLiteral("tekwy002.citg");
    // Only the entry's own field; no such entry or field is no match.
    for (const auto& [entry, field, same] : {std::tuple{"t_2", "f_5", true}, {"t_2", "f_6", false},
                                             {"t_9", "f_5", false}, {"t_2", "f_50", false}})
        EXPECT_EQ(gbSameTableField(QLatin1String(entry), QLatin1String(field)), same) << entry << field;

    // A name look-up takes the last entry of the name, and entry 1 for none.
    const std::vector<EnumValueRecord> table = {
        {QStringLiteral("input"), {}, 9}, {QStringLiteral("display"), {}, 2}, {QStringLiteral("input"), {}, 3}};
    EXPECT_EQ(glFindByKey(table, QStringLiteral("input")), 3);
    EXPECT_EQ(glFindByKey(table, QStringLiteral("hidden")), 1);

    // Label codes. Refused: a number that is 0, 9 characters, a blank name, no point 9th, not a number, no number.
    const std::pair<const char*, bool> codes[] = {
        {"pzzrn301.link", true}, {"pzzrn000.link", true},  {"tekwy 12.ab", true},    {"pzzrn0  .link", false},
        {"pzzrn301.", false},    {"pzzrn301.   ", false},  {"pzzrn301-link", false}, {"pzzrnabc.link", false},
        {"pzzrn   .link", false}};
    for (const auto& [code, ok] : codes)
        EXPECT_EQ(gbIsLabelCodeSyntax(QString::fromLatin1(code)), ok) << code;
}

TEST_F(Keys, TheIdIndexAnswersEveryOrderNumberAsTheMapDoes)
{
    // Entry 0 is never searched; a number met twice gives its first entry; any order.
    gaIdMap = {{1, 99}, {5, 10}, {3, 7}, {5, 11}, {-2, 4}, {9, -1}, {0, 8}, {3, 2}};
    const IdIndex ids;
    for (int n = -4; n <= 11; ++n)
        EXPECT_EQ(ids(int16_t(n)), gvIndexOfId(int16_t(n))) << n;
    for (const int16_t n : {std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()})
        EXPECT_FALSE(ids(n)) << n;
    gaIdMap.assign(1, IdMapEntry{1, 5});
    EXPECT_FALSE(IdIndex()(1));
}

TEST_F(Keys, DomainsAreFoundOrAppendedInStepsOfFive)
{
    EXPECT_EQ(giFindOrAddDomain(QStringLiteral(" teamnt ")), 1);
    EXPECT_EQ(gaDomains.size(), 6u);
    for (int i = 2; i <= 6; ++i)
        EXPECT_EQ(giFindOrAddDomain(QStringLiteral("tedom%1").arg(i)), i);
    EXPECT_EQ(giFindOrAddDomain(QStringLiteral("teamnt")), 1);  // contents kept when the array grows
    EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(gnDomainCount).arg(gnDomainSlots).arg(gaDomains.size()), "6 10 11");

    // A field without a domain index looks it up and keeps it; a stale index is mended.
    EXPECT_EQ(giDomainOfField(2, QStringLiteral("tedom4")) * 10 + giDomainOfField(2, QStringLiteral("tedom4")), 44);
    EXPECT_EQ(giDomainOfField(2, QStringLiteral("teqty")), 7);
    EXPECT_EQ(gaFields[2].nDomainIndex, 7);
}

class KeysInHost : public HostCoreTest {
protected:
    void SetUp() override
    {
        HostCoreTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(connectWithDataSets());
        gsLanguage = "2";
    }
};

TEST_F(KeysInHost, CodesAreSplitPaddedAndLookedUp)
{
    using Test = bool (*)(QString&, QString&);
    const Test menu = [](QString& a, QString& b) { return gbMenuExists(a, b); };
    const Test session = [](QString& a, QString&) { return gbSessionExists(a); };
    const Test message = [](QString& a, QString& b) { return gbMessageExists(a, b); };
    const Test domain = [](QString& a, QString& b) { return gbDomainExists(a, b); };
    struct Case {
        Test test;
        const char *a, *b;
        bool exists;
        const char *aOut, *bOut;  // nullptr: as they went in, and no host call
    };
    const Case cases[] = {
        {menu, "tekwystock", "2", true, "stock   ", "2"},
        {menu, "tekwyorders", "", true, "orders  ", " "},
        {menu, "tekwystock", "3", false, "stock   ", "3"},
        {menu, "tekwyabcdefgh", "", false, "abcdefgh", " "},  // 13 characters: 2 + 3 + 8
        {menu, "tekwyabcdefghi", "", false, nullptr, nullptr},
        {menu, "tekwystock", "12", false, nullptr, nullptr},
        {session, "tekwysimple", "", true, "simple  ", ""},
        {session, "tekwynosuch", "", false, "nosuch  ", ""},
        {session, "tekwyabcdefghi", "", false, nullptr, nullptr},
        {message, "te", "kwym0001", true, "te", "kwym0001    "},
        {message, "te", "kwym0999", false, "te", "kwym0999    "},
        {message, "te", "kwym0001xxxxx", false, nullptr, nullptr},  // not cut to another code
        {domain, "te", "amnt", true, "te", "amnt        "},
        {domain, "te", "nosuch", false, "te", "nosuch      "},
        {domain, "tex", "amnt", false, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        QString a = QString::fromLatin1(c.a), b = QString::fromLatin1(c.b);
        gsZoomSessionTable.clear();
        const qsizetype calls = host::callLog().size();
        EXPECT_EQ(c.test(a, b), c.exists) << c.a << " " << c.b;
        EXPECT_EQ(a, QString::fromLatin1(c.aOut ? c.aOut : c.a)) << c.a;
        EXPECT_EQ(b, QString::fromLatin1(c.bOut ? c.bOut : c.b)) << c.a;
        EXPECT_EQ(host::callLog().size() - calls, c.aOut ? 1 : 0) << c.a;
        EXPECT_EQ(gsZoomSessionTable, c.test == session && c.exists ? QStringLiteral("tekwy002") : QString());
    }
    EXPECT_TRUE(host::callLog()[0].callText.startsWith(
        QStringLiteral("get.menu.vrc(\"2\",\"te\",\"kwy\",\"stock   \",\"2\",1,")));
}

// A slot left by a deleted record: every column's member set to 1 by its reader.
template <typename R>
void dirty(R& record, std::initializer_list<const std::vector<DesignColumn<R>>*> tables)
{
    for (const auto* columns : tables)
        for (const DesignColumn<R>& c : *columns)
            if (c.read)
                c.read(record, QStringLiteral("1"));
}

// What a store would write of the field, and the members it does not store.
QString persistedField(int32_t i)
{
    const FieldRecord& f = gaFields[size_t(i)];
    QStringList rest = {f.sLabelDescSO, f.sLabelDescMO, f.sTableDefault, f.sNodeKey};
    for (const int v : {f.bTableFieldChecked, f.bIsTableField, f.bTableMandatory, f.bTableRef, f.bDocuChecked,
                        f.bDocuAvailable, f.bChanged || f.bChanged301 || f.bChanged302 || f.bChanged308})
        rest << QString::number(v);
    for (const int v : {int(f.lCommandIndex), int(f.nDomainIndex), int(f.iTableFieldIndex), int(f.lPreviousField)})
        rest << QString::number(v);
    return msFieldRecord301(i) + msFieldRecord302(i) + msFieldRecord308(i) + rest.join(u' ');
}

QString persistedGroup(int32_t i)
{
    const GroupRecord& g = gaGroups[size_t(i)];
    msGroupRecord315(i);
    return gsDesignRecord + g.sFrameDesc + g.sTabDesc + g.sNodeKey + QString::number(g.iNrOfSubGroups + g.bChanged);
}

class RecordDefaults : public Keys {
protected:
    void SetUp() override
    {
        Keys::SetUp();
        glFormVersionLevel = 11;
        gaEnumFieldType = {{}, {QStringLiteral("display"), {}, 2}, {QStringLiteral("input"), {}, 3}};
    }
};

TEST_F(RecordDefaults, ReusedSlotsStartLikeFreshOnes)
{
    for (const auto init : {gInitFieldRecord, gInitPictureRecord}) {
        FieldRecord& f = gaFields[7];
        dirty(f, {&gColumns301(), &gColumns302(), &gColumns308()});
        f.bIsTableField = f.bTableFieldChecked = f.bTableMandatory = f.bTableRef = f.bDocuChecked = true;
        f.bDocuAvailable = f.bChanged = f.bChanged301 = f.bChanged302 = f.bChanged308 = true;
        f.sTableDefault = f.sNodeKey = f.sLabelDescSO = f.sLabelDescMO = QStringLiteral("old");
        f.nDomainIndex = f.iTableFieldIndex = f.lPreviousField = 7;
        f.lCommandIndex = 2;
        f.bExistsInHost = f.bExistsToggled = f.bInputPropsLoaded = f.bRemove302 = f.bHas302Row = true;
        f.GrpiStored = f.nOmodStored = f.iColumnIdStored = 5;
        init(7);
        const QString reused = persistedField(7);
        const FieldRecord kept = f;
        f = FieldRecord{};
        init(7);
        EXPECT_EQ(reused, persistedField(7));
        // What describes the host's rows of the slot stays.
        EXPECT_TRUE(kept.bExistsInHost && kept.bExistsToggled && kept.bInputPropsLoaded && kept.bRemove302
                    && kept.bHas302Row);
        EXPECT_EQ(kept.GrpiStored + kept.nOmodStored + kept.iColumnIdStored, 15);
    }

    GroupRecord& g = gaGroups[3];
    dirty(g, {&gColumns315()});
    g.sFrameDesc = g.sTabDesc = g.sNodeKey = QStringLiteral("old");
    g.iNrOfSubGroups = 2;
    g.bChanged = g.bExistsInHost = true;
    g.lGroupLevelStored = 2;
    gInitGroupRecord(3);
    const QString reused = persistedGroup(3);
    EXPECT_TRUE(g.bExistsInHost);
    EXPECT_EQ(g.lGroupLevelStored, 2);
    g = GroupRecord{};
    gInitGroupRecord(3);
    EXPECT_EQ(reused, persistedGroup(3));
}

// ""text"" with inner quotes written four times, as a design text carries a text.
QString nest(const QString& s)
{
    return QStringLiteral("\"\"") + QString(s).replace(u'"', QStringLiteral("\"\"\"\"")) + QStringLiteral("\"\"");
}

// name, value, name, value ... joined by ", " (names nested, values as given).
QString pairs(const std::vector<std::pair<const char*, QString>>& items)
{
    QStringList out;
    for (const auto& [name, value] : items)
        out << nest(QString::fromLatin1(name)) << value;
    return out.join(QStringLiteral(", "));
}

QString n(int64_t v) { return QString::number(v); }

void setIdentity()
{
    gsPackage = "te";
    gsModule = "kwy";
    gsFormCode = QStringLiteral("simpled");
    gsDesignLanguage = "2";
    gsVersion = "7.6";
    gsRelease = "a3";
    gsCustomer = "dev";
}

class DesignTexts : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        setIdentity();
        glFormVersionLevel = 11;
        gaGroups.resize(4);
        gaFields.resize(6);
    }
    const QString formKey = pairs({{"cpac", nest("te")}, {"cmod", nest("kwy")}, {"cfrm", nest("simpled")},
                                   {"clan", nest("2")}, {"vers", nest("7.6 ")}, {"rele", nest("a3")},
                                   {"cust", nest("dev ")}});
};

TEST_F(DesignTexts, GroupRecordWritesTheCurrentLevelAndSelectionColumnsFromLevelEleven)
{
    GroupRecord& g = gaGroups[2];
    g.bRepeatingGroup = g.bCheckOnGroupBox = g.bDashboard = g.bSelectionGroup = true;
    g.Grpi = 3, g.lAlignmentGroupId = -1, g.iGroupWidth = 40;
    g.sParentTable = QStringLiteral("tekwy001");
    const QString selection = QStringLiteral(", ") + pairs({{"zb_tabp", nest("tekwy001")}, {"zb_selg", n(1)}});
    msGroupRecord315(2);
    EXPECT_TRUE(gsDesignRecord.startsWith(formKey + QStringLiteral(", ") + pairs({{"grpi", n(3)}, {"repe", n(1)}})));
    // Alignment stored one off; the flags of za_misc as bits.
    for (const QString& part : {pairs({{"algr", n(-2)}, {"virt", n(2)}}), pairs({{"za_revi", n(11)}}),
                                pairs({{"za_misc", n(9)}})})
        EXPECT_TRUE(gsDesignRecord.contains(part)) << part.toStdString();
    EXPECT_TRUE(gsDesignRecord.endsWith(selection));
    glFormVersionLevel = 10;  // written: the current level, not the loaded one
    glLoadedFormVersion = 8;
    msGroupRecord315(2);
    EXPECT_TRUE(gsDesignRecord.contains(pairs({{"za_revi", n(10)}})));
    EXPECT_FALSE(gsDesignRecord.contains(QStringLiteral("zb_")));
    EXPECT_EQ(gsGroupKeyText(2), formKey + QStringLiteral(", ") + pairs({{"grpi", n(3)}}));
}

// (Every column is read back by the load of what the store wrote: test_store.)
TEST_F(DesignTexts, FieldRecordQuotesItsTextsAndEncodesItsFlags)
{
    FieldRecord& f = gaFields[4];
    f.lFieldId = 4, f.iElement = 3, f.nOmod = 40;
    f.bMultiCurrency = f.bLinkDisplFormatToDomain = true;
    f.sFieldName = QStringLiteral("te\"kwy");
    f.sDomainPackage = QStringLiteral("te");
    f.sDomainCode = QStringLiteral("amnt");
    const QString record = msFieldRecord301(4);
    EXPECT_TRUE(record.startsWith(formKey + QStringLiteral(", ") + pairs({{"sequ", n(4)}})));
    // The quote four times; element -1 for a multi-currency field; True 1, False 2.
    for (const QString& part : {pairs({{"fldn", nest("te\"kwy")}, {"elem", n(-1)}, {"pacd", nest("te")}}),
                                pairs({{"difl", n(1)}, {"mini", n(0)}}), pairs({{"mxdl", n(2)}})})
        EXPECT_TRUE(record.contains(part)) << part.toStdString();
    EXPECT_TRUE(gsDesignRecord.contains(QStringLiteral("\"\"te\"\"\"\"kwy\"\"")));

    // A column of the main table is written without its domain, which its load takes
    // from the dictionary; a table field of another table keeps it. The record is untouched.
    f.bIsTableField = true;
    gsTable = QStringLiteral("tekwy001");
    const std::pair<const char*, bool> columns[] = {
        {"tekwy001.item", false}, {"tekwy002.dsca", true}, {"tekwy0011.item", true}, {"tekwy001", true}};
    for (const auto& [name, kept] : columns) {
        f.sFieldName = QLatin1String(name);
        const QString domain = pairs({{"pacd", nest(kept ? "te" : "")}, {"cdom", nest(kept ? "amnt" : "")}});
        EXPECT_TRUE(msFieldRecord301(4).contains(domain)) << name;
    }
    gsTable.clear();
    f.sFieldName = QStringLiteral("tekwy001.item");
    EXPECT_TRUE(msFieldRecord301(4).contains(pairs({{"pacd", nest("te")}}))) << "no main table";
    EXPECT_EQ(f.sDomainPackage + f.sDomainCode, QStringLiteral("teamnt"));

    f.bInGrid = f.bInitialHidden = true;
    EXPECT_TRUE(msFieldRecord308(4).endsWith(pairs({{"za_misc", n(5)}})));
    f.sDefaultValue = QStringLiteral("a\"b");
    EXPECT_TRUE(msFieldRecord302(4).contains(pairs({{"defa", nest("a\"b")}, {"cnow", nest("")}})));
}

// The host keeps a control kind by its number: each kind crosses the design text as that
// number and back, a number without a kind is kept as the host sent it, and only a
// picture's tree key begins with "p_".
TEST_F(DesignTexts, ControlKindsCrossAsTheNumbersTheHostKeeps)
{
    const std::pair<ControlKind, int32_t> kinds[] = {
        {ControlKind::Input, 0},        {ControlKind::CheckBox, 1},   {ControlKind::ListBox, 2},
        {ControlKind::OptionSet, 3},    {ControlKind::Picture, 4},    {ControlKind::NoControl, 5},
        {ControlKind::StringNormal, 6}, {ControlKind::StringList, 7}, {ControlKind::StringCombo, 8}};
    const DesignColumn<FieldRecord>* ctrl = gFindDesignColumn(gColumns308(), QStringLiteral("ctrl"));
    ASSERT_TRUE(ctrl && ctrl->read);
    FieldRecord& f = gaFields[4];
    f.lFieldId = 4;
    for (const auto& [kind, number] : kinds) {
        f.lControl = kind;
        EXPECT_EQ(ctrl->write(f), QString::number(number));
        EXPECT_TRUE(msFieldRecord308(4).contains(pairs({{"ctrl", n(number)}}))) << number;
        FieldRecord read;
        ctrl->read(read, QString::number(number));
        EXPECT_EQ(read.lControl, kind) << number;
        EXPECT_EQ(gsFieldKey(4).left(2), kind == ControlKind::Picture ? "p_" : "f_") << number;
    }
    FieldRecord unknown;
    ctrl->read(unknown, QStringLiteral("12"));
    EXPECT_EQ(ctrl->write(unknown), QStringLiteral("12"));
}

// Every value a column appends in place to a design text is the one it writes, and the
// length it tells the host keeps is that of the value written.
template <typename R>
void expectAppendsAsWritten(const std::vector<DesignColumn<R>>& columns)
{
    for (const char* value : {"-32768", "32767", "-1", "0", "1", "2", "255", "70000", "say \"hi\"", "",
                              "\xc3\xa9t\xc3\xa9", "  a \"\" b  ", "\"", "   ", "-9", "9", "10", "-10", "99999"}) {
        R record;
        for (const DesignColumn<R>& c : columns)
            if (c.read)
                c.read(record, QString::fromUtf8(value));
        for (const DesignColumn<R>& c : columns) {
            if (!c.append || !c.write)
                continue;
            std::u16string text = u"x";
            c.append(text, record);
            EXPECT_EQ(QString::fromStdU16String(text), u'x' + c.write(record)) << c.name << " read from " << value;
            if (c.kept) {
                EXPECT_EQ(c.kept(record), gnKeptLength(c.write(record))) << c.name << " read from " << value;
            }
        }
    }
}

TEST_F(DesignTexts, EveryColumnAppendsWhatItWrites)
{
    expectAppendsAsWritten(gColumns315());
    expectAppendsAsWritten(gColumns301());
    expectAppendsAsWritten(gColumns302());
    expectAppendsAsWritten(gColumns308());
    expectAppendsAsWritten(gColumns316());
    // A record made whole of appended values is the one made of written values.
    FieldRecord& f = gaFields[4];
    f.lFieldId = 4, f.sFieldName = QStringLiteral("te\"kwy"), f.bFollowUp = true, f.lOptx = -70000;
    QString written = formKey;
    for (const DesignColumn<FieldRecord>& c : gColumns308())
        written += QStringLiteral(", ") + pairs({{c.name, c.write(f)}});
    EXPECT_EQ(msFieldRecord308(4), written);
}

TEST(DesignIdentity, OnlyIdentitiesWithoutQuotesBracesOrControlsGoIntoQueries)
{
    setIdentity();
    QString reason = QStringLiteral("stale");
    EXPECT_TRUE(gbFormIdentityUsable(reason));
    EXPECT_TRUE(reason.isEmpty());
    EXPECT_EQ(gsFormKeyWhere(QStringLiteral("qxzrn315")),
              QStringLiteral("qxzrn315._index1 = {'2','te','7.6 ','a3','dev ','kwy','simpled'}"));
    EXPECT_EQ(gsFormKeyWhere(QStringLiteral("qxzrn302"), 7),
              QStringLiteral("qxzrn302._index1 = {'2','te','7.6 ','a3','dev ','kwy','simpled',7}"));

    // Form codes are tried with the start-up (test_program_runs). Control characters
    // (C0, DEL, C1) are named by their codes; other characters beyond ASCII are text.
    const struct {
        void (*spoil)();
        const char* named;  // "": usable
        int32_t message;
    } cases[] = {
        {[] { gsModule = "{'"; }, "module \"{'\" contains a quote or a brace", 20},
        {[] { gsCustomer = "c{1"; }, "customer \"c{1\" contains a quote or a brace", 20},
        {[] { gsFormCode = QStringLiteral("sim\npled"); }, "form code \"sim<0A>pled\" contains a control", 29},
        {[] { gsDesignLanguage = "\t"; }, "language \"<09>\"", 29},
        {[] { gsPackage = "t\x7f"; }, "package \"t<7F>\"", 29},
        {[] { gsVersion = QStringLiteral("7\u0085"); }, "version \"7<85>\"", 29},
        {[] { gsRelease = QStringLiteral("\u009f"); }, "release \"<9F>\"", 29},
        {[] { gsFormCode = QStringLiteral("simpl\u00e9\u00a0\ufffd"); }, "", 0},
    };
    for (const auto& c : cases) {
        setIdentity();
        c.spoil();
        QString value;
        int32_t message = 0;
        EXPECT_EQ(gbFormIdentityUsable(reason, &value, &message), !*c.named) << c.named;
        EXPECT_TRUE(message == c.message && reason.contains(QString::fromUtf8(c.named))
                    && (*c.named ? reason.contains(u'"' + value + u'"') : reason.isEmpty()))
            << reason.toStdString();
    }
    resetVrokGlobal();
}

} // namespace
