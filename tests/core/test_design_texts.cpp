// Design texts of the host's design tables, and the form identity in query texts.
// (The conversions of loaded columns are checked with the load, the command and
// documentation keys with the store.)
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
    }
    const QString formKey = pairs({{"cpac", nest("te")}, {"cmod", nest("kwy")}, {"cfrm", nest("simpled")},
                                   {"clan", nest("2")}, {"vers", nest("7.6 ")}, {"rele", nest("a3")},
                                   {"cust", nest("dev ")}});
};

TEST_F(DesignTexts, GroupRecordWithAndWithoutSelectionGroups)
{
    GroupRecord& g = gaGroups[2];
    g.bRepeatingGroup = g.bGroupInSingleOcc = g.bNewPage = g.bCheckOnGroupBox = g.bDashboard = true;
    g.bSelectionGroup = true;
    g.Grpi = 3, g.lGroupLevel = 2, g.lParentGroup = 1, g.lPreviousGroup = 2, g.lFirstField = 30;
    g.lAlignmentGroupId = -1, g.lChildGroup = 4, g.iGroupWidth = 40;
    g.sLabelCode = QStringLiteral("pzgrp.Head");
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
    f.lFieldId = 4, f.iFieldXPos = 13, f.iFieldYPos = 2, f.iElement = 3, f.lFieldType = 1, f.iMaxDispLen = 12;
    f.iMaxInpLen = 13, f.iStartPosOfString = 1, f.nZoomField = 2, f.iFieldLength = 12, f.nOmod = 40;
    f.bMultiCurrency = f.bLinkDisplFormatToDomain = f.bDefault = f.bEchoField = true;
    f.sFieldName = QStringLiteral("te\"kwy");
    f.sDomainPackage = QStringLiteral("te");
    f.sDomainCode = QStringLiteral("amnt");
    f.sDisplayFormat = QStringLiteral("ZZ9");
    f.sZoomTo = QStringLiteral("tekwysimple");
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

    // Form codes are tried with the load.
    const std::pair<void (*)(), const char*> cases[] = {
        {[] { gsFormCode = QStringLiteral("a\"b"); }, "form code \"a\"b\""}, {[] { gsModule = "{'"; }, "module \"{'\""},
        {[] { gsCustomer = "c{1"; }, "customer \"c{1\""}, {[] { gsDesignLanguage = "'"; }, "language \"'\""}};
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
