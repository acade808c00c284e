#include "mod_Velq.h"

#include <call_text.h>

#include "mod_External.h"
#include "mod_VrokInterface.h"
#include "Dialogs.h"
#include "mod_Global.h"

#include <algorithm>

namespace {

const QString kSamMain = QStringLiteral("oqxsammain");

struct VelqState {
    QString buffer;
    QString prefix;
    int32_t prefixLength = 0;
    bool failed = false;  // a part of the current set failed or was refused
    int16_t hostRefusal = 0;  // the host's database could not take it (giVelqHostRefusal)
    QString lastCall;
    QString lastQuery;  // the call text of the last query definition
    VrokResult lastResult = int16_t(0);
};

VelqState s;
QString (*g_formKey)(const QString& sTable) = nullptr;

bool call(const QString& callText, int16_t firstOut = 0, int16_t lastOut = 0)
{
    s.lastCall = callText;
    return gbExecuteFunction(kSamMain, s.lastCall, firstOut, lastOut, s.lastResult);
}

int32_t resultNumber()
{
    if (const auto* text = std::get_if<QString>(&s.lastResult))
        return valueOfText<int32_t>(*text);
    return std::get<int16_t>(s.lastResult);
}

void showMessage(const QString& text)
{
    platform::dialogs().messageBox(text, platform::MbOk, platform::applicationTitle());
}

QString digits3(int32_t n) { return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')); }

// The form key, made once: the identity does not change after the load.
void ensurePrefix()
{
    if (s.prefixLength == 0) {
        Q_ASSERT_X(g_formKey, "update set", "no form key: installCoreHooks() was not called");
        s.prefix = g_formKey ? g_formKey(QString()) : QString();
        s.prefixLength = int32_t(s.prefix.size());
    }
}

// Empties the buffer, keeping its room: a store fills hundreds of parts.
void emptyBuffer()
{
    s.buffer.resize(0);
    s.buffer.reserve(kSetSendMark + 16);
}

// The buffer of a new part: the "f" record with the form-key prefix.
void restartBuffer()
{
    ensurePrefix();
    emptyBuffer();
    s.buffer.append(u'f').append(digits3(glLogicalLength(s.prefix))).append(QLatin1String("000000")).append(s.prefix);
}

// Length once the host has made each doubled quote single, the pairs counted from the left
// as giCountDoubledQuotes counts them.
int32_t logicalLength(QStringView text) { return int32_t(text.size() - calltext::doubledQuotes(text)); }

// A set record's head and its text, which is text followed by more; the texts point
// into the key and record it was made of.
struct SetRecord {
    QChar kind;
    int32_t first = 0;
    int32_t second = 0;  // 0 where the kind has one length
    QStringView text;
    QStringView more;
};

enum class Op { Insert, Delete, Update };

SetRecord classify(Op op, const QString& key, const QString& record)
{
    const QString& prefix = s.prefix;
    auto rest = [&](const QString& t) { return QStringView(t).mid(prefix.size()); };
    switch (op) {
    case Op::Insert:
        if (record.startsWith(prefix))
            return {u'I', logicalLength(rest(record)), 0, rest(record), {}};
        return {u'i', logicalLength(record), 0, record, {}};
    case Op::Delete:
        if (key.startsWith(prefix))
            return {u'D', logicalLength(rest(key)), 0, rest(key), {}};
        return {u'd', logicalLength(key), 0, key, {}};
    case Op::Update:
        if (record.startsWith(key)) {
            if (key.startsWith(prefix))
                return {u'V', logicalLength(rest(key)), logicalLength(rest(record)), rest(record), {}};
            return {u'v', logicalLength(key), logicalLength(record), record, {}};
        }
        return {u'u', logicalLength(key), logicalLength(record), key, record};
    }
    return {};
}

// digits3 written at to; n is 0 to 999.
void putDigits3(QChar* to, int32_t n)
{
    to[0] = QChar(u'0' + n / 100);
    to[1] = QChar(u'0' + n / 10 % 10);
    to[2] = QChar(u'0' + n % 10);
}

// Characters the record r (classified from key and record) is counted with against the
// send mark; only updates count the 10 characters of the record head.
qsizetype sizeNeeded(Op op, const QString& key, const QString& record, const SetRecord& r)
{
    switch (op) {
    case Op::Insert:
        return record.size();
    case Op::Delete:
        return key.size();
    case Op::Update:
        // Only a record that does not start with its key carries both (kind "u").
        return r.kind == u'u' ? key.size() + record.size() + 10 : record.size() + 10;
    }
    return 0;
}

// The host's answer of the part that failed when its database could not take it; else 0.
int16_t hostRefusal()
{
    const int16_t answer = giLastVelqAnswer();
    return gsHostWriteRefusal(answer).isEmpty() ? int16_t(0) : answer;
}

// key and record by value: the record made points into them, also past the send of a part.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
bool addToSet(Op op, int32_t objectSet, const QString key, const QString record)
{
    if (s.failed)
        return false;
    ensurePrefix();  // it decides the kinds, also before the first set was started
    const SetRecord r = classify(op, key, record);
    const bool recordTooLong = op != Op::Delete && record.size() > kMaxSetField;
    const bool fits = r.first <= kMaxSetField && r.second <= kMaxSetField && objectSet >= 0
                      && objectSet <= kMaxSetField;
    if (recordTooLong || !fits) {
        // Dropping the record would store the form without it: the whole set fails.
        showMessage(QStringLiteral("Velq parameter too large"));
        s.failed = true;
        return false;
    }

    if (s.buffer.size() + 2 + sizeNeeded(op, key, record, r) >= kSetSendMark) {
        const bool sent = gbExecuteVelqSet(s.buffer, 0);
        emptyBuffer();
        if (!sent) {
            s.failed = true;
            s.hostRefusal = hostRefusal();
            return false;
        }
    }

    // The head in one piece: the kind and three numbers of three digits.
    QChar head[10];
    head[0] = r.kind;
    putDigits3(head + 1, r.first);
    putDigits3(head + 4, r.second);
    putDigits3(head + 7, objectSet);
    s.buffer.append(head, 10);
    s.buffer.append(r.text);
    s.buffer.append(r.more);
    return true;
}

int32_t sendSet(int16_t mode)
{
    const bool sent = !s.failed && gbExecuteVelqSet(s.buffer, mode);
    if (!sent && !s.failed)
        s.hostRefusal = hostRefusal();
    if (!sent)
        s.failed = true;
    restartBuffer();
    if (mode == 1)
        s.failed = false;  // the set ends here; the next one starts clean
    return sent ? 0 : 1;
}

} // namespace

// ---- Object sets and queries ------------------------------------------------------

int32_t glOpenObjectSet(const QString& table)
{
    if (!call(QStringLiteral("am_open_object_set(") + gsQuote(table) + QLatin1Char(')')))
        return 0;
    return resultNumber();
}

int32_t glCloseObjectSet(int32_t number)
{
    if (!call(QStringLiteral("am_close_object_set(") + QString::number(number) + QLatin1Char(')')))
        return 0;
    return resultNumber();
}

int32_t glDefineFullQuery(int32_t handle, const QString& selectList, const QString& fromTable,
                          const QString& whereClause, const QString& orderBy)
{
    s.lastQuery = QStringLiteral("am_define_full_query(") + QString::number(handle) + QLatin1Char(',')
                  + gsQuote(selectList) + QLatin1Char(',') + gsQuote(fromTable) + QLatin1Char(',')
                  + gsQuote(whereClause) + QLatin1Char(',') + gsQuote(orderBy) + QLatin1Char(')');
    if (!call(s.lastQuery))
        return 0;
    return resultNumber();
}

int32_t glQueryFetch(int32_t handle, int32_t queryId, int32_t mode, int32_t rows, int32_t fifth, QString& buffer)
{
    const QString text = QStringLiteral("am_query_fetch(") + QString::number(handle) + QLatin1Char(',')
                         + QString::number(queryId) + QLatin1Char(',') + QString::number(mode) + QLatin1Char(',')
                         + QString::number(rows) + QLatin1Char(',') + QString::number(fifth) + QLatin1Char(',')
                         + buffer + QLatin1Char(')');
    if (!call(text, 6, 6))
        return 0;
    // The records arrive quoted; from here on they are plain text.
    buffer = gsUnquote(gsGetStringArg(6));
    const int32_t fetched = resultNumber();
    if (fetched == kQuerySyntaxError)
        showMessage(QStringLiteral("Query syntax error: ") + s.lastQuery);
    else if (fetched < 0)
        showMessage(QStringLiteral("Query fetch error: ") + QString::number(fetched));
    return fetched;
}

int32_t glQueryClose(int32_t handle, int32_t queryId)
{
    if (!call(QStringLiteral("am_query_close(") + QString::number(handle) + QLatin1Char(',')
              + QString::number(queryId) + QLatin1Char(')')))
        return 0;
    return resultNumber();
}

QueryResult gFetchQuery(int32_t handle, const QString& select, const QString& from, const QString& where,
                        const QString& order, int32_t recordLength,
                        const std::function<void(const QString&, int32_t)>& read,
                        const std::function<void()>& beforeNextBlock)
{
    const int32_t rows = recordLength > 0 ? kQueryBufferLimit / recordLength : 0;
    const int32_t queryId = rows > 0 ? glDefineFullQuery(handle, select, from, where, order) : 0;
    if (queryId < 1)
        return QueryResult::NotDefined;
    const QString blanks = gsQuote(QString(qsizetype(rows) * recordLength, QLatin1Char(' ')));
    QueryResult result = QueryResult::Fetched;
    for (int32_t mode = 1;; mode = 2) {
        if (mode == 2 && beforeNextBlock)
            beforeNextBlock();
        QString buffer = blanks;
        const int32_t fetched = glQueryFetch(handle, queryId, mode, rows, 0, buffer);
        // A call that failed hands the buffer back as it went, still quoted.
        if (fetched < 0 || buffer == blanks) {
            result = QueryResult::FetchFailed;
            break;
        }
        read(buffer, std::min(fetched, rows));
        if (fetched != rows)
            break;
    }
    glQueryClose(handle, queryId);
    return result;
}

int32_t glAbortTransaction()
{
    const bool ok = call(QStringLiteral("am_abort_transaction()"));
    const int32_t answer = ok ? resultNumber() : kAbortCallFailed;
    gInitVelqSet();
    return answer;
}

// ---- Update set ----------------------------------------------------------------------

int32_t glLogicalLength(const QString& text) { return logicalLength(text); }

void gInitVelqSet()
{
    restartBuffer();
    s.failed = false;
    s.hostRefusal = 0;
}

bool gbVelqInsert(int32_t objectSet, const QString& record)
{
    return addToSet(Op::Insert, objectSet, QString(), record);
}

bool gbVelqDelete(int32_t objectSet, const QString& key) { return addToSet(Op::Delete, objectSet, key, QString()); }

bool gbVelqUpdate(int32_t objectSet, const QString& key, const QString& record)
{
    return addToSet(Op::Update, objectSet, key, record);
}

int32_t glSendVelqSet() { return sendSet(0); }

int32_t glCommitVelqSet() { return sendSet(1); }

const QString& gsVelqSetBuffer() { return s.buffer; }

bool gbVelqSetFailed() { return s.failed; }

int16_t giVelqHostRefusal() { return s.hostRefusal; }

void setVelqFormKey(QString (*formKey)(const QString& sTable)) { g_formKey = formKey; }

void resetVelq() { s = VelqState{}; }
