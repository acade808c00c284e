#pragma once
// Passes that bring loaded definitions in line with the current rules: the upgrades of
// a form stored by an older form-version level, and the sync of field display
// properties with their domains. What they change is marked, so that the next save
// stores it.
//
// Rules that read another record by index (a parent group, a field's domain, an enum
// constant of the domain) check the index first; a reference that leads nowhere makes
// its rule do nothing.
#include <cstdint>

// Groups of a form stored below the current level (every live group, the root first).
void gUpgradeGroups();
// Fields of a form stored below the current level.
void gUpgradeFields();
// Display format, lengths and default value of every live field with a loaded domain,
// taken over from the domain where the field follows it.
void gSyncFieldsWithDomains();
// The same for one field: its table marks raised for what changed; true when anything did.
bool gbSyncFieldWithDomain(int32_t i);

// What the start-up runs once the design definitions, the domains and their enum values
// are loaded: the domain sync; then, for a form stored at an older level, the group and
// the field upgrades; a form stored at a newer level gets its root group marked changed,
// so that the next save writes it at the current level.
void gRunUpgradePasses();
