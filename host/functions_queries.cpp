// Host functions of the remote queries: object sets, query definitions, fetches in
// blocks and their close.
#include "dispatcher.h"
#include "functions.h"
#include "query_engine.h"

namespace host {

namespace {

// am_open_object_set("table")
void openSet(CallContext& c)
{
    c.requireCount(1);
    c.setReturnValue(int64_t(openObjectSet(c.handle(), c.trimmedText(1))));
}

// am_close_object_set(number)
void closeSet(CallContext& c)
{
    c.requireCount(1);
    c.setReturnValue(int64_t(closeObjectSet(c.handle(), c.number(1))));
}

// am_define_full_query(objectSet, "select", "from", "where", "order")
void defineFullQuery(CallContext& c)
{
    c.requireCount(5);
    c.setReturnValue(int64_t(defineQuery(c.handle(), c.number(1), c.text(2), c.text(3), c.text(4), c.text(5))));
}

// am_query_fetch(objectSet, query, mode, rows, 0, "buffer"): the rows go into the buffer.
void queryFetch(CallContext& c)
{
    c.requireCount(6);
    const int64_t objectSet = c.number(1);
    const int64_t query = c.number(2);
    const int64_t mode = c.number(3);
    const int64_t rows = c.number(4);
    c.number(5);  // passed on by every caller as 0
    const FetchAnswer answer = fetchQuery(c.handle(), objectSet, query, mode, rows, c.text(6));
    if (answer.value > 0)
        c.setText(6, answer.buffer);
    c.setReturnValue(int64_t(answer.value));
}

// am_query_close(objectSet, query)
void queryClose(CallContext& c)
{
    c.requireCount(2);
    c.setReturnValue(int64_t(closeQuery(c.handle(), c.number(1), c.number(2))));
}

} // namespace

void registerQueryFunctions(Dispatcher& d)
{
    d.add(kObjectSamMain, QStringLiteral("am_open_object_set("), openSet);
    d.add(kObjectSamMain, QStringLiteral("am_close_object_set("), closeSet);
    d.add(kObjectSamMain, QStringLiteral("am_define_full_query("), defineFullQuery);
    d.add(kObjectSamMain, QStringLiteral("am_query_fetch("), queryFetch);
    d.add(kObjectSamMain, QStringLiteral("am_query_close("), queryClose);
}

} // namespace host
