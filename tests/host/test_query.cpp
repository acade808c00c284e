// Object sets and remote queries of the local host, driven through their call texts
// the way the editor sends them.
#include "call_text.h"
#include "data_sets.h"
#include "host_database.h"
#include "local_host.h"
#include "query_engine.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

std::string s(const QString& q) { return q.toStdString(); }

const QString kSam = QStringLiteral("oqxsammain");

const char* const k301Columns = "sequ xpos ypos fldn elem pacd cdom typf difo difl mini maxd mxdl maxi mxil sttp "
                                "zoom zprg zopm zret defa cmes echo flen mand dcex labl omod";
const char* const k308Columns = "grpi pare next chld fwup behi inso inmo lali lxpo depe lpos llso lhso llmo lhmo "
                                "xend colu optx za_hght za_view za_yesv za_srch za_cnst za_icon za_zind ctrl "
                                "za_adju za_able za_misc";

// "T.a, T.b, ..." as the editor writes a select list.
QString columnsOf(const char* table, const char* names)
{
    QStringList out;
    for (const QString& n : QString::fromLatin1(names).split(QLatin1Char(' ')))
        out << QString::fromLatin1(table) + QLatin1Char('.') + n;
    return out.join(QStringLiteral(", "));
}

// The form key of the small demo form, its values padded to their widths as the editor holds them.
QString formKey(const char* table, const char* form = "simpled")
{
    return QStringLiteral("%1._index1 = {'2','te','7.6 ','a3','dev ','kwy','%2'}")
        .arg(QLatin1String(table), QLatin1String(form));
}

const datasets::DataSetLayout& layout(const char* name)
{
    const datasets::DataSetLayout* set = datasets::findLayout(QString::fromLatin1(name));
    EXPECT_TRUE(set) << name;
    return *set;
}

struct Fetched {
    int64_t value = 0;
    QString buffer;
};

class QueryFunctions : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        host::resetHostSessions();
        db = openDatabase();
        ASSERT_TRUE(db);
        app = createHost();
    }

    int32_t run(const QString& callText)
    {
        int32_t n = 0;
        app->executeFunction(kSam, callText, n);
        return app->vrokError();
    }
    int64_t value(const QString& callText)
    {
        EXPECT_EQ(run(callText), 0) << s(callText) << ": " << s(dynamic_cast<host::LocalHost&>(*app).errorText());
        return app->returnValue().toLongLong();
    }
    int64_t openSet(const char* table)
    {
        return value(QStringLiteral("am_open_object_set(%1)").arg(calltext::quote(QString::fromLatin1(table))));
    }
    int64_t define(int64_t set, const QString& select, const QString& from, const QString& where,
                   const QString& order)
    {
        return value(QStringLiteral("am_define_full_query(%1,%2,%3,%4,%5)")
                         .arg(set)
                         .arg(calltext::quote(select), calltext::quote(from), calltext::quote(where),
                              calltext::quote(order)));
    }
    Fetched fetch(int64_t set, int64_t id, int mode, int rows, qsizetype length)
    {
        const QString blanks(length, QLatin1Char(' '));
        Fetched f;
        f.value = value(QStringLiteral("am_query_fetch(%1,%2,%3,%4,0,%5)")
                            .arg(set)
                            .arg(id)
                            .arg(mode)
                            .arg(rows)
                            .arg(calltext::quote(blanks)));
        const std::optional<calltext::Call> back = calltext::parse(app->returnCall());
        EXPECT_TRUE(back);
        f.buffer = back ? back->arg(6).text() : QString();
        return f;
    }
    // Fetches in blocks of n rows the way the editor's loads do.
    std::vector<Fetched> fetchAll(int64_t set, int64_t id, int n, int32_t rowLength)
    {
        std::vector<Fetched> blocks{fetch(set, id, 1, n, qsizetype(n) * rowLength)};
        while (blocks.back().value == n && blocks.size() < 100)
            blocks.push_back(fetch(set, id, 2, n, qsizetype(n) * rowLength));
        return blocks;
    }

    // What a crafted query must not change.
    QString fingerprint()
    {
        host::Statement st(db->handle(),
                           QStringLiteral("SELECT (SELECT count(*) FROM sqlite_master) || '/' ||"
                                          " (SELECT count(*) FROM qxzrn301) || '/' || (SELECT count(*) FROM qxzrn315)"
                                          " || '/' || (SELECT group_concat(value) FROM host_meta)"));
        return st.step() ? st.text(0) : QString();
    }

    std::unique_ptr<host::HostDatabase> db;
    std::unique_ptr<VrokApplication> app;
};

