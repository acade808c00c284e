// Host functions of sessions, form types, existence look-ups and the form tools.
//
// Look-ups that name no version find the object in the current version of its package
// (qxscm100.actv) first, then in the newest other one; mode 1 looks in the current
// version only. Found: return value 0 and the version in the by-reference positions;
// not found: 1 and those positions as sent.
#include "data_sets.h"
#include "dispatcher.h"
#include "form_dump.h"
#include "functions.h"
#include "query_engine.h"
#include "host_error.h"
#include "session_windows.h"
#include "sqlite_util.h"

#include <QDir>
#include <QSet>
#include <QSaveFile>
#include <QStandardPaths>

#include <optional>

namespace host {

namespace {

constexpr int64_t kFound = 0;
constexpr int64_t kNotFound = 1;
constexpr int64_t kNothingChosen = -1;

// A by-reference text filled as the host fills a placeholder: padded to the width
// sent, never cut.
void setField(CallContext& c, int position, const QString& value)
{
    c.setText(position, trimBlanks(value).leftJustified(c.text(position).size(), QLatin1Char(' ')));
}

// The look-up every *.vrc function makes: the key texts at positions 1..keys name the
// row of table (where binds them as ?1..), the mode follows them and the version columns
// go to the three positions after the mode. Sets the return value; the found row holds
// the version columns first, then columns.
std::optional<Statement> findInVersion(CallContext& c, const QString& table, const QString& columns,
                                       const QString& where, int keys)
{
    QString sql = QStringLiteral("SELECT t.vers, t.rele, t.cust");
    if (!columns.isEmpty())
        sql += QStringLiteral(", ") + columns;
    sql += QStringLiteral(" FROM %1 t LEFT JOIN qxscm100 v"
                          " ON trim(v.cpac) = trim(t.cpac) AND trim(v.vers) = trim(t.vers)"
                          " AND trim(v.rele) = trim(t.rele) AND trim(v.cust) = trim(t.cust)"
                          " WHERE %2")
               .arg(table, where);
    if (c.number(keys + 1) == 1)
        sql += QStringLiteral(" AND v.actv = 1");
    sql += QStringLiteral(" ORDER BY coalesce(v.actv, 2), t.vers DESC, t.rele DESC, t.cust DESC LIMIT 1");
    Statement st(c.handle(), sql);
    for (int p = 1; p <= keys; ++p)
        st.bind(p, c.trimmedText(p));
    if (!st.step()) {
        c.setReturnValue(kNotFound);
        return std::nullopt;
    }
    for (int i = 0; i < 3; ++i)
        setField(c, keys + 2 + i, st.text(i));
    c.setReturnValue(kFound);
    return st;
}

// get.domain.vrc("package","domain",mode,"vers","rele","cust","desc")
void getDomainVrc(CallContext& c)
{
    c.requireCount(7);
    if (auto row = findInVersion(c, QStringLiteral("qxzrn400"), QStringLiteral("t.desc"),
                                 QStringLiteral("trim(t.cpac) = ?1 AND trim(t.cdom) = ?2"), 2))
        setField(c, 7, row->text(3));
}

// get.menu.vrc("language","package","module","menu","parm",mode,"vers","rele","cust")
void getMenuVrc(CallContext& c)
{
    c.requireCount(9);
    findInVersion(c, QStringLiteral("qxzrn360"), QString(),
                  QStringLiteral("trim(t.clan) = ?1 AND trim(t.cpac) = ?2 AND trim(t.cmod) = ?3"
                                 " AND trim(t.cmen) = ?4 AND trim(t.parm) = ?5"),
                  5);
}

// get.session.vrc("package","module","session",mode,"vers","rele","cust","mpac","mmod",
//                 "mfln",startMode,"cmop","cprs")
void getSessionVrc(CallContext& c)
{
    c.requireCount(13);
    c.number(11);
    auto row = findInVersion(c, QStringLiteral("qxzrn200"),
                             QStringLiteral("t.mpac, t.mmod, t.mfln, t.stsc, t.cmop, t.cprs"),
                             QStringLiteral("trim(t.cpac) = ?1 AND trim(t.cmod) = ?2 AND trim(t.cses) = ?3"), 3);
    if (!row)
        return;
    setField(c, 8, row->text(3));
    setField(c, 9, row->text(4));
    setField(c, 10, row->text(5));
    c.setNumber(11, row->int64(6));
    setField(c, 12, row->text(7));
    setField(c, 13, row->text(8));
}

// get.session.info("package","module","session","vers","rele","cust","mpac","mmod",
//                  "mfln",startMode,"cmop","cprs"): the session in exactly that version.
void getSessionInfo(CallContext& c)
{
    c.requireCount(12);
    c.number(10);
    Statement st(c.handle(), QStringLiteral("SELECT mpac, mmod, mfln, stsc, cmop, cprs FROM qxzrn200"
                                            " WHERE trim(cpac) = ?1 AND trim(cmod) = ?2 AND trim(cses) = ?3"
                                            " AND trim(vers) = ?4 AND trim(rele) = ?5 AND trim(cust) = ?6"));
    for (int p = 1; p <= 6; ++p)
        st.bind(p, c.trimmedText(p));
    if (!st.step()) {
        c.setReturnValue(kNotFound);
        return;
    }
    setField(c, 7, st.text(0));
    setField(c, 8, st.text(1));
    setField(c, 9, st.text(2));
    c.setNumber(10, st.int64(3));
    setField(c, 11, st.text(4));
    setField(c, 12, st.text(5));
    c.setReturnValue(kFound);
}

// check.form.type("language","package","module","form","vers","rele","cust"):
// 0 for a form of the editor's own type, 1 for another type, 2 for no such form.
void checkFormType(CallContext& c)
{
    c.requireCount(7);
    Statement st(c.handle(), QStringLiteral("SELECT ftyp FROM qxzrn300"
                                            " WHERE trim(clan) = ?1 AND trim(cpac) = ?2 AND trim(cmod) = ?3"
                                            " AND trim(cfrm) = ?4 AND trim(vers) = ?5 AND trim(rele) = ?6"
                                            " AND trim(cust) = ?7"));
    for (int p = 1; p <= 7; ++p)
        st.bind(p, c.trimmedText(p));
    c.setReturnValue(!st.step() ? int64_t(2) : st.int64(0) == 1 ? kFound : kNotFound);
}

// get.message.vrc / get.question.vrc("language","package","code",mode,"vers","rele",
// "cust","text"): messages in qxzrn450, questions in qxzrn451.
void getTextVrc(CallContext& c, const QString& table)
{
    c.requireCount(8);
    if (auto row = findInVersion(c, table, QStringLiteral("t.mess"),
                                 QStringLiteral("trim(t.clan) = ?1 AND trim(t.cpac) = ?2 AND trim(t.cmes) = ?3"), 3))
        setField(c, 8, row->text(3));
}

// get.table.vrc("package","module","number",mode,"vers","rele","cust")
void getTableVrc(CallContext& c)
{
    c.requireCount(7);
    findInVersion(c, QStringLiteral("qxzrn420"), QString(),
                  QStringLiteral("trim(t.cpac) = ?1 AND trim(t.cmod) = ?2 AND trim(t.flno) = ?3"), 3);
}

// check.runtime.form.vrc("session","vers","rele","cust"): the session is package (2),
// module (3) and session code written together. 1 when the host can run it: in the
// version sent, or, when the session is not there, in the version that one derives
// from (its origin in the same package, and that one's origin in turn); the version it
// runs in then comes back in positions 2 to 4. 0 when there is none, positions as sent.
void checkRuntimeFormVrc(CallContext& c)
{
    c.requireCount(4);
    const QString session = c.text(1);
    const QString package = trimBlanks(session.left(2));
    Statement found(c.handle(), QStringLiteral("SELECT 1 FROM qxzrn200"
                                               " WHERE trim(cpac) = ?1 AND trim(cmod) = ?2 AND trim(cses) = ?3"
                                               " AND trim(vers) = ?4 AND trim(rele) = ?5 AND trim(cust) = ?6"));
    Statement origin(c.handle(), QStringLiteral("SELECT orve, orre, orcu FROM qxscm100"
                                                " WHERE trim(cpac) = ?1 AND trim(orpa) = ?1 AND trim(vers) = ?2"
                                                " AND trim(rele) = ?3 AND trim(cust) = ?4"));
    QStringList version{c.trimmedText(2), c.trimmedText(3), c.trimmedText(4)};
    QSet<QStringList> seen;
    while (!seen.contains(version)) {
        seen.insert(version);
        found.reset();
        found.bind(1, package).bind(2, trimBlanks(session.mid(2, 3))).bind(3, trimBlanks(session.mid(5)));
        found.bind(4, version[0]).bind(5, version[1]).bind(6, version[2]);
        if (found.step()) {
            if (seen.size() > 1) {
                for (int i = 0; i < 3; ++i)
                    setField(c, 2 + i, version[i]);
            }
            c.setReturnValue(int64_t(1));
            return;
        }
        origin.reset();
        origin.bind(1, package).bind(2, version[0]).bind(3, version[1]).bind(4, version[2]);
        if (!origin.step())
            break;
        version = {trimBlanks(origin.text(0)), trimBlanks(origin.text(1)), trimBlanks(origin.text(2))};
    }
    c.setReturnValue(int64_t(0));
}

// ---- start.vrok.session ------------------------------------------------------------

QList<FormEntry> listForms(sqlite3* db)
{
    Statement st(db, QStringLiteral("SELECT cpac, cmod, cfrm, clan, vers, rele, cust, lanl, desc FROM qxzrn300"
                                    " ORDER BY cpac, cmod, cfrm, clan, vers, rele, cust"));
    QList<FormEntry> forms;
    while (st.step()) {
        FormEntry e;
        e.form = FormIdentity{st.text(0), st.text(1), st.text(2), st.text(3), st.text(4), st.text(5), st.text(6)}
                     .trimmed();
        e.labelLanguage = trimBlanks(st.text(7));
        e.description = trimBlanks(st.text(8));
        forms.append(e);
    }
    return forms;
}

// The key fields of a "qxzrn300" start record (the fixed fields before the first
// host text); a short record reads as blanks.
FormIdentity startForm(const QString& record, int32_t bpc)
{
    QHash<QString, QString> values;
    int at = 0;
    for (const datasets::FieldLayout& f : dataSetLayout("qxzrn300").fields) {
        if (f.type != datasets::Fixed)
            break;
        const int width = datasets::fieldLength(f, bpc);
        values.insert(f.code, trimBlanks(record.mid(at, width)));
        at += width;
    }
    return FormIdentity{values.value(QStringLiteral("cpac")), values.value(QStringLiteral("cmod")),
                        values.value(QStringLiteral("cfrm")), values.value(QStringLiteral("clan")),
                        values.value(QStringLiteral("vers")), values.value(QStringLiteral("rele")),
                        values.value(QStringLiteral("cust"))};
}

// A blank part of the key matches any value; a key of blanks matches nothing.
bool matchesKey(const FormIdentity& f, const FormIdentity& key)
{
    const QString parts[] = {f.package, f.module, f.formCode, f.language, f.version, f.release, f.customer};
    const QString keys[] = {key.package, key.module, key.formCode, key.language, key.version, key.release,
                            key.customer};
    bool any = false;
    for (int i = 0; i < 7; ++i) {
        if (keys[i].isEmpty())
            continue;
        if (keys[i] != parts[i])
            return false;
        any = true;
    }
    return any;
}

// The form's record with the fields asked for (" ,"-separated codes; all when none).
QString formRecord(const FormEntry& e, const QString& fieldList, int32_t bpc)
{
    const QHash<QString, QString> values = {
        {QStringLiteral("clan"), e.form.language}, {QStringLiteral("cpac"), e.form.package},
        {QStringLiteral("cmod"), e.form.module},   {QStringLiteral("cfrm"), e.form.formCode},
        {QStringLiteral("vers"), e.form.version},  {QStringLiteral("rele"), e.form.release},
        {QStringLiteral("cust"), e.form.customer}, {QStringLiteral("lanl"), e.labelLanguage},
        {QStringLiteral("desc"), e.description}};
    QStringList codes;
    for (const QString& code : fieldList.split(QLatin1Char(','))) {
        if (!code.trimmed().isEmpty())
            codes << code.trimmed();
    }
    if (codes.isEmpty())
        codes = values.keys();
    datasets::RecordBuilder builder(dataSetLayout("qxzrn300"), bpc);
    for (const QString& code : codes)
        builder.set(code, values.value(code));  // codes the layout lacks stay out
    return builder.record();
}

std::optional<QString> answerOf(CallContext& c, SessionRequest& r)
{
    const bool browser = r.session == kFormBrowserSession;
    std::optional<ScriptedAnswer> scripted = takeScriptedAnswer();
    if (scripted) {
        if (const QString* record = std::get_if<QString>(&*scripted))
            return *record;
        const FormIdentity* chosen = std::get_if<FormIdentity>(&*scripted);
        if (!chosen)
            return std::nullopt;
        for (const FormEntry& e : listForms(c.handle())) {
            if (e.form == chosen->trimmed())
                return formRecord(e, r.fields, hostBytesPerChar(c.handle()));
        }
        return std::nullopt;
    }
    const SessionPresenter& presenter = sessionPresenter();
    if (!browser) {
        const int32_t bpc = hostBytesPerChar(c.handle());
        const std::optional<LookUpTable> rows = lookUpTable(c.handle(), r.table, r.startRecord, bpc);
        if (!rows) {
            if (presenter.showSession)
                presenter.showSession(r);
            return std::nullopt;
        }
        const std::optional<int> chosen = presenter.chooseRow ? presenter.chooseRow(r, *rows) : std::nullopt;
        if (!chosen || *chosen < 0 || *chosen >= rows->rows.size())
            return std::nullopt;
        return lookUpRecord(*rows, *chosen, r.fields, bpc);
    }
    if (!presenter.chooseForm)
        return std::nullopt;
    const int32_t bpc = hostBytesPerChar(c.handle());
    const QList<FormEntry> forms = listForms(c.handle());
    const FormIdentity start = startForm(r.startRecord, bpc);
    int startIndex = -1;
    for (int i = 0; i < forms.size() && startIndex < 0; ++i) {
        if (matchesKey(forms[i].form, start))
            startIndex = i;
    }
    const std::optional<int> chosen = presenter.chooseForm(forms, startIndex);
    if (!chosen || *chosen < 0 || *chosen >= forms.size())
        return std::nullopt;
    return formRecord(forms[*chosen], r.fields, bpc);
}

// start.vrok.session("session","table","start record",mode,"fields","record","language"):
// 0 with the chosen record in position 6, or -1 with position 6 as sent. A session
// started in a language answers in position 7 the one it ended in, chosen or not.
void startVrokSession(CallContext& c)
{
    c.requireCount(7);
    c.text(6);
    SessionRequest r{c.trimmedText(1), c.trimmedText(2), c.text(3), c.number(4), c.text(5), c.trimmedText(7)};
    recordSessionRequest(r);
    const QString language = r.language;
    const std::optional<QString> record = answerOf(c, r);
    // A language is one character; a window that cleared it switched nothing.
    r.language = trimBlanks(r.language);
    if (!language.isEmpty() && r.language.size() == 1 && r.language != language)
        c.setText(7, r.language);
    if (!record) {
        c.setReturnValue(kNothingChosen);
        return;
    }
    c.setText(6, *record);
    c.setReturnValue(kFound);
}

// ---- form tools ----------------------------------------------------------------------

QString dumpDirectory()
{
    QString dir = qEnvironmentVariable("PALIMOR_HOST_DUMP_DIR");
    if (!dir.isEmpty())
        return dir;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/palimor/dumps");
}

// A file name from the identity's parts; anything but letters, digits, "." and "-"
// becomes "_", so a part can never leave the directory.
QString dumpFileName(const FormIdentity& f)
{
    QString name = QStringList{f.package, f.module, f.formCode, f.language, f.version, f.release, f.customer}
                       .join(QLatin1Char('_'));
    for (QChar& ch : name) {
        if (!(ch.isLetterOrNumber() && ch.unicode() < 128) && ch != QLatin1Char('.') && ch != QLatin1Char('-'))
            ch = QLatin1Char('_');
    }
    return name + QStringLiteral(".txt");
}

// ext.dump.form("package","module","form","language","vers","rele","cust"):
// 0 when the dump was written, 1 when the form has no rows, 2 when it cannot be written.
void extDumpForm(CallContext& c)
{
    c.requireCount(7);
    const FormIdentity form = FormIdentity{c.text(1), c.text(2), c.text(3), c.text(4),
                                           c.text(5), c.text(6), c.text(7)}
                                  .trimmed();
    const QString dir = dumpDirectory();
    // Unbuffered, so that a failed write (a full disk) shows here: the commit would
    // rename a cut-off file over the last dump after a failed flush. Written in parts
    // as the rows are read, not held whole: the dump of a large form runs to megabytes.
    QSaveFile file(QDir(dir).filePath(dumpFileName(form)));
    bool started = false;
    bool written = false;
    QByteArray part;
    const auto writePart = [&] {
        written = written && file.write(part) == part.size();
        part.clear();
    };
    const bool any = dumpFormLines(c.handle(), form, [&](const QString& line) {
        if (!started) {  // the first line: the form has rows
            started = true;
            written = QDir().mkpath(dir) && file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        }
        part += line.toUtf8();
        part += '\n';
        if (part.size() >= 64 * 1024)
            writePart();
    });
    if (!any) {
        c.setReturnValue(int64_t(1));
        return;
    }
    writePart();
    written = written && file.commit();
    c.setReturnValue(int64_t(written ? 0 : 2));
}

// ext.edit.script("package","module","script"): the host's script editor on a program
// script. The local host edits no scripts: it shows the program scripts with this one
// picked out, as it shows the table of a look-up session, and takes a scripted answer
// instead as a session start does. 0 when it knows the script, 1 when not.
void extEditScript(CallContext& c)
{
    c.requireCount(3);
    const ScriptEditRequest script{c.trimmedText(1), c.trimmedText(2), c.trimmedText(3)};
    recordScriptEditRequest(script);
    const QString table = QStringLiteral("qxzrn230");
    const int32_t bpc = hostBytesPerChar(c.handle());
    datasets::RecordBuilder start(dataSetLayout("qxzrn230"), bpc);
    start.set(QStringLiteral("cpac"), script.package);
    start.set(QStringLiteral("cmod"), script.module);
    start.set(QStringLiteral("cprs"), script.script);
    SessionRequest request{QStringLiteral("Program script %1").arg(script.script), table, start.record(), 0,
                           QString(), QString()};
    const std::optional<LookUpTable> rows = lookUpTable(c.handle(), table, request.startRecord, bpc);
    const QHash<QString, QString> row = rows && rows->start >= 0 ? rows->values[rows->start] : QHash<QString, QString>();
    const bool known = !row.isEmpty() && row.value(QStringLiteral("cpac")) == script.package
                       && row.value(QStringLiteral("cmod")) == script.module
                       && row.value(QStringLiteral("cprs")) == script.script;
    if (!takeScriptedAnswer() && rows && sessionPresenter().chooseRow)
        sessionPresenter().chooseRow(request, *rows);  // a row chosen there changes nothing
    c.setReturnValue(int64_t(known ? 0 : 1));
}

} // namespace

void registerSessionFunctions(Dispatcher& d)
{
    d.add(kObjectDllExtInt, QStringLiteral("get.domain.vrc("), getDomainVrc);
    d.add(kObjectDllExtInt, QStringLiteral("get.menu.vrc("), getMenuVrc);
    d.add(kObjectDllExtInt, QStringLiteral("get.session.vrc("), getSessionVrc);
    d.add(kObjectDllExtInt, QStringLiteral("get.session.info("), getSessionInfo);
    d.add(kObjectDllExtInt, QStringLiteral("check.form.type("), checkFormType);
    d.add(kObjectDllExtInt, QStringLiteral("get.message.vrc("),
          [](CallContext& c) { getTextVrc(c, QStringLiteral("qxzrn450")); });
    d.add(kObjectDllExtInt, QStringLiteral("get.question.vrc("),
          [](CallContext& c) { getTextVrc(c, QStringLiteral("qxzrn451")); });
    d.add(kObjectDllExtInt, QStringLiteral("get.table.vrc("), getTableVrc);
    d.add(kObjectDllExtInt, QStringLiteral("check.runtime.form.vrc("), checkRuntimeFormVrc);
    d.add(kObjectDllExtInt, QStringLiteral("start.vrok.session("), startVrokSession);
    d.add(kObjectDllExtInt, QStringLiteral("ext.dump.form("), extDumpForm);
    d.add(kObjectDllExtInt, QStringLiteral("ext.edit.script("), extEditScript);
}

} // namespace host
