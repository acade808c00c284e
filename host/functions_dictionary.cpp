// Host functions of the data dictionary (domains, enums, tables and their fields)
// and the direct writes of field-input records.
//
// Bulk functions receive request records in a data set's layout, keys filled and
// answer slots blank, and give the buffer back with the answers in place.
#include "data_sets.h"
#include "dispatcher.h"
#include "functions.h"
#include "query_engine.h"
#include "host_database.h"
#include "host_error.h"
#include "host_transaction.h"
#include "sqlite_util.h"

#include <algorithm>
#include <optional>

namespace host {

namespace {

constexpr int kPackageWidth = 2;
// A table code: package, module and number ("tekwy001").
constexpr int kTableCodeWidth = 8;
// Records of the field lists: a table-qualified field name ("tekwy001.item").
constexpr int kFieldNameRecord = 18;

// Return values of the field-input writes besides 0.
constexpr int kRowExists = 1;
constexpr int kNoSuchRow = 2;

// The language of the host's user, for texts kept per language; "2" unless set.
QString userLanguage(sqlite3* db)
{
    CachedStatement st(db, QStringLiteral("SELECT value FROM host_meta WHERE key = 'user_language'"));
    const QString language = st->step() ? trimBlanks(st->text(0)) : QString();
    return language.isEmpty() ? QStringLiteral("2") : language;
}

// trimBlanks in place.
QStringView withoutBlanks(QStringView text)
{
    while (!text.isEmpty() && text.front() == QLatin1Char(' '))
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == QLatin1Char(' '))
        text.chop(1);
    return text;
}

// Host texts end at a Chr(1) in a record, so they cannot hold one.
QString hostText(const QString& text)
{
    QString t = text;
    return t.remove(datasets::kEndOfText);
}

struct Version {
    QString vers, rele, cust;
};

// Look-ups that name no version use the package's active version where the object
// exists there, else its newest version.
const char kVersionOrder[] = " ORDER BY coalesce(v.actv, 2), o.vers DESC, o.rele DESC, o.cust DESC LIMIT 1";

struct Domain {
    Version version;
    int64_t dtyp = 0, leng = 0, lene = 0, digb = 0, diga = 0, chkb = 2, segm = 2, yesv = 0;
    QString difo;
};

std::optional<Domain> findDomain(sqlite3* db, const QString& package, const QString& code)
{
    CachedStatement st(db, QStringLiteral("SELECT o.vers, o.rele, o.cust, o.dtyp, o.leng, o.lene, o.digb, o.diga,"
                                    " o.chkb, o.segm, o.yesv, o.difo FROM qxzrn400 o"
                                    " LEFT JOIN qxscm100 v ON v.cpac = o.cpac AND v.vers = o.vers"
                                    " AND v.rele = o.rele AND v.cust = o.cust"
                                    " WHERE o.cpac = ?1 AND o.cdom = ?2")
                         + QLatin1String(kVersionOrder));
    st->bind(1, package).bind(2, code);
    if (!st->step())
        return std::nullopt;
    Domain d;
    d.version = {st->text(0), st->text(1), st->text(2)};
    d.dtyp = st->int64(3);
    d.leng = st->int64(4);
    d.lene = st->int64(5);
    d.digb = st->int64(6);
    d.diga = st->int64(7);
    d.chkb = st->int64(8);
    d.segm = st->int64(9);
    d.yesv = st->int64(10);
    d.difo = st->text(11);
    return d;
}

// A domain code as sent: package and code in one text.
std::optional<Domain> findDomainByKey(sqlite3* db, const QString& packageAndCode, QString* package = nullptr,
                                      QString* code = nullptr)
{
    const QString p = trimBlanks(packageAndCode.left(kPackageWidth));
    const QString c = trimBlanks(packageAndCode.mid(kPackageWidth));
    if (package)
        *package = p;
    if (code)
        *code = c;
    return findDomain(db, p, c);
}

std::optional<Version> tableVersion(sqlite3* db, const QString& package, const QString& module, const QString& number)
{
    CachedStatement st(db, QStringLiteral("SELECT o.vers, o.rele, o.cust FROM qxzrn420 o"
                                    " LEFT JOIN qxscm100 v ON v.cpac = o.cpac AND v.vers = o.vers"
                                    " AND v.rele = o.rele AND v.cust = o.cust"
                                    " WHERE o.cpac = ?1 AND o.cmod = ?2 AND o.flno = ?3")
                         + QLatin1String(kVersionOrder));
    st->bind(1, package).bind(2, module).bind(3, number);
    if (!st->step())
        return std::nullopt;
    return Version{st->text(0), st->text(1), st->text(2)};
}

// A version the caller named, or the table's own when it named none.
std::optional<Version> namedOrTableVersion(sqlite3* db, const QString& package, const QString& module,
                                           const QString& number, const Version& named)
{
    if (!named.vers.isEmpty())
        return named;
    return tableVersion(db, package, module, number);
}

struct Table {
    QString package, module, number;
    QString code() const { return package + module + number; }
};

// "tekwy001" as package, module and number.
Table splitTable(const QString& code)
{
    const QString c = trimBlanks(code);
    return {c.left(2), c.mid(2, 3), c.mid(5)};
}

// Fills a field-list buffer with table-qualified names, as many as fit in it; the
// rest stays blank. Returns the number written.
int64_t fillFieldList(CallContext& c, int position, const QString& table, const QStringList& fields)
{
    QString buffer = c.text(position);
    const qsizetype room = buffer.size() / kFieldNameRecord;
    int64_t written = 0;
    for (const QString& field : fields) {
        if (written == room)
            break;
        const QString record =
            datasets::fixedWidth(table + QLatin1Char('.') + field, kFieldNameRecord);
        buffer.replace(written * kFieldNameRecord, kFieldNameRecord, record);
        ++written;
    }
    c.setText(position, buffer);
    return written;
}

QStringList column(Statement& st)
{
    QStringList values;
    while (st.step())
        values << st.text(0);
    return values;
}

// ---- Bulk requests -----------------------------------------------------------------

// get.domains("buffer"): "domainset" records keyed by package and domain code.
void getDomains(CallContext& c)
{
    c.requireCount(1);
    const QString request = c.text(1);
    const datasets::DataSetLayout& set = dataSetLayout("domainset");
    const int32_t bpc = hostBytesPerChar(c.handle());
    const int32_t length = datasets::recordLength(set, bpc);
    QString answer;
    const qsizetype records = request.size() / length;
    for (qsizetype i = 0; i < records; ++i) {
        const QString record = request.mid(i * length, length);
        if (trimBlanks(record).isEmpty()) {
            answer += record;
            continue;
        }
        datasets::RecordBuilder out(set, bpc);
        const QString key = record.left(datasets::fieldLength(set.fields.front(), bpc));
        out.set(QStringLiteral("pacd"), key);
        QString package, code;
        const std::optional<Domain> d = findDomainByKey(c.handle(), key, &package, &code);
        if (!d) {
            out.set(QStringLiteral("dtyp"), int64_t(-1));
            out.set(QStringLiteral("ncns"), int64_t(0));
            answer += out.record();
            continue;
        }
        CachedStatement count(c.handle(), QStringLiteral("SELECT count(*) FROM qxzrn401 WHERE cpac = ?1 AND cdom = ?2"
                                                   " AND vers = ?3 AND rele = ?4 AND cust = ?5"));
        count->bind(1, package).bind(2, code).bind(3, d->version.vers).bind(4, d->version.rele).bind(5, d->version.cust);
        count->step();
        out.set(QStringLiteral("dtyp"), d->dtyp);
        out.set(QStringLiteral("chkb"), d->chkb);
        out.set(QStringLiteral("difo"), d->difo);
        out.set(QStringLiteral("digb"), d->digb);
        out.set(QStringLiteral("diga"), d->diga);
        out.set(QStringLiteral("leng"), d->leng);
        out.set(QStringLiteral("difl"), d->lene);
        out.set(QStringLiteral("segm"), d->segm);
        out.set(QStringLiteral("ncns"), count->int64(0));
        answer += out.record();
    }
    c.setText(1, answer + request.mid(records * length));
    c.setReturnValue(int64_t(0));
}

// get.enum.set("buffer"): per domain a request record that starts with package and
// domain code and leaves room for the head (cpac, cdom, yesv) and for as many
// constants (cnst, ctnm, edes) as the domain has. The answer gives each domain its
// head and its constants, as many as there was room for, one after the other.
void getEnumSet(CallContext& c)
{
    c.requireCount(1);
    const QString request = c.text(1);
    const int32_t bpc = hostBytesPerChar(c.handle());
    const datasets::DataSetLayout& set = dataSetLayout("enum set");
    datasets::DataSetLayout head{set.number, set.name, {set.fields.begin(), set.fields.begin() + 3}};
    datasets::DataSetLayout constant{set.number, set.name, {set.fields.begin() + 3, set.fields.end()}};
    const int32_t headLength = datasets::recordLength(head, bpc);
    const int32_t constantLength = datasets::recordLength(constant, bpc);
    const QString language = userLanguage(c.handle());
    const int keyLength = int(datasets::fieldLength(head.fields[0], bpc) + datasets::fieldLength(head.fields[1], bpc));

    auto nonBlankFrom = [&request](qsizetype from) {
        while (from < request.size() && request.at(from) == QLatin1Char(' '))
            ++from;
        return from;
    };
    QString answer;
    for (qsizetype start = nonBlankFrom(0); start < request.size();) {
        const qsizetype next = nonBlankFrom(start + headLength);
        const qsizetype room = std::max<qsizetype>(0, (next - start - headLength) / constantLength);
        QString package, code;
        const std::optional<Domain> d = findDomainByKey(c.handle(), request.mid(start, keyLength), &package, &code);

        datasets::RecordBuilder h(head, bpc);
        h.set(QStringLiteral("cpac"), package);
        h.set(QStringLiteral("cdom"), code);
        h.set(QStringLiteral("yesv"), d ? d->yesv : int64_t(0));
        answer += h.record();
        if (d && room > 0) {
            CachedStatement st(c.handle(), QStringLiteral(
                "SELECT k.cnst, k.ctnm, coalesce((SELECT t.edes FROM qxzrn402 t"
                "  WHERE t.cpac = k.cpac AND t.cdom = k.cdom AND t.vers = k.vers AND t.rele = k.rele"
                "    AND t.cust = k.cust AND t.cnst = k.cnst ORDER BY t.clan <> ?6, t.clan <> '2' LIMIT 1), '')"
                " FROM qxzrn401 k WHERE k.cpac = ?1 AND k.cdom = ?2 AND k.vers = ?3 AND k.rele = ?4 AND k.cust = ?5"
                " ORDER BY k.cnst LIMIT ?7"));
            st->bind(1, package).bind(2, code).bind(3, d->version.vers).bind(4, d->version.rele);
            st->bind(5, d->version.cust).bind(6, language).bind(7, int64_t(room));
            while (st->step()) {
                datasets::RecordBuilder k(constant, bpc);
                k.set(QStringLiteral("cnst"), st->int64(0));
                k.set(QStringLiteral("ctnm"), st->text(1));
                k.set(QStringLiteral("edes"), hostText(st->text(2)));
                answer += k.compactRecord();
            }
        }
        start = next;
    }
    c.setText(1, answer);
    c.setReturnValue(int64_t(0));
}

// get.tablefield.set("package", "module", "number", "buffer"): "tabelveldset" records
// keyed by table and field name (8 + 8 characters). Fields of the named table get
// their dictionary data; any other record comes back with a blank domain package.
void getTableFieldSet(CallContext& c)
{
    c.requireCount(4);
    const Table main{c.trimmedText(1), c.trimmedText(2), c.trimmedText(3)};
    const QString request = c.text(4);
    const int32_t bpc = hostBytesPerChar(c.handle());
    const datasets::DataSetLayout& set = dataSetLayout("tabelveldset");
    const int32_t length = datasets::recordLength(set, bpc);
    const int keyLength = int(datasets::fieldLength(set.fields.front(), bpc));
    const std::optional<Version> version = tableVersion(c.handle(), main.package, main.module, main.number);

    QString answer;
    answer.reserve(request.size());
    // The answer of a field of another table: its key, nothing after it.
    const QString nothing = datasets::RecordBuilder(set, bpc).compactRecord().mid(keyLength);
    const QString mainTable = main.code();
    const qsizetype records = request.size() / length;
    for (qsizetype i = 0; i < records; ++i) {
        const QStringView keyText = QStringView(request).mid(i * length, keyLength);
        if (!version || withoutBlanks(keyText.left(kTableCodeWidth)) != mainTable
            || withoutBlanks(keyText.mid(kTableCodeWidth)).isEmpty()) {
            const qsizetype at = answer.size();
            answer.append(keyText);
            std::replace(answer.begin() + at, answer.end(), datasets::kEndOfText, QChar(u' '));
            answer += nothing;
            continue;
        }
        const QString key = keyText.toString();
        datasets::RecordBuilder out(set, bpc);
        out.set(QStringLiteral("fldn"), key);
        const QString field = trimBlanks(key.mid(kTableCodeWidth));
        if (version && trimBlanks(key.left(kTableCodeWidth)) == main.code() && !field.isEmpty()) {
            CachedStatement st(c.handle(), QStringLiteral("SELECT pacd, cdom, mand, rfpa, dept, iniv FROM qxzrn422"
                                                    " WHERE cpac = ?1 AND cmod = ?2 AND flno = ?3 AND vers = ?4"
                                                    " AND rele = ?5 AND cust = ?6 AND fdnm = ?7"));
            st->bind(1, main.package).bind(2, main.module).bind(3, main.number).bind(4, version->vers);
            st->bind(5, version->rele).bind(6, version->cust).bind(7, field);
            if (st->step()) {
                out.set(QStringLiteral("pacd"), st->text(0));
                out.set(QStringLiteral("cdom"), st->text(1));
                out.set(QStringLiteral("mand"), st->int64(2));
                out.set(QStringLiteral("pcrf"), st->text(3));
                out.set(QStringLiteral("nrel"), st->int64(4));
                out.set(QStringLiteral("iniv"), hostText(st->text(5)));
            }
        }
        out.appendCompactRecord(answer);
    }
    c.setText(4, answer);
    c.setReturnValue(int64_t(0));
}

// ---- Field lists -------------------------------------------------------------------

// get.index.fields("package", "module", "number", "version", "release", "customer", "buffer"):
// the fields of the table's indexes, each once; returns their number.
void getIndexFields(CallContext& c)
{
    c.requireCount(7);
    const Table t{c.trimmedText(1), c.trimmedText(2), c.trimmedText(3)};
    const std::optional<Version> v = namedOrTableVersion(c.handle(), t.package, t.module, t.number,
                                                         {c.trimmedText(4), c.trimmedText(5), c.trimmedText(6)});
    QStringList fields;
    if (v) {
        CachedStatement st(c.handle(), QStringLiteral("SELECT fdnm FROM qxzrn421 WHERE cpac = ?1 AND cmod = ?2 AND flno = ?3"
                                                " AND vers = ?4 AND rele = ?5 AND cust = ?6"
                                                " GROUP BY fdnm ORDER BY min(indx * 10000 + sequ)"));
        st->bind(1, t.package).bind(2, t.module).bind(3, t.number).bind(4, v->vers).bind(5, v->rele).bind(6, v->cust);
        fields = column(*st);
    }
    c.setReturnValue(fillFieldList(c, 7, t.code(), fields));
}

// get.view.fields("package", "module", "session", "table package", "table module",
// "table number", "version", "release", "customer", "buffer"): the fields of the main
// table that the session's overview shows; returns their number.
void getViewFields(CallContext& c)
{
    c.requireCount(10);
    const Table t{c.trimmedText(4), c.trimmedText(5), c.trimmedText(6)};
    CachedStatement st(c.handle(), QStringLiteral("SELECT fdnm FROM qxzrn205 WHERE cpac = ?1 AND cmod = ?2 AND cses = ?3"
                                            " AND vers = ?4 AND rele = ?5 AND cust = ?6 AND tabl = ?7 ORDER BY sequ"));
    st->bind(1, c.trimmedText(1)).bind(2, c.trimmedText(2)).bind(3, c.trimmedText(3));
    st->bind(4, c.trimmedText(7)).bind(5, c.trimmedText(8)).bind(6, c.trimmedText(9)).bind(7, t.code());
    c.setReturnValue(fillFieldList(c, 10, t.code(), column(*st)));
}

// get.combined.fields("table.field", "buffer"): the parts of a combined field; returns
// their number.
void getCombinedFields(CallContext& c)
{
    c.requireCount(2);
    const QString name = c.trimmedText(1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const Table t = splitTable(name.left(dot < 0 ? 0 : dot));
    const QString field = dot < 0 ? QString() : trimBlanks(name.mid(dot + 1));
    QStringList parts;
    if (const std::optional<Version> v = tableVersion(c.handle(), t.package, t.module, t.number)) {
        CachedStatement st(c.handle(), QStringLiteral("SELECT part FROM qxzrn423 WHERE cpac = ?1 AND cmod = ?2 AND flno = ?3"
                                                " AND vers = ?4 AND rele = ?5 AND cust = ?6 AND fdnm = ?7"
                                                " ORDER BY sequ"));
        st->bind(1, t.package).bind(2, t.module).bind(3, t.number).bind(4, v->vers).bind(5, v->rele);
        st->bind(6, v->cust).bind(7, field);
        parts = column(*st);
    }
    c.setReturnValue(fillFieldList(c, 2, t.code(), parts));
}

// ---- Single look-ups ---------------------------------------------------------------

// vrok.format(dataType, "format", first, second): the characters a value takes in the
// display format, which is as long as the format itself; without a format, first.
void vrokFormat(CallContext& c)
{
    c.requireCount(4);
    c.number(1);
    const QString format = trimBlanks(c.text(2));
    c.number(4);
    c.setReturnValue(format.isEmpty() ? c.number(3) : int64_t(format.size()));
}

// get.tablefield.info("package", "module", "number", "version", "release", "customer",
// "field", domainPackage, domainCode, mandatory, label, reference, elements, active,
// combined, initialValue): 0 and the outs 8 to 16 for a field of the table, 1 else.
// The reference is the whole referenced table code.
void getTableFieldInfo(CallContext& c)
{
    c.requireCount(16);
    const Table t{c.trimmedText(1), c.trimmedText(2), c.trimmedText(3)};
    const std::optional<Version> v = namedOrTableVersion(c.handle(), t.package, t.module, t.number,
                                                         {c.trimmedText(4), c.trimmedText(5), c.trimmedText(6)});
    if (!v) {
        c.setReturnValue(int64_t(1));
        return;
    }
    CachedStatement st(c.handle(), QStringLiteral("SELECT pacd, cdom, mand, clab, rfpa || rfmo || rffn, dept, acti, comb,"
                                            " iniv FROM qxzrn422 WHERE cpac = ?1 AND cmod = ?2 AND flno = ?3"
                                            " AND vers = ?4 AND rele = ?5 AND cust = ?6 AND fdnm = ?7"));
    st->bind(1, t.package).bind(2, t.module).bind(3, t.number).bind(4, v->vers).bind(5, v->rele).bind(6, v->cust);
    st->bind(7, c.trimmedText(7));
    if (!st->step()) {
        c.setReturnValue(int64_t(1));
        return;
    }
    c.setText(8, st->text(0));
    c.setText(9, st->text(1));
    c.setNumber(10, st->int64(2));
    c.setText(11, st->text(3));
    c.setText(12, st->text(4));
    c.setNumber(13, st->int64(5));
    c.setNumber(14, st->int64(6));
    c.setNumber(15, st->int64(7));
    c.setText(16, st->text(8));
    c.setReturnValue(int64_t(0));
}

// get.field.info("set.field", position, length, 0): the field's position in its data
// set, its declared length and its type; 1 for a field no data set has.
void getFieldInfo(CallContext& c)
{
    c.requireCount(4);
    const QString name = c.trimmedText(1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const datasets::DataSetLayout* set = dot < 0 ? nullptr : datasets::findLayout(name.left(dot));
    if (set) {
        const QString code = name.mid(dot + 1);
        for (size_t i = 0; i < set->fields.size(); ++i) {
            if (set->fields[i].code != code)
                continue;
            c.setNumber(2, int64_t(i) + 1);
            c.setNumber(3, set->fields[i].declaredLength);
            c.setNumber(4, set->fields[i].type);
            c.setReturnValue(int64_t(0));
            return;
        }
    }
    c.setReturnValue(int64_t(1));
}

// get.domain.info("domain", dataType, flag, "format", 0, 0, 0, 0): data type, check-box
// flag, display format, digits before and after the point, length and display length.
// An unknown domain answers data type -1 and 1.
void getDomainInfo(CallContext& c)
{
    c.requireCount(8);
    const std::optional<Domain> d = findDomainByKey(c.handle(), c.text(1));
    if (!d) {
        c.setNumber(2, -1);
        c.setReturnValue(int64_t(1));
        return;
    }
    c.setNumber(2, d->dtyp);
    c.setNumber(3, d->chkb == 1 ? 1 : 0);
    c.setText(4, d->difo);
    c.setNumber(5, d->digb);
    c.setNumber(6, d->diga);
    c.setNumber(7, d->leng);
    c.setNumber(8, d->lene);
    c.setReturnValue(int64_t(0));
}

// check.table.exists("package", "module", "number"): 1 when the table exists, else 0.
void checkTableExists(CallContext& c)
{
    c.requireCount(3);
    const bool exists = tableVersion(c.handle(), c.trimmedText(1), c.trimmedText(2), c.trimmedText(3)).has_value();
    c.setReturnValue(int64_t(exists ? 1 : 0));
}

// ---- Field-input records -----------------------------------------------------------

// insert.qxzrn302 / update.qxzrn302("language", "package", "module", "form", "version",
// "release", "customer", field, sync, "input reference", "default"): sync is 1 or 2.
// The write joins the open host transaction.
struct InputRecord {
    QString clan, cpac, cmod, cfrm, vers, rele, cust;
    int64_t sequ = 0, sync = 0;
    QString inpc, defa;
};

InputRecord inputRecord(CallContext& c)
{
    c.requireCount(11);
    InputRecord r{c.trimmedText(1), c.trimmedText(2), c.trimmedText(3), c.trimmedText(4), c.trimmedText(5),
                  c.trimmedText(6), c.trimmedText(7), c.number(8), c.number(9), c.text(10), c.text(11)};
    if (r.sync != 1 && r.sync != 2)
        throw HostError(kErrBadArgument, QStringLiteral("the sync flag is %1, not 1 or 2").arg(r.sync));
    return r;
}

Statement& bindKey(Statement& st, const InputRecord& r)
{
    return st.bind(1, r.clan).bind(2, r.cpac).bind(3, r.vers).bind(4, r.rele).bind(5, r.cust).bind(6, r.cmod)
        .bind(7, r.cfrm).bind(8, r.sequ);
}

const char kInputKey[] = "clan = ?1 AND cpac = ?2 AND vers = ?3 AND rele = ?4 AND cust = ?5 AND cmod = ?6"
                         " AND cfrm = ?7 AND sequ = ?8";

void insertQxzrn302(CallContext& c)
{
    const InputRecord r = inputRecord(c);
    joinHostTransaction(c.db());
    CachedStatement exists(c.handle(), QStringLiteral("SELECT 1 FROM qxzrn302 WHERE ") + QLatin1String(kInputKey));
    if (bindKey(*exists, r).step()) {
        c.setReturnValue(int64_t(kRowExists));
        return;
    }
    CachedStatement st(c.handle(), QStringLiteral("INSERT INTO qxzrn302 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ,"
                                            " za_prop, inpc, defa)"
                                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)"));
    bindKey(*st, r).bind(9, r.sync).bind(10, r.inpc).bind(11, r.defa).exec();
    c.setReturnValue(int64_t(0));
}

void updateQxzrn302(CallContext& c)
{
    const InputRecord r = inputRecord(c);
    joinHostTransaction(c.db());
    CachedStatement st(c.handle(), QStringLiteral("UPDATE qxzrn302 SET za_prop = ?9, inpc = ?10, defa = ?11 WHERE ")
                                 + QLatin1String(kInputKey));
    bindKey(*st, r).bind(9, r.sync).bind(10, r.inpc).bind(11, r.defa).exec();
    CachedStatement changed(c.handle(), QStringLiteral("SELECT changes()"));
    changed->step();
    c.setReturnValue(int64_t(changed->int64(0) == 0 ? kNoSuchRow : 0));
}

} // namespace

void registerDictionaryFunctions(Dispatcher& d)
{
    d.add(kObjectDllExtInt, QStringLiteral("get.domains("), getDomains);
    d.add(kObjectDllExtInt, QStringLiteral("get.enum.set("), getEnumSet);
    d.add(kObjectDllExtInt, QStringLiteral("get.tablefield.set("), getTableFieldSet);
    d.add(kObjectDllExtInt, QStringLiteral("get.index.fields("), getIndexFields);
    d.add(kObjectDllExtInt, QStringLiteral("get.view.fields("), getViewFields);
    d.add(kObjectDllExtInt, QStringLiteral("get.combined.fields("), getCombinedFields);
    d.add(kObjectDllExtInt, QStringLiteral("vrok.format("), vrokFormat);
    d.add(kObjectDllExtInt, QStringLiteral("get.tablefield.info("), getTableFieldInfo);
    d.add(kObjectDllExtInt, QStringLiteral("get.field.info("), getFieldInfo);
    d.add(kObjectDllExtInt, QStringLiteral("get.domain.info("), getDomainInfo);
    d.add(kObjectDllExtInt, QStringLiteral("check.table.exists("), checkTableExists);
    d.add(kObjectDllExtInt, QStringLiteral("insert.qxzrn302("), insertQxzrn302);
    d.add(kObjectDllExtInt, QStringLiteral("update.qxzrn302("), updateQxzrn302);
}

} // namespace host
