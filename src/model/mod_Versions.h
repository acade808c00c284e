#pragma once
// Form versions: the release check against the host's DLL, the current form-version
// level (the smaller of what the backend and the form's session support) and the
// feature test every part asks before it shows, loads or stores a newer property.
// glFormVersionLevel and glLoadedFormVersion live with the form model (mod_Palimor.h);
// glBytesPerChar with the data sets (mod_DataSets.h).
#include <QString>
#include <cstdint>

// Version text of the host's DLL: its first character is the release family, its
// last three characters the backend's number.
extern QString gsDllVersion;
// Release family: "g" 1, "v" 2, "w" 3, "x" 4; 0 for anything else.
extern int32_t glDllVersionClass;
extern int32_t glBackendVersion;
// Level of the form's session script; 0 when it was not asked.
extern int32_t glSessionVersion;

// The release family this editor serves.
inline constexpr int32_t kSupportedDllVersionClass = 4;

// Asks the host for its DLL version and bytes per character; false (after the log
// line and a message box) when the host belongs to another release family.
bool gbCheckVersion();
// Sets glSessionVersion and glFormVersionLevel.
void gInitFormVersion();
int32_t mlBackendFormVersion();
int32_t mlSessionFormVersion();
int32_t mlMin(int32_t a, int32_t b);

// True when the current level supports any bit of mask; false before the level is set.
bool gbFormVersionSupports(int32_t mask);

void resetVersions();