int32_t joinedLength()
{
    return datasets::recordLength(layout("qxzrn301"), 1) + datasets::recordLength(layout("qxzrn308"), 1);
}

} // namespace

// --- Object sets ------------------------------------------------------------------------

TEST_F(QueryFunctions, ObjectSetsTakeTheLowestFreeNumberUpTo999)
{
    EXPECT_EQ(openSet("qxzrn301"), 1);
    EXPECT_EQ(openSet("qxzrn315"), 2);
    EXPECT_EQ(value(QStringLiteral("am_close_object_set(1)")), 0);
    EXPECT_EQ(value(QStringLiteral("am_close_object_set(1)")), host::kQueryUnknown);
    EXPECT_EQ(openSet("qxzrn308"), 1);

    for (int n = 3; n <= host::kMaxObjectSet; ++n)
        ASSERT_EQ(openSet("qxzrn302"), n);
    // A fourth digit would not fit the set records.
    EXPECT_NE(run(QStringLiteral("am_open_object_set(\"qxzrn302\")")), 0);
    EXPECT_NE(run(QStringLiteral("am_open_object_set(\"nosuchtab\")")), 0);
    EXPECT_EQ(value(QStringLiteral("am_close_object_set(1000)")), host::kQueryUnknown);
}

TEST_F(QueryFunctions, ClosingTheObjectSetEndsItsQueries)
{
    const int64_t set = openSet("qxzrn301");
    const int64_t id = define(set, QStringLiteral("qxzrn315.grpi"), QStringLiteral("qxzrn315"), formKey("qxzrn315"),
                              QString());
    ASSERT_GE(id, 1);
    EXPECT_EQ(fetch(set, id, 1, 10, 40).value, 1);
    EXPECT_EQ(value(QStringLiteral("am_close_object_set(%1)").arg(set)), 0);
    EXPECT_EQ(fetch(set, id, 1, 10, 40).value, host::kQueryUnknown);
    EXPECT_EQ(value(QStringLiteral("am_query_close(%1,%2)").arg(set).arg(id)), host::kQueryUnknown);
    EXPECT_EQ(define(set, QStringLiteral("qxzrn315.grpi"), QStringLiteral("qxzrn315"), QString(), QString()),
              host::kQueryUnknown);
}

// --- The editor's queries ------------------------------------------------------------------

