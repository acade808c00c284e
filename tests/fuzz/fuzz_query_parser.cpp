// The local host's query parser on the four texts of a query (the input's pieces between
// NUL bytes). A query it reads, written out again plainly, reads as the same query.
#include "FuzzInput.h"

#include "query_parser.h"

namespace {

using namespace host::query;

QString columnText(const ColumnName& c) { return c.table + u'.' + c.column; }

// The query as the editor writes one.
QStringList written(const QueryText& q)
{
    QStringList select;
    for (const ColumnName& c : q.select)
        select << columnText(c);
    QStringList where;
    if (q.reference)
        where << q.reference->table + u'.' + q.reference->name + QStringLiteral(" REFERS TO ") + q.reference->target;
    if (q.match) {
        QStringList values;
        for (const KeyValue& v : q.match->values)
            values << (v.isNumber ? QString::number(v.number) : u'\'' + v.text + u'\'');
        where << q.match->table + QStringLiteral("._index") + QString::number(q.match->index) + QStringLiteral(" = {")
                     + values.join(u',') + u'}';
    }
    const QStringList from(q.from.begin(), q.from.end());
    return {select.join(QStringLiteral(", ")), from.join(u','), where.join(QStringLiteral(" AND ")),
            q.order ? columnText(*q.order) : QString()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QStringList texts = fuzz::parts(data, size);
    while (texts.size() < 4)
        texts << QString();
    QString why;
    const std::optional<QueryText> q = parseQuery(texts[0], texts[1], texts[2], texts[3], &why);
    if (!q) {
        FUZZ_CHECK(!why.isEmpty());
        return 0;
    }
    const QStringList again = written(*q);
    const std::optional<QueryText> read = parseQuery(again[0], again[1], again[2], again[3], &why);
    FUZZ_CHECK(read);
    FUZZ_CHECK(written(*read) == again);
    return 0;
}
