// Design texts of the host's design tables, the column conversions both ways, and the
// form identity in query texts.
#include "support/CoreTestSupport.h"

#include "model/mod_DesignDefinitions.h"

namespace {

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
        gaSpecificCommands.resize(3);
    }
    const QString formKey = pairs({{"cpac", nest("te")}, {"cmod", nest("kwy")}, {"cfrm", nest("simpled")},
                                   {"clan", nest("2")}, {"vers", nest("7.6 ")}, {"rele", nest("a3")},
                                   {"cust", nest("dev ")}});
};

TEST_F(DesignTexts, GroupRecordWithAndWithoutSelectionGroups)
{
    GroupRecord& g = gaGroups[2];
    g.Grpi = 3;
    g.bRepeatingGroup = g.bGroupInSingleOcc = g.bNewPage = g.bCheckOnGroupBox = g.bDashboard = true;
    g.bSelectionGroup = true;
    g.lGroupLevel = 2;
    g.sLabelCode = QStringLiteral("pzgrp.Head");
    g.lParentGroup = 1;
    g.lPreviousGroup = 2;
    g.lFirstField = 30;
    g.lAlignmentGroupId = -1;
    g.lChildGroup = 4;
    g.iGroupWidth = 40;
    g.sParentTable = QStringLiteral("tekwy001");
    auto expected = [&](int level) {
        return formKey + QStringLiteral(", ")
               + pairs({{"grpi", n(3)}, {"repe", n(1)}, {"levl", n(2)}, {"labl", nest("pzgrp.Head")},
                        {"fram", n(2)}, {"inso", n(1)}, {"inmo", n(2)}, {"pare", n(1)}, {"prev", n(2)},
                        {"next", n(0)}, {"fld1", n(30)}, {"algr", n(-2)}, {"virt", n(2)}, {"chld", n(4)},
                        {"wdth", n(40)}, {"za_revi", n(level)}, {"za_cbox", n(2)}, {"za_newp", n(1)},
                        {"za_besi", n(2)}, {"za_misc", n(9)}});
    };
    msGroupRecord315(2);
    EXPECT_EQ(gsDesignRecord, expected(11) + QStringLiteral(", ")
                                  + pairs({{"zb_tabp", nest("tekwy001")}, {"zb_selg", n(1)}}));
    glFormVersionLevel = 10;  // written: the current level, not the loaded one
    glLoadedFormVersion = 8;
    msGroupRecord315(2);
    EXPECT_EQ(gsDesignRecord, expected(10));
    EXPECT_EQ(gsGroupKeyText(2), formKey + QStringLiteral(", ") + pairs({{"grpi", n(3)}}));
}

TEST_F(DesignTexts, FieldRecord)
{
    FieldRecord& f = gaFields[4];
    f.lFieldId = 4;
    f.iFieldXPos = 13;
    f.iFieldYPos = 2;
    f.sFieldName = QStringLiteral("te\"kwy");
    f.iElement = 3;
    f.bMultiCurrency = f.bLinkDisplFormatToDomain = f.bDefault = f.bEchoField = true;
    f.sDomainPackage = QStringLiteral("te");
    f.sDomainCode = QStringLiteral("amnt");
    f.lFieldType = 1;
    f.sDisplayFormat = QStringLiteral("ZZ9");
    f.iMaxDispLen = 12;
    f.iMaxInpLen = 13;
    f.iStartPosOfString = 1;
    f.nZoomField = 2;
    f.sZoomTo = QStringLiteral("tekwysimple");
    f.iFieldLength = 12;
    f.nOmod = 40;
    f.sLabelCode = QStringLiteral("tekwy002.amnt");
    EXPECT_EQ(msFieldRecord301(4),
              formKey + QStringLiteral(", ")
                  + pairs({{"sequ", n(4)},      {"xpos", n(13)},      {"ypos", n(2)},        {"fldn", nest("te\"kwy")},
                           {"elem", n(-1)},     {"pacd", nest("te")}, {"cdom", nest("amnt")}, {"typf", n(1)},
                           {"difo", nest("ZZ9")}, {"difl", n(1)},     {"mini", n(0)},        {"maxd", n(12)},
                           {"mxdl", n(2)},      {"maxi", n(13)},      {"mxil", n(2)},        {"sttp", n(1)},
                           {"mult", n(2)},      {"zoom", n(2)},       {"zprg", nest("tekwysimple")},
                           {"zopm", nest("1")}, {"zret", nest("")},   {"zcsp", n(0)},        {"defa", n(1)},
                           {"cmes", nest("")},  {"echo", n(1)},       {"flen", n(12)},       {"omod", n(40)},
                           {"mand", n(2)},      {"dcex", nest("")},   {"labl", nest("tekwy002.amnt")}}));
    EXPECT_TRUE(gsDesignRecord.contains(QStringLiteral("\"\"te\"\"\"\"kwy\"\"")));  // the quote four times

    // A column of the main table is written without its domain; the record is untouched.
    f.bIsTableField = true;
    EXPECT_TRUE(msFieldRecord301(4).contains(pairs({{"pacd", nest("")}, {"cdom", nest("")}})));
    EXPECT_EQ(f.sDomainPackage, QStringLiteral("te"));

    f.bInGrid = f.bInitialHidden = true;
    EXPECT_TRUE(msFieldRecord308(4).endsWith(pairs({{"za_misc", n(5)}})));
    f.sDefaultValue = QStringLiteral("a\"b");
    EXPECT_TRUE(msFieldRecord302(4).contains(pairs({{"defa", nest("a\"b")}, {"cnow", nest("")}})));
}

