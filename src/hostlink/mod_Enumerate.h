#pragma once
// The editor's own enum domains (field type, zoom type, data alignment, label
// position, input kind, form-command link kind): loaded once per run in the user
// language, from the host the first time and from the per-user settings after that.
#include <QString>
#include <cstdint>
#include <vector>

struct EnumValueRecord {
    QString sName;   // constant name
    QString sDesc;   // description; the name when the host has none
    int32_t lValue = 0;
};

// Indexed by the constant's value ("zrn.adju" by value - 1); an index no constant
// filled has empty texts and value 0.
extern std::vector<EnumValueRecord> gaEnumFieldType;    // zrn.typf
extern std::vector<EnumValueRecord> gaEnumZoomType;     // zrn.zoom
extern std::vector<EnumValueRecord> gaEnumDataAlign;    // zrn.adju
extern std::vector<EnumValueRecord> gaEnumLabelPos;     // zrn.lpos
extern std::vector<EnumValueRecord> gaEnumInputKind;    // zrn.type
extern std::vector<EnumValueRecord> gaEnumCommandType;  // zrn.btyp

// The six domain codes, in load order (package "qx" goes in front towards the host).
extern const QString gasEnumDomains[6];

// Most constants read of one domain.
inline constexpr int32_t kMaxEnumsPerDomain = 1000;
// Enum values above 127 have no place in these tables nor in a domain record's
// (mod_Palimor.h).
inline constexpr int kMaxEnumConstants = 128;

// Application name of the enum cache of a language ("Palimor\Enums\Language." + it).
QString gsEnumCacheApplication(const QString& language);

// Loads the six tables: from the cache when the user language has one, else from
// the host (which then writes the cache).
void gENUM_FillEnums();

// Reads the six domains from the host. The cache is written only when every host
// call succeeded and every domain was read; false otherwise (reported).
bool mLoadEnumsFromHost();
// Reads one domain's constants from the cache.
void mReadEnumCache(const QString& domain);
// Reads count constants of domain from an "enum set" answer at position (1-based),
// which moves past them; false when the answer did not hold count whole constants.
bool mReadEnumRows(const QString& buffer, int32_t count, const QString& domain, int32_t& position);
// Logs one constant and stores it in its domain's table; fromHost queues its cache
// entry. A constant whose index falls outside 0 to 127 is reported and skipped.
void mStoreEnumValue(const QString& domain, int32_t value, const QString& name, const QString& description,
                     bool fromHost);

// Empty tables (a single empty entry each) and no queued cache entries (tests).
void resetEnumerate();