TEST_F(QueryFunctions, JoinedFieldQueryReturnsBothLayoutsInOrderColumnOrder)
{
    // Order numbers running against the sequence numbers show that the order column counts.
    db->exec(QStringLiteral("UPDATE qxzrn301 SET omod = 100 - 10 * sequ WHERE cfrm = 'simpled'"));
    const int64_t set = openSet("qxzrn301");
    const QString select =
        columnsOf("qxzrn301", k301Columns) + QStringLiteral(", ") + columnsOf("qxzrn308", k308Columns);
    const int64_t id = define(set, select, QStringLiteral("qxzrn301, qxzrn308"),
                              QStringLiteral("qxzrn301.cmba REFERS TO qxzrn308 AND ") + formKey("qxzrn301"),
                              QStringLiteral("qxzrn301.omod"));
    ASSERT_GE(id, 1);
    const int32_t length = joinedLength();
    const int n = 4050 / length;
    const Fetched f = fetch(set, id, 1, n, qsizetype(n) * length);
    ASSERT_EQ(f.value, 6);
    ASSERT_EQ(f.buffer.size(), qsizetype(n) * length);

    const int32_t length301 = datasets::recordLength(layout("qxzrn301"), 1);
    for (int row = 0; row < 6; ++row) {
        const QString text = f.buffer.mid(qsizetype(row) * length, length);
        datasets::RecordReader fields(layout("qxzrn301"), 1, text.left(length301));
        datasets::RecordReader place(layout("qxzrn308"), 1, text.mid(length301));
        ASSERT_TRUE(fields.next() && place.next()) << row;
        const int sequ = 6 - row;
        EXPECT_EQ(fields.number(QStringLiteral("sequ")), sequ);
        EXPECT_EQ(fields.number(QStringLiteral("omod")), 100 - 10 * sequ);
        EXPECT_EQ(place.number(QStringLiteral("grpi")), 1);
        // The layout row of the same field came with it.
        EXPECT_EQ(place.number(QStringLiteral("next")), sequ == 6 ? 0 : 10 * (sequ + 1)) << sequ;
    }
    datasets::RecordReader first(layout("qxzrn301"), 1, f.buffer.left(length301));
    ASSERT_TRUE(first.next());
    EXPECT_EQ(first.value(QStringLiteral("fldn")), QStringLiteral("tekwy002.sequ"));
    EXPECT_EQ(f.buffer.mid(6 * length).trimmed(), QString());
    EXPECT_EQ(value(QStringLiteral("am_query_close(%1,%2)").arg(set).arg(id)), 0);
}

TEST_F(QueryFunctions, InputPropertiesOfOneFieldEndTheirHostTextsWithChr1)
{
    const int64_t set = openSet("qxzrn301");
    QString where = formKey("qxzrn302", "itemsd");
    where.replace(QStringLiteral("'}"), QStringLiteral("',11}"));
    // The editor leaves out the blanks after the last separators.
    const QString select = QStringLiteral("qxzrn302.cpac, qxzrn302.sequ, qxzrn302.za_prop,qxzrn302.inpc,qxzrn302.defa");
    const int64_t id = define(set, select, QStringLiteral("qxzrn302"), where, QString());
    const int32_t length = datasets::recordLength(layout("qxzrn302"), 1);
    const Fetched f = fetch(set, id, 1, 2, 2 * length);
    ASSERT_EQ(f.value, 1);
    const QString row = QStringLiteral("te11   21") + QChar(1) + QStringLiteral("teunit.pcs") + QChar(1);
    EXPECT_EQ(f.buffer, row.leftJustified(2 * length, QLatin1Char(' ')));
}

TEST_F(QueryFunctions, TableFieldsByTheSecondIndexInNumberOrder)
{
    const int64_t set = openSet("qxzrn301");
    const QString select =
        columnsOf("qxzrn422", "fdno fdnm acti dept clab pacd cdom rfpa rfmo rffn rffd mand iniv comb");
    const int64_t id = define(set, select, QStringLiteral("qxzrn422"),
                              QStringLiteral("qxzrn422._index2 = {'te','kwy','001','7.6 ','a3','dev '}"),
                              QStringLiteral("qxzrn422.fdno"));
    const datasets::DataSetLayout& rows = layout("qxzrn422fields");
    const int32_t length = datasets::recordLength(rows, 1);
    const Fetched f = fetch(set, id, 1, 4050 / length, (4050 / length) * length);

    host::Statement count(db->handle(), QStringLiteral("SELECT count(*) FROM qxzrn422 WHERE cpac = 'te'"
                                                       " AND cmod = 'kwy' AND flno = '001' AND vers = '7.6'"
                                                       " AND rele = 'a3' AND cust = 'dev'"));
    ASSERT_TRUE(count.step());
    ASSERT_GT(count.int64(0), 2);
    EXPECT_EQ(f.value, count.int64(0));
    datasets::RecordReader reader(rows, 1, f.buffer);
    int64_t last = 0;
    for (int64_t i = 0; i < f.value; ++i) {
        ASSERT_TRUE(reader.next()) << i;
        EXPECT_GT(reader.number(QStringLiteral("fdno")), last);
        last = reader.number(QStringLiteral("fdno"));
        if (i == 0) {
            EXPECT_EQ(reader.value(QStringLiteral("fdnm")), QStringLiteral("item"));
        }
    }
}

