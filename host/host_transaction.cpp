#include "host_transaction.h"

#include "host_database.h"

namespace host {

void joinHostTransaction(HostDatabase& db)
{
    if (!db.inTransaction())
        db.begin();
}

void commitHostTransaction(HostDatabase& db)
{
    if (db.inTransaction())
        db.commit();
}

void abortHostTransaction(HostDatabase& db) { db.rollback(); }

bool hostTransactionOpen(const HostDatabase& db) { return db.inTransaction(); }

} // namespace host