TEST_F(DesignTexts, CommandAndDocumentationKeys)
{
    SpecificCommandRecord& c = gaSpecificCommands[2];
    c.nSequenceNumber = 7;
    c.nCommandType = 3;
    c.lLinkId = 40;
    EXPECT_EQ(msCommandRecord316(2),
              pairs({{"clan", nest("2")}, {"cpac", nest("te")}, {"vers", nest("7.6 ")}, {"rele", nest("a3")},
                     {"cust", nest("dev ")}, {"cmod", nest("kwy")}, {"cfrm", nest("simpled")}, {"sern", n(7)}}));
    EXPECT_EQ(gsDesignRecord, pairs({{"btyp", n(3)}, {"sequ", n(40)}}));

    gsFormCode = QStringLiteral("ab");
    gaFields[1].sFieldName = QStringLiteral("tekwy002.citg");
    EXPECT_EQ(gsFieldRecord150(1),
              pairs({{"cpac", nest("te")}, {"vers", nest("7.6 ")}, {"rele", nest("a3")}, {"cust", nest("dev ")},
                     {"ktex", n(4)}, {"rkey", nest("kwyab       tekwy002.citg")}, {"hdre", n(2)}}));
}

TEST(DesignConversions, ColumnsReadBackAsTheHostStoresThem)
{
    auto read = [](const auto& columns, const char* column, const char* value, auto& record) {
        gFindDesignColumn(columns, QString::fromLatin1(column))->read(record, QString::fromLatin1(value));
    };
    FieldRecord f;
    f.bDefault = f.bEchoField = true;
    read(gColumns302(), "defa", "say", f);  // a stored default counts only for a field with one
    read(gColumns301(), "elem", "-1", f);
    read(gColumns301(), "zoom", "32", f);
    read(gColumns301(), "mand", "1", f);
    read(gColumns301(), "echo", "0", f);  // only 1 is True
    read(gColumns308(), "za_misc", "6", f);
    EXPECT_EQ(QStringLiteral("%1 %2 %3 %4 %5 %6%7%8").arg(f.sDefaultValue).arg(f.iElement).arg(f.bMultiCurrency)
                  .arg(f.nZoomField).arg(f.bMandatoryInput).arg(f.bEchoField).arg(f.bInGrid).arg(f.bInitialHidden),
              QStringLiteral("say 1 1 1 1 001"));
    for (const auto& [elem, element] : std::initializer_list<std::pair<const char*, int>>{{"0", 1}, {"5", 5}}) {
        read(gColumns301(), "elem", elem, f);
        EXPECT_EQ(f.iElement * 10 + f.bMultiCurrency, element * 10) << elem;
    }

    GroupRecord g;
    read(gColumns315(), "za_misc", "10", g);
    EXPECT_TRUE(!g.bCheckOnGroupBox && g.bRichView && !g.bNewPageMO && g.bDashboard);
    // Alignment groups: one step away from zero and back; a stored 0 reads as -1.
    for (const auto& [id, stored] :
         std::initializer_list<std::pair<int, const char*>>{{-1, "-2"}, {0, "1"}, {3, "4"}, {-1, "0"}}) {
        read(gColumns315(), "algr", stored, g);
        EXPECT_EQ(g.lAlignmentGroupId, id) << stored;
        if (QLatin1String(stored) != QLatin1String("0")) {
            EXPECT_EQ(QString::number(giAlignmentGroupToHost(int16_t(id))), QString::fromLatin1(stored));
        }
    }
    EXPECT_EQ(gFindDesignColumn(gColumns301(), QStringLiteral("mult"))->read, nullptr);
}

TEST(DesignIdentity, OnlyIdentitiesWithoutQuotesOrBracesGoIntoQueries)
{
    setIdentity();
    QString reason = QStringLiteral("stale");
    EXPECT_TRUE(gbFormIdentityUsable(reason));
    EXPECT_TRUE(reason.isEmpty());
    EXPECT_EQ(gsFormKeyWhere(QStringLiteral("qxzrn315")),
              QStringLiteral("qxzrn315._index1 = {'2','te','7.6 ','a3','dev ','kwy','simpled'}"));
    EXPECT_EQ(gsFormKeyWhere(QStringLiteral("qxzrn302"), 7),
              QStringLiteral("qxzrn302._index1 = {'2','te','7.6 ','a3','dev ','kwy','simpled',7}"));

    const std::pair<void (*)(), const char*> cases[] = {
        {[] { gsFormCode = QStringLiteral("ab'c"); }, "form code \"ab'c\""},
        {[] { gsFormCode = QStringLiteral("a\"b"); }, "form code \"a\"b\""},
        {[] { gsFormCode = QStringLiteral("x}"); }, "form code \"x}\""},
        {[] { gsModule = "{'"; }, "module \"{'\""},
        {[] { gsCustomer = "c{1"; }, "customer \"c{1\""},
        {[] { gsDesignLanguage = "'"; }, "language \"'\""}};
    for (const auto& [spoil, named] : cases) {
        setIdentity();
        spoil();
        EXPECT_FALSE(gbFormIdentityUsable(reason)) << named;
        EXPECT_TRUE(reason.contains(QString::fromUtf8(named)) && reason.contains(QStringLiteral("quote or a brace")))
            << reason.toStdString();
    }
    resetVrokGlobal();
}

} // namespace
