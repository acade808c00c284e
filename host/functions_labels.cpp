// Host functions of labels, group labels, messages, technical documentation, icons
// and pictures. Texts are kept per language; a function answers only the language
// it is asked for.
#include "functions_labels.h"

#include "data_sets.h"
#include "dispatcher.h"
#include "functions.h"
#include "query_engine.h"
#include "host_database.h"
#include "host_error.h"
#include "host_transaction.h"
#include "sqlite_util.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sqlite3.h>

#include <algorithm>

namespace host {

namespace {

// A request buffer never holds more than this, as the host's own buffers.
constexpr int kBufferLimit = 4050;
// A message the host does not have: the code, blank-filled to 15, then this.
const QString kMissingMessageMark = QStringLiteral("??????????");
constexpr int kMissingMarkPosition = 15;

// Answers of get.label and search.existing.labels.
enum : int64_t { LabelFound = 0, LabelMissing = 1, LabelDoesNotFit = 2 };
// Answers of insert.qxzrn140.
enum : int64_t { InsertDone = 0, InsertExists = 1, InsertInvalid = 2 };

LabelPresenter& presenter()
{
    static LabelPresenter p;
    return p;
}

// A buffer argument, refused when it is longer than the host takes.
QString bufferArgument(const CallContext& c, int position)
{
    QString buffer = c.text(position);
    if (c.call().arg(position).raw.size() > kBufferLimit)
        throw HostError(kErrBadArgument, QStringLiteral("%1 buffer of %2 characters is longer than %3")
                                             .arg(c.call().function)
                                             .arg(c.call().arg(position).raw.size())
                                             .arg(kBufferLimit));
    return buffer;
}

bool isBlank(const QString& text)
{
    for (QChar ch : text)
        if (ch != QLatin1Char(' ') && ch != datasets::kEndOfText)
            return false;
    return true;
}

// The request records of a buffer: slots of the full record length, as the editor
// builds them (the host-text fields blank or ended by Chr(1)). A blank rest ends them.
class RequestRecords {
public:
    RequestRecords(const datasets::DataSetLayout& set, int32_t bytesPerChar, const QString& buffer)
        : set_(set), bytesPerChar_(bytesPerChar)
    {
        const int length = datasets::recordLength(set, bytesPerChar);
        for (int pos = 0; pos < buffer.size() && !isBlank(buffer.mid(pos)); pos += length)
            records_ << buffer.mid(pos, length);
    }
    const QStringList& records() const { return records_; }
    // A fixed field of a request record, trimmed of blanks.
    QString field(const QString& record, const QString& code) const
    {
        int offset = 0;
        for (const datasets::FieldLayout& f : set_.fields) {
            const int length = datasets::fieldLength(f, bytesPerChar_);
            if (f.code == code)
                return trimBlanks(record.mid(offset, length));
            offset += length + (f.type == datasets::HostText ? 1 : 0);
        }
        return QString();
    }

private:
    const datasets::DataSetLayout& set_;
    int32_t bytesPerChar_;
    QStringList records_;
};

int64_t numberOf(const QString& text) { return calltext::roundedValue(text); }

// ---- Labels -----------------------------------------------------------------------

struct LabelVariant {
    QString text;
    int64_t length = 0;
    int64_t height = 0;
};

// Picks the variant of a label code for a place of length characters on height lines:
// of the variants that fit (no longer, on no more lines) the longest, and of equally
// long ones the one with more lines. A height below 1 counts as 1.
class LabelLookup {
public:
    explicit LabelLookup(sqlite3* db)
        : fit_(db, QStringLiteral("SELECT desc, leng, lhgt FROM qxzrn140"
                                  " WHERE clan = ?1 AND cpac = ?2 AND clab = ?3 AND leng <= ?4 AND lhgt <= ?5"
                                  " ORDER BY leng DESC, lhgt DESC, vers DESC, rele DESC, cust DESC LIMIT 1")),
          any_(db, QStringLiteral("SELECT 1 FROM qxzrn140 WHERE clan = ?1 AND cpac = ?2 AND clab = ?3 LIMIT 1"))
    {}

