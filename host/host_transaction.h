#pragma once
// The open host transaction. Host writes (labels, input properties, update-set parts)
// join it: the first one begins it. The last part of an update set commits it and
// "am_abort_transaction()" rolls it back, so a save is all or nothing.
namespace host {

class HostDatabase;

void joinHostTransaction(HostDatabase& db);
void commitHostTransaction(HostDatabase& db);
// Rolls back whatever the open transaction wrote; nothing happens without one.
void abortHostTransaction(HostDatabase& db);
bool hostTransactionOpen(const HostDatabase& db);

} // namespace host