// --- Blocks ----------------------------------------------------------------------------------

struct BlockCase {
    int rows;
    std::vector<int64_t> counts;
};
inline std::ostream& operator<<(std::ostream& os, const BlockCase& c) { return os << c.rows << " rows a block"; }

class QueryBlocks : public QueryFunctions, public ::testing::WithParamInterface<BlockCase> {};

TEST_P(QueryBlocks, EveryRowOnceAndAnEmptyFetchAfterAFullBlock)
{
    const int64_t set = openSet("qxzrn301");
    const int64_t id = define(set, QStringLiteral("qxzrn301.sequ"), QStringLiteral("qxzrn301"), formKey("qxzrn301"),
                              QStringLiteral("qxzrn301.sequ"));
    const int n = GetParam().rows;
    const std::vector<Fetched> blocks = fetchAll(set, id, n, 5);
    std::vector<int64_t> counts;
    QString sequences;
    for (const Fetched& b : blocks) {
        counts.push_back(b.value);
        for (int64_t r = 0; r < b.value; ++r)
            sequences += b.buffer.mid(qsizetype(r) * 5, 5).trimmed() + QLatin1Char(' ');
    }
    EXPECT_EQ(counts, GetParam().counts);
    EXPECT_EQ(sequences, QStringLiteral("1 2 3 4 5 6 "));
    // A new first block starts over.
    EXPECT_EQ(fetch(set, id, 1, n, qsizetype(n) * 5).value, std::min<int64_t>(n, 6));
}

INSTANTIATE_TEST_SUITE_P(Sizes, QueryBlocks,
                         ::testing::Values(BlockCase{3, {3, 3, 0}}, BlockCase{4, {4, 2}}, BlockCase{6, {6, 0}},
                                           BlockCase{1, {1, 1, 1, 1, 1, 1, 0}}, BlockCase{10, {6}}));

TEST_F(QueryFunctions, FetchesThatCannotBeServedAnswerNegative)
{
    const int64_t set = openSet("qxzrn301");
    const int64_t id = define(set, QStringLiteral("qxzrn301.sequ, qxzrn301.xpos"), QStringLiteral("qxzrn301"),
                              formKey("qxzrn301"), QString());
    EXPECT_EQ(fetch(set, id, 2, 2, 18).value, host::kQueryBadFetch) << "next block before the first";
    EXPECT_EQ(fetch(set, id, 3, 2, 18).value, host::kQueryBadFetch) << "mode 3";
    EXPECT_EQ(fetch(set, id, 1, 0, 18).value, host::kQueryBadFetch) << "no rows";
    EXPECT_EQ(fetch(set, id, 1, 2, 17).value, host::kQueryBadFetch) << "buffer too short";
    EXPECT_EQ(fetch(set, id + 1, 1, 2, 18).value, host::kQueryUnknown);
    EXPECT_EQ(fetch(set + 1, id, 1, 2, 18).value, host::kQueryUnknown);
    EXPECT_EQ(fetch(set, id, 1, 2, 18).value, 2);

    // A number wider than its field would read as another number.
    db->exec(QStringLiteral("UPDATE qxzrn301 SET xpos = 12345 WHERE cfrm = 'simpled' AND sequ = 4"));
    EXPECT_EQ(fetch(set, id, 1, 2, 18).value, host::kQueryValueTooWide);
}