    int64_t find(const QString& language, const QString& package, const QString& code, int64_t length, int64_t height,
                 LabelVariant& variant)
    {
        fit_->reset();
        fit_->bind(1, language).bind(2, package).bind(3, code).bind(4, length).bind(5, std::max<int64_t>(height, 1));
        if (fit_->step()) {
            variant = {fit_->text(0), fit_->int64(1), fit_->int64(2)};
            return LabelFound;
        }
        any_->reset();
        any_->bind(1, language).bind(2, package).bind(3, code);
        return any_->step() ? LabelDoesNotFit : LabelMissing;
    }

private:
    CachedStatement fit_;
    CachedStatement any_;
};

// get.label("language", "package", "code", "description", length, height, 1, flag, number)
// Out 4 to 6: the chosen variant's text, length and height. Answers 0 found, 1 no such
// label in the language, 2 no variant fits (the outs then stay as sent). The flag and
// the last number are taken as the caller sends them.
void getLabel(CallContext& c)
{
    c.requireCount(9);
    for (int p : {5, 6, 7, 8, 9})
        c.number(p);
    LabelLookup lookup(c.handle());
    LabelVariant v;
    const int64_t answer =
        lookup.find(c.trimmedText(1), c.trimmedText(2), c.trimmedText(3), c.number(5), c.number(6), v);
    if (answer == LabelFound) {
        c.setText(4, v.text);
        c.setNumber(5, v.length);
        c.setNumber(6, v.height);
    }
    c.setReturnValue(answer);
}

// get.label.set("language", number, "buffer"): one "labelset" answer per request
// record, in order: the variant chosen for the record's leng and lhgt, or an empty
// text with leng and lhgt as asked. The number is the caller's and not used.
void getLabelSet(CallContext& c)
{
    c.requireCount(3);
    c.number(2);
    const QString language = c.trimmedText(1);
    const QString buffer = bufferArgument(c, 3);
    const int32_t bpc = hostBytesPerChar(c.handle());
    const datasets::DataSetLayout& set = dataSetLayout("labelset");
    const RequestRecords requests(set, bpc, buffer);
    LabelLookup lookup(c.handle());
    QString answer;
    for (const QString& r : requests.records()) {
        const QString package = requests.field(r, QStringLiteral("cpac"));
        const QString code = requests.field(r, QStringLiteral("clab"));
        LabelVariant v{QString(), numberOf(requests.field(r, QStringLiteral("leng"))),
                       numberOf(requests.field(r, QStringLiteral("lhgt")))};
        lookup.find(language, package, code, v.length, v.height, v);
        datasets::RecordBuilder b(set, bpc);
        b.set(QStringLiteral("cpac"), package);
        b.set(QStringLiteral("clab"), code);
        b.set(QStringLiteral("leng"), v.length);
        b.set(QStringLiteral("lhgt"), v.height);
        b.set(QStringLiteral("desc"), v.text);
        answer += b.compactRecord();
    }
    c.setText(3, answer);
    c.setReturnValue(int64_t(0));
}

// Tab and frame text of a group label code (the rule of the view qxzrn140_grp, whose
// frame texts are at most 40 long). False when the code has no one-line variant.
class GroupLabelLookup {
public:
    explicit GroupLabelLookup(sqlite3* db)
        : st_(db, QStringLiteral("SELECT tdsc, fdsc FROM qxzrn140_grp WHERE clan = ?1 AND cpac = ?2 AND clab = ?3"
                                 " ORDER BY vers DESC, rele DESC, cust DESC LIMIT 1"))
    {}
    bool find(const QString& language, const QString& package, const QString& code, QString& tab, QString& frame)
    {
        st_->reset();
        st_->bind(1, language).bind(2, package).bind(3, code);
        if (!st_->step())
            return false;
        tab = st_->text(0);
        frame = st_->text(1);
        return true;
    }

private:
    CachedStatement st_;
};

// get.group.labels("language", "package", "code", 40, "tab", "frame"): out 5 and 6.
// Answers 0 found, 1 missing (the outs stay as sent).
void getGroupLabels(CallContext& c)
{
    c.requireCount(6);
    c.number(4);
    c.text(5);
    c.text(6);
    GroupLabelLookup lookup(c.handle());
    QString tab, frame;
    if (!lookup.find(c.trimmedText(1), c.trimmedText(2), c.trimmedText(3), tab, frame)) {
        c.setReturnValue(LabelMissing);
        return;
    }
    c.setText(5, tab);
    c.setText(6, frame);
    c.setReturnValue(LabelFound);
}

// get.group.labels.set("language", 40, "buffer"): one "grouplabelset" answer per
// request record, empty texts for a code that has none.
void getGroupLabelsSet(CallContext& c)
{
    c.requireCount(3);
    c.number(2);
    const QString language = c.trimmedText(1);
    const QString buffer = bufferArgument(c, 3);
    const int32_t bpc = hostBytesPerChar(c.handle());
    const datasets::DataSetLayout& set = dataSetLayout("grouplabelset");
    const RequestRecords requests(set, bpc, buffer);
    GroupLabelLookup lookup(c.handle());
    QString answer;
    for (const QString& r : requests.records()) {
        const QString package = requests.field(r, QStringLiteral("cpac"));
        const QString code = requests.field(r, QStringLiteral("clab"));
        QString tab, frame;
        lookup.find(language, package, code, tab, frame);
        datasets::RecordBuilder b(set, bpc);
        b.set(QStringLiteral("cpac"), package);
        b.set(QStringLiteral("clab"), code);
        b.set(QStringLiteral("tdsc"), tab);
        b.set(QStringLiteral("fdsc"), frame);
        answer += b.compactRecord();
    }
    c.setText(3, answer);
    c.setReturnValue(int64_t(0));
}

// comp.seak("text"): the search key as the return value.
void compSeak(CallContext& c)
{
    c.requireCount(1);
    c.setReturnValue(labelSearchKey(c.text(1)));
}

// comp.label.dims("text", length, height): a label holds its text on one line, as
// long as the text without outer blanks (0 and 0 for an empty one).
void compLabelDims(CallContext& c)
{
    c.requireCount(3);
    c.number(2);
    c.number(3);
    const int64_t length = c.trimmedText(1).size();
    c.setNumber(2, length);
    c.setNumber(3, length > 0 ? 1 : 0);
    c.setReturnValue(int64_t(0));
}

// search.existing.labels("language", "package", "description", "code", height, length, found)
// Finds a label whose text is the description (outer blanks and the case of a to z
// ignored). Of its variants the longest within the asked length and height (0: any),
// else the shortest. Out 3 the stored text, 4 the code, 5 height, 6 length, 7 found
// (1, or 0 with everything else as sent). Answers 0 found, 1 not.
void searchExistingLabels(CallContext& c)
{
    c.requireCount(7);
    c.text(4);
    const int64_t height = c.number(5);
    const int64_t length = c.number(6);
    c.number(7);
    const QString description = c.trimmedText(3);
    Statement st(c.handle(), QStringLiteral("SELECT clab, desc, leng, lhgt,"
                                            " (?4 <= 0 OR leng <= ?4) AND (?5 <= 0 OR lhgt <= ?5) AS fits FROM qxzrn140"
                                            " WHERE clan = ?1 AND cpac = ?2 AND trim(desc) = ?3 COLLATE NOCASE"
                                            " ORDER BY fits DESC, CASE WHEN fits THEN -leng ELSE leng END, lhgt, clab,"
                                            " vers DESC, rele DESC, cust DESC LIMIT 1"));
    st.bind(1, c.trimmedText(1)).bind(2, c.trimmedText(2)).bind(3, description).bind(4, length).bind(5, height);
    if (description.isEmpty() || !st.step()) {
        c.setNumber(7, 0);
        c.setReturnValue(LabelMissing);
        return;
    }
    c.setText(3, st.text(1));
    c.setText(4, st.text(0));
    c.setNumber(5, st.int64(3));
    c.setNumber(6, st.int64(2));
    c.setNumber(7, 1);
    c.setReturnValue(LabelFound);
}

// insert.qxzrn140("language", "package", "code", length, height, "version", "release",
//                 "customer", "text", "search key")
// Adds a label variant in the open host transaction. Answers 0 done, 1 the variant
// exists, 2 a value does not fit the table (the text must fit length x height).
void insertQxzrn140(CallContext& c)
{
    c.requireCount(10);
    const QString language = c.trimmedText(1);
    const QString package = c.trimmedText(2);
    const QString code = c.trimmedText(3);
    const int64_t length = c.number(4);
    const int64_t height = c.number(5);
    const QString version = c.trimmedText(6);
    const QString release = c.trimmedText(7);
    const QString customer = c.trimmedText(8);
    const QString text = c.trimmedText(9);
    const QString searchKey = c.trimmedText(10);
    const bool valid = language.size() == 1 && !package.isEmpty() && package.size() <= 2 && !code.isEmpty()
                       && code.size() <= 17 && length >= 1 && length <= 999 && height >= 1 && height <= 99
                       && text.size() <= 70 && text.size() <= length * height && searchKey.size() <= 10;
    if (!valid) {
        c.setReturnValue(InsertInvalid);
        return;
    }
    Statement exists(c.handle(),
                     QStringLiteral("SELECT 1 FROM qxzrn140 WHERE clan = ?1 AND cpac = ?2 AND clab = ?3"
                                    " AND lhgt = ?4 AND leng = ?5 AND vers = ?6 AND rele = ?7 AND cust = ?8"));
    exists.bind(1, language).bind(2, package).bind(3, code).bind(4, height).bind(5, length);
    exists.bind(6, version).bind(7, release).bind(8, customer);
    if (exists.step()) {
        c.setReturnValue(InsertExists);
        return;
    }
    joinHostTransaction(c.db());
    Statement st(c.handle(), QStringLiteral("INSERT INTO qxzrn140 (clan, cpac, clab, lhgt, leng, vers, rele, cust,"
                                            " desc, expi, seak) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, 2, ?10)"));
    st.bind(1, language).bind(2, package).bind(3, code).bind(4, height).bind(5, length);
    st.bind(6, version).bind(7, release).bind(8, customer).bind(9, text).bind(10, searchKey);
    st.exec();
    c.setReturnValue(InsertDone);
}

// ---- Messages ---------------------------------------------------------------------

// get.message("code", "language", "text"): code is the package and the message code
// together ("qxplqx0201"). Out 3 the text; a missing message is answered as the code,
// blank-filled to 15 characters, and "??????????". Answers 0 found, 1 missing.
void getMessage(CallContext& c)
{
    c.requireCount(3);
    c.text(3);
    const QString code = c.trimmedText(1);
    Statement st(c.handle(), QStringLiteral("SELECT mess FROM qxzrn450 WHERE clan = ?1 AND cpac = ?2 AND cmes = ?3"
                                            " ORDER BY vers DESC, rele DESC, cust DESC LIMIT 1"));
    st.bind(1, c.trimmedText(2)).bind(2, code.left(2)).bind(3, code.mid(2));
    if (code.size() > 2 && st.step()) {
        c.setText(3, st.text(0));
        c.setReturnValue(int64_t(0));
    } else {
        c.setText(3, code.leftJustified(kMissingMarkPosition, QLatin1Char(' ')) + kMissingMessageMark);
        c.setReturnValue(int64_t(1));
    }
}

// ---- Technical documentation --------------------------------------------------------

// The documentation of a form's field: text kind 4, header 2, keyed by the module, the
// form code blank-filled to 9 and the field name.
constexpr int64_t kDocTextKind = 4;
constexpr int64_t kDocHeader = 2;

TechDocRequest techDocRequest(const CallContext& c, bool withLanguage)
{
    TechDocRequest r;
    int p = 1;
    if (withLanguage)
        r.language = c.trimmedText(p++);
    r.package = c.trimmedText(p++);
    r.module = c.trimmedText(p++);
    r.formCode = c.trimmedText(p++);
    r.version = c.trimmedText(p++);
    r.release = c.trimmedText(p++);
    r.customer = c.trimmedText(p++);
    r.field = c.trimmedText(p);
    return r;
}

QString docKey(const TechDocRequest& r)
{
    return r.module.leftJustified(3, QLatin1Char(' ')) + r.formCode.leftJustified(9, QLatin1Char(' ')) + r.field;
}

Statement docStatement(sqlite3* db, const QString& sql, const TechDocRequest& r)
{
    Statement st(db, sql);
    st.bind(1, r.package).bind(2, r.version).bind(3, r.release).bind(4, r.customer);
    st.bind(5, kDocTextKind).bind(6, docKey(r)).bind(7, kDocHeader);
    return st;
}

std::optional<QString> docText(sqlite3* db, const TechDocRequest& r)
{
    Statement st = docStatement(db,
                                QStringLiteral("SELECT text FROM qxzrn150 WHERE cpac = ?1 AND vers = ?2 AND rele = ?3"
                                               " AND cust = ?4 AND ktex = ?5 AND rkey = ?6 AND hdre = ?7"
                                               " AND clan = ?8"),
                                r);
    st.bind(8, r.language);
    if (!st.step())
        return std::nullopt;
    return st.text(0);
}

// read.tech.doc("language", package, module, form, version, release, customer, field):
// shows the field's documentation in the language. Answers 0 shown, 1 none there.
void readTechDoc(CallContext& c)
{
    c.requireCount(8);
    const TechDocRequest r = techDocRequest(c, true);
    const std::optional<QString> text = docText(c.handle(), r);
    if (!text) {
        c.setReturnValue(int64_t(1));
        return;
    }
    if (presenter().showTechDoc)
        presenter().showTechDoc(r, *text, false);
    c.setReturnValue(int64_t(0));
}

// write.tech.doc(as read.tech.doc): lets the user edit the documentation and stores
// what was saved; an emptied text removes it. Answers 0 saved, 1 closed unsaved.
void writeTechDoc(CallContext& c)
{
    c.requireCount(8);
    const TechDocRequest r = techDocRequest(c, true);
    const QString old = docText(c.handle(), r).value_or(QString());
    const std::optional<QString> edited =
        presenter().showTechDoc ? presenter().showTechDoc(r, old, true) : std::nullopt;
    if (!edited) {
        c.setReturnValue(int64_t(1));
        return;
    }
    if (trimBlanks(*edited).isEmpty()) {
        Statement st = docStatement(c.handle(),
                                    QStringLiteral("DELETE FROM qxzrn150 WHERE cpac = ?1 AND vers = ?2"
                                                   " AND rele = ?3 AND cust = ?4 AND ktex = ?5"
                                                   " AND rkey = ?6 AND hdre = ?7 AND clan = ?8"),
                                    r);
        st.bind(8, r.language).exec();
    } else {
        Statement st = docStatement(c.handle(),
                                    QStringLiteral("INSERT INTO qxzrn150 (cpac, vers, rele, cust, ktex,"
                                                   " rkey, hdre, clan, text)"
                                                   " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"
                                                   " ON CONFLICT DO UPDATE SET text = excluded.text"),
                                    r);
        st.bind(8, r.language).bind(9, *edited).exec();
    }
    c.setReturnValue(int64_t(0));
}

// check.tech.doc.exists(package, module, form, version, release, customer, field):
// answers 1 when the field has documentation with text in any language, else 0.
void checkTechDocExists(CallContext& c)
{
    c.requireCount(7);
    const TechDocRequest r = techDocRequest(c, false);
    Statement st = docStatement(c.handle(),
                                QStringLiteral("SELECT 1 FROM qxzrn150 WHERE cpac = ?1 AND vers = ?2"
                                               " AND rele = ?3 AND cust = ?4 AND ktex = ?5 AND rkey = ?6"
                                               " AND hdre = ?7 AND trim(text) <> '' LIMIT 1"),
                                r);
    c.setReturnValue(int64_t(st.step() ? 1 : 0));
}

// ---- Icons and pictures -----------------------------------------------------------

// validate.iconname("group", "icon"): answers 1 when the group has the icon, else 0.
void validateIconName(CallContext& c)
{
    c.requireCount(2);
    Statement st(c.handle(), QStringLiteral("SELECT 1 FROM qxzwk903 WHERE icgp = ?1 AND icon = ?2"));
    st.bind(1, c.trimmedText(1)).bind(2, c.trimmedText(2));
    c.setReturnValue(int64_t(st.step() ? 1 : 0));
}

// validate.searchdesc(package, module, number, version, release, customer, field):
// whether the field can be searched with in the table. Answers 0 an active, single
// field of the table; 1 no such field; 2 no such table in that version.
void validateSearchDesc(CallContext& c)
{
    c.requireCount(7);
    Statement table(c.handle(), QStringLiteral("SELECT 1 FROM qxzrn420 WHERE cpac = ?1 AND cmod = ?2 AND flno = ?3"
                                               " AND vers = ?4 AND rele = ?5 AND cust = ?6"));
    for (int p = 1; p <= 6; ++p)
        table.bind(p, c.trimmedText(p));
    if (!table.step()) {
        c.setReturnValue(int64_t(2));
        return;
    }
    Statement field(c.handle(), QStringLiteral("SELECT 1 FROM qxzrn422 WHERE cpac = ?1 AND cmod = ?2 AND flno = ?3"
                                               " AND vers = ?4 AND rele = ?5 AND cust = ?6 AND fdnm = ?7"
                                               " AND acti = 1 AND comb = 2"));
    for (int p = 1; p <= 7; ++p)
        field.bind(p, c.trimmedText(p));
    c.setReturnValue(int64_t(field.step() ? 0 : 1));
}

QByteArray blob(const Statement& st, int column)
{
    return QByteArray(static_cast<const char*>(sqlite3_column_blob(st.handle(), column)),
                      sqlite3_column_bytes(st.handle(), column));
}

// A file name made only of a to z, digits, ".", "-" and "_", never starting with ".".
QString safeFileName(const QString& name)
{
    QString out;
    for (QChar ch : name) {
        const bool plain = (ch.unicode() < 128 && ch.isLetterOrNumber()) || ch == QLatin1Char('.')
                           || ch == QLatin1Char('-') || ch == QLatin1Char('_');
        out += plain ? ch : QLatin1Char('_');
    }
    if (out.isEmpty() || out.startsWith(QLatin1Char('.')))
        out.prepend(QLatin1Char('_'));
    return out;
}

// get.picture("group", "icon", "directory", "file"): writes the icon's picture into
// the picture directory. Out 3 the directory (ending in "/"), out 4 the file's path.
// Answers 0 written, 1 no such icon, 2 the file could not be written (outs as sent).
void getPicture(CallContext& c)
{
    c.requireCount(4);
    c.text(3);
    c.text(4);
    Statement st(c.handle(), QStringLiteral("SELECT file, pict FROM qxzwk903 WHERE icgp = ?1 AND icon = ?2"));
    const QString group = c.trimmedText(1);
    st.bind(1, group).bind(2, c.trimmedText(2));
    if (!st.step()) {
        c.setReturnValue(int64_t(1));
        return;
    }
    const QByteArray picture = blob(st, 1);
    const QDir dir(pictureDirectory(c.db()));
    const QString path = dir.filePath(safeFileName(group + QFileInfo(st.text(0)).fileName()));
    QSaveFile file(path);  // unbuffered, so that a full disk fails the write, not the commit
    if (!dir.mkpath(QStringLiteral(".")) || !file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        || file.write(picture) != picture.size()
        || !file.commit()) {
        c.setReturnValue(int64_t(2));
        return;
    }
    c.setText(3, dir.absolutePath() + QLatin1Char('/'));
    c.setText(4, path);
    c.setReturnValue(int64_t(0));
}

// remove.file.from.server("directory", "file"): deletes a picture file that get.picture
// wrote. The directory is "" or the picture directory; the file a path in it or a name
// relative to it, with or without its extension. Nothing outside the picture directory
// is touched. Answers 0 deleted, 1 no such file, 2 refused (outside the directory).
void removeFileFromServer(CallContext& c)
{
    c.requireCount(2);
    const QString canonicalDir = QFileInfo(pictureDirectory(c.db())).canonicalFilePath();
    const QString directory = c.trimmedText(1);
    if (!directory.isEmpty() && QFileInfo(directory).canonicalFilePath() != canonicalDir) {
        c.setReturnValue(int64_t(2));
        return;
    }
    const QString name = c.trimmedText(2);
    const QFileInfo target(QDir(pictureDirectory(c.db())).filePath(name));
    const QString baseName = target.fileName();
    if (canonicalDir.isEmpty() || name.isEmpty() || baseName == QLatin1String(".") || baseName == QLatin1String("..")
        || QFileInfo(target.absolutePath()).canonicalFilePath() != canonicalDir) {
        c.setReturnValue(int64_t(canonicalDir.isEmpty() ? 1 : 2));
        return;
    }
    QStringList victims;
    if (target.isFile()) {
        victims << target.absoluteFilePath();
    } else {
        // Asked without its extension: every picture of that name.
        const QDir dir(canonicalDir);
        for (const QFileInfo& f : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
            if (f.completeBaseName() == baseName)
                victims << f.absoluteFilePath();
    }
    bool removed = false;
    for (const QString& v : victims)
        removed = QFile::remove(v) || removed;
    c.setReturnValue(int64_t(removed ? 0 : 1));
}

// select.icon("group", "icon"): lets the user choose an icon of the group, the current
// one shown. Out 2 the choice, blank-filled to the width sent. Answers 0 chosen,
// 1 nothing chosen (out 2 as sent), 2 the group has no icons.
void selectIcon(CallContext& c)
{
    c.requireCount(2);
    const QString group = c.trimmedText(1);
    const int width = int(c.text(2).size());
    Statement st(c.handle(), QStringLiteral("SELECT icon, desc, pict FROM qxzwk903 WHERE icgp = ?1 ORDER BY icon"));
    st.bind(1, group);
    QList<IconEntry> icons;
    while (st.step())
        icons.append({st.text(0), st.text(1), blob(st, 2)});
    if (icons.isEmpty()) {
        c.setReturnValue(int64_t(2));
        return;
    }
    std::optional<QString> chosen;
    if (presenter().chooseIcon)
        chosen = presenter().chooseIcon(group, icons, c.trimmedText(2));
    const bool known =
        chosen && std::any_of(icons.cbegin(), icons.cend(), [&](const IconEntry& e) { return e.icon == *chosen; });
    if (!known) {
        c.setReturnValue(int64_t(1));
        return;
    }
    c.setText(2, chosen->leftJustified(width, QLatin1Char(' ')));
    c.setReturnValue(int64_t(0));
}

} // namespace

QString pictureDirectory(const HostDatabase& db)
{
    const QFileInfo info(db.path());
    return info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral("-pictures"));
}

QString labelSearchKey(const QString& text)
{
    QString key;
    for (QChar ch : text) {
        if (ch == QLatin1Char(' '))
            continue;
        key += (ch >= QLatin1Char('a') && ch <= QLatin1Char('z')) ? QChar(ch.unicode() - 'a' + 'A') : ch;
        if (key.size() == 10)
            break;
    }
    return key;
}

void setLabelPresenter(LabelPresenter p) { presenter() = std::move(p); }

void resetLabelPresenter() { presenter() = LabelPresenter{}; }

void registerLabelFunctions(Dispatcher& d)
{
    d.add(kObjectDllExtInt, QStringLiteral("get.label("), getLabel);
    d.add(kObjectDllExtInt, QStringLiteral("get.label.set("), getLabelSet);
    d.add(kObjectDllExtInt, QStringLiteral("get.group.labels("), getGroupLabels);
    d.add(kObjectDllExtInt, QStringLiteral("get.group.labels.set("), getGroupLabelsSet);
    d.add(kObjectDllExtInt, QStringLiteral("insert.qxzrn140("), insertQxzrn140);
    d.add(kObjectDllExtInt, QStringLiteral("get.message("), getMessage);
    d.add(kObjectDllExtInt, QStringLiteral("read.tech.doc("), readTechDoc);
    d.add(kObjectDllExtInt, QStringLiteral("write.tech.doc("), writeTechDoc);
    d.add(kObjectDllExtInt, QStringLiteral("check.tech.doc.exists("), checkTechDocExists);
    d.add(kObjectDllExtInt, QStringLiteral("validate.iconname("), validateIconName);
    d.add(kObjectDllExtInt, QStringLiteral("validate.searchdesc("), validateSearchDesc);
    d.add(kObjectDllExtInt, QStringLiteral("get.picture("), getPicture);
    d.add(kObjectDllExtInt, QStringLiteral("remove.file.from.server("), removeFileFromServer);
    d.add(kObjectDllExtInt, QStringLiteral("select.icon("), selectIcon);
    d.add(kObjectDllLabels, QStringLiteral("comp.seak("), compSeak);
    d.add(kObjectDllLabels, QStringLiteral("comp.label.dims("), compLabelDims);
    d.add(kObjectDllLabels, QStringLiteral("search.existing.labels("), searchExistingLabels);
}

} // namespace host
