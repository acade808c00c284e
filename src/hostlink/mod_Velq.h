#pragma once
// Remote queries on host tables and the batched update set.
//
// Queries run on "oqxsammain" under the number of an open object set: define, fetch
// in blocks into a fixed-layout buffer, close. The update set gathers insert, update
// and delete records of one save in a text buffer that is sent in parts as it grows
// and committed as the last part, so that the whole save is one host transaction.
#include <QString>
#include <cstdint>
#include <functional>
#include <limits>

// ---- Object sets and queries ------------------------------------------------------

// The number of a new object set on table; 0 when the call failed.
int32_t glOpenObjectSet(const QString& table);
// The host's answer; 0 when the call failed.
int32_t glCloseObjectSet(int32_t number);
// The query id (1 or more); 0 when the call failed. The texts go in quoted.
int32_t glDefineFullQuery(int32_t handle, const QString& selectList, const QString& fromTable,
                          const QString& whereClause, const QString& orderBy);
// Fetches a block: mode 1 the first, 2 the next; rows asked; fifth passed on (callers
// pass 0). buffer holds the quoted blank buffer on entry and the fetched records on
// return, plain text (unquoted once here). Returns the rows fetched, the host's
// negative value on a host-side error (after the query message), 0 when the call
// failed (buffer unchanged).
int32_t glQueryFetch(int32_t handle, int32_t queryId, int32_t mode, int32_t rows, int32_t fifth, QString& buffer);
// The host's answer; 0 when the call failed.
int32_t glQueryClose(int32_t handle, int32_t queryId);

enum class QueryResult { Fetched, NotDefined, FetchFailed };

// The most characters one fetched block may hold.
inline constexpr int32_t kQueryBufferLimit = 4050;

// Runs a query on the object set handle in blocks of the whole part of 4050 /
// recordLength rows, handing each block and its row count to read, and fetching again
// while a block comes back full; beforeNextBlock runs before every block after the
// first. Nothing is asked when not one row fits into a block (NotDefined then).
QueryResult gFetchQuery(int32_t handle, const QString& select, const QString& from, const QString& where,
                        const QString& order, int32_t recordLength,
                        const std::function<void(const QString& buffer, int32_t rows)>& read,
                        const std::function<void()>& beforeNextBlock = {});

// What glAbortTransaction returns when the abort call itself failed. The host never
// answers it, so any other value means the host carried out the abort.
inline constexpr int32_t kAbortCallFailed = std::numeric_limits<int32_t>::min();

// Aborts the open host transaction and starts a fresh update set. Returns the host's
// answer, or kAbortCallFailed when the call failed.
int32_t glAbortTransaction();

// The fetch value by which the host reports a query it could not parse.
inline constexpr int32_t kQuerySyntaxError = -302;

// ---- Update set ----------------------------------------------------------------------
//
// Set record: kind letter, first length (3 digits), second length (3 digits, "000" when
// the kind has one), object-set number (3 digits), text. Lengths are logical: what the
// text counts once the host has made every doubled double quote single. Upper-case
// kinds carry texts whose form-key prefix was cut off; the host takes the prefix from
// the "f" record at the head of the set and keeps it across the set's parts.

// Widest value a length or object-set number of a set record can hold.
inline constexpr int32_t kMaxSetField = 999;
// A send is made before a record would bring the quoted buffer to this many characters.
inline constexpr int32_t kSetSendMark = 4051;

// The number of characters text has once every doubled double quote is made single.
int32_t glLogicalLength(const QString& text);

// Empties the buffer and writes its "f" record, and starts a new set: a failure of
// the previous set is forgotten. The prefix (the form key) is made on first use.
void gInitVelqSet();
// Where the prefix comes from: the design definitions' gsFormKey, a layer above.
// installCoreHooks sets it at start-up; unset, the prefix is empty. resetVelq leaves it.
void setVelqFormKey(QString (*formKey)(const QString& sTable));

// Append one set record (texts built by the design-definition builders, carrying
// doubled quotes). When the record would bring the buffer to the send mark, the
// buffer is first sent as an intermediate part and continues empty, without a new
// "f" record.
//
// False, with nothing added, when the automatic send failed, when a record (or a key)
// is too long for the set ("Velq parameter too large"), or when the set already
// failed: once any part of a set failed, every later add and the commit of that set
// report failure, and nothing more of it is sent, until gInitVelqSet, the commit or
// an abort starts a new set.
bool gbVelqInsert(int32_t objectSet, const QString& record);
bool gbVelqDelete(int32_t objectSet, const QString& key);
bool gbVelqUpdate(int32_t objectSet, const QString& key, const QString& record);

// Sends the buffer as an intermediate part (mode 0) and starts a fresh buffer with
// its "f" record. 0 when sent, 1 when the send or an earlier part of the set failed;
// a failure stays with the set.
int32_t glSendVelqSet();
// Sends the buffer as the last part (mode 1): 0 when the host took it, 1 when it or
// an earlier part failed (a failed set is then not sent at all). Starts a new set.
int32_t glCommitVelqSet();

// The buffer as it stands, and whether the current set has failed.
const QString& gsVelqSetBuffer();
bool gbVelqSetFailed();
// The host's answer when the set failed because its database could not take it (one
// that gsHostWriteRefusal puts in words): nothing of it was written; 0 otherwise.
// Stays after the commit until gInitVelqSet or an abort.
int16_t giVelqHostRefusal();

// Forgets the buffer, the prefix and the last texts (tests).
void resetVelq();