// --- Crafted query texts --------------------------------------------------------------------

struct CraftedCase {
    const char* name;
    const char* select;
    const char* from;
    const char* where;
    const char* order;
};
inline std::ostream& operator<<(std::ostream& os, const CraftedCase& c) { return os << c.name; }

class CraftedQuery : public QueryFunctions, public ::testing::WithParamInterface<CraftedCase> {};

TEST_P(CraftedQuery, AnswersSyntaxErrorAndChangesNothing)
{
    const QString before = fingerprint();
    const int64_t set = openSet("qxzrn301");
    const CraftedCase& c = GetParam();
    const int64_t id = define(set, QString::fromUtf8(c.select), QString::fromUtf8(c.from), QString::fromUtf8(c.where),
                              QString::fromUtf8(c.order));
    ASSERT_GE(id, 1) << "the id comes back; its fetch reports the error";
    const Fetched f = fetch(set, id, 1, 5, 100);
    EXPECT_EQ(f.value, host::kQuerySyntaxError);
    EXPECT_EQ(f.buffer, QString(100, QLatin1Char(' ')));
    EXPECT_EQ(fetch(set, id, 2, 5, 100).value, host::kQuerySyntaxError);
    EXPECT_EQ(value(QStringLiteral("am_query_close(%1,%2)").arg(set).arg(id)), 0);
    EXPECT_EQ(fingerprint(), before);
}

#define GROUPS "qxzrn315.grpi, qxzrn315.labl"
#define KEY "{'2','te','7.6 ','a3','dev ','kwy','simpled'}"

INSTANTIATE_TEST_SUITE_P(
    Texts, CraftedQuery,
    ::testing::Values(
        CraftedCase{"quote_inside_value", GROUPS, "qxzrn315", "qxzrn315._index1 = {'2','te'','7.6'}", ""},
        CraftedCase{"quote_closing_early", GROUPS, "qxzrn315", "qxzrn315._index1 = {'2' OR '1'='1'}", ""},
        CraftedCase{"unquoted_word", GROUPS, "qxzrn315", "qxzrn315._index1 = {te}", ""},
        CraftedCase{"double_quotes", GROUPS, "qxzrn315", "qxzrn315._index1 = {\"2\"}", ""},
        CraftedCase{"unknown_column", "qxzrn315.grpi, qxzrn315.nope", "qxzrn315", "qxzrn315._index1 = " KEY, ""},
        CraftedCase{"column_without_field", "qxzrn315.clan", "qxzrn315", "", ""},
        CraftedCase{"unknown_table", "qxzrn999.grpi", "qxzrn999", "", ""},
        CraftedCase{"host_table", "host_meta.value", "host_meta", "", ""},
        CraftedCase{"view", "qxzrn140_grp.clab", "qxzrn140_grp", "", ""},
        CraftedCase{"table_not_in_from", "qxzrn301.sequ", "qxzrn315", "", ""},
        CraftedCase{"second_statement_in_where", GROUPS, "qxzrn315",
                    "qxzrn315._index1 = " KEY "; DROP TABLE qxzrn301", ""},
        CraftedCase{"second_statement_in_from", GROUPS, "qxzrn315; DELETE FROM qxzrn301", "", ""},
        CraftedCase{"second_statement_in_order", GROUPS, "qxzrn315", "", "qxzrn315.grpi; DROP TABLE qxzrn315"},
        CraftedCase{"comment", GROUPS " -- ", "qxzrn315", "", ""},
        CraftedCase{"unterminated_brace", GROUPS, "qxzrn315", "qxzrn315._index1 = {'2','te'", ""},
        CraftedCase{"unterminated_value", GROUPS, "qxzrn315", "qxzrn315._index1 = {'2','te}", ""},
        CraftedCase{"unknown_index", GROUPS, "qxzrn315", "qxzrn315._index9 = {'2'}", ""},
        CraftedCase{"not_an_index", GROUPS, "qxzrn315", "qxzrn315.grpi = {'2'}", ""},
        CraftedCase{"too_many_values", GROUPS, "qxzrn315",
                    "qxzrn315._index1 = {'2','te','7.6','a3','dev','kwy','simpled',1,2}", ""},
        CraftedCase{"other_operator", GROUPS, "qxzrn315", "qxzrn315._index1 > {'2'}", ""},
        CraftedCase{"unknown_reference", "qxzrn301.sequ", "qxzrn301, qxzrn308",
                    "qxzrn301.cmbx REFERS TO qxzrn308 AND qxzrn301._index1 = " KEY, ""},
        CraftedCase{"join_without_reference", "qxzrn301.sequ", "qxzrn301, qxzrn308", "qxzrn301._index1 = " KEY, ""},
        CraftedCase{"reference_with_one_table", "qxzrn301.sequ", "qxzrn301", "qxzrn301.cmba REFERS TO qxzrn308", ""},
        CraftedCase{"three_tables", "qxzrn301.sequ", "qxzrn301, qxzrn308, qxzrn302", "", ""},
        CraftedCase{"unknown_order_column", GROUPS, "qxzrn315", "", "qxzrn315.nope"},
        CraftedCase{"two_order_columns", GROUPS, "qxzrn315", "", "qxzrn315.grpi, qxzrn315.labl"},
        CraftedCase{"empty_select", "", "qxzrn315", "", ""},
        CraftedCase{"star", "*", "qxzrn315", "", ""},
        CraftedCase{"function_call", "count(qxzrn315.grpi)", "qxzrn315", "", ""}),
    [](const ::testing::TestParamInfo<CraftedCase>& info) { return std::string(info.param.name); });

#undef GROUPS
#undef KEY

TEST_F(QueryFunctions, ValuesAreBoundNotPasted)
{
    const QString before = fingerprint();
    const int64_t set = openSet("qxzrn301");
    const int64_t id = define(set, QStringLiteral("qxzrn315.grpi"), QStringLiteral("qxzrn315"),
                              QStringLiteral("qxzrn315._index1 = {'2; DROP TABLE qxzrn315; --',\"x\"'}"), QString());
    EXPECT_EQ(fetch(set, id, 1, 5, 20).value, host::kQuerySyntaxError);
    const int64_t bound = define(set, QStringLiteral("qxzrn315.grpi"), QStringLiteral("qxzrn315"),
                                 QStringLiteral("qxzrn315._index1 = {'2) OR (1=1',-5}"), QString());
    EXPECT_EQ(fetch(set, bound, 1, 5, 20).value, 0);
    EXPECT_EQ(fingerprint(), before);
}

TEST(QueryMetadata, EveryIndexAndReferenceNamesColumnsTheSchemaHas)
{
    LocalHostEnvironment env;
    ASSERT_TRUE(env.ok()) << s(env.error());
    std::unique_ptr<host::HostDatabase> db = openHostDatabase(env.databasePath());
    ASSERT_TRUE(db);
    auto hasAll = [&](const QString& table, const QStringList& columns) {
        const std::optional<std::vector<host::TableColumn>> known = host::tableColumns(db->handle(), table);
        if (!known)
            return false;
        for (const QString& c : columns) {
            if (std::none_of(known->begin(), known->end(), [&](const host::TableColumn& k) { return k.name == c; }))
                return false;
        }
        return true;
    };
    for (const host::QueryIndex& i : host::queryIndexes())
        EXPECT_TRUE(hasAll(i.table, i.columns)) << s(i.table) << " index " << i.index;
    for (const host::QueryReference& r : host::queryReferences())
        EXPECT_TRUE(hasAll(r.table, r.columns) && hasAll(r.target, r.columns)) << s(r.table) << "." << s(r.name);
}
