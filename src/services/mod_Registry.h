#pragma once
// The editor's settings under one machine-wide key, over the settings store.
//
// Handles are 32-bit numbers handed out per opened key and valid until closed. A write
// that fails shows "Could't set Registry Entry" the first time in a run; later
// failures are logged.
#include <QString>
#include <cstdint>

inline constexpr int32_t HKEY_LOCAL_MACHINE = int32_t(0x80000002u);
inline const QString gsRegistryKey = QStringLiteral("Software\\Vrok\\Palimor");

// Low-level wrappers; true on success.
bool mbRegCreateKey(int32_t root, const QString& key, const QString& subkey, int32_t& hKey);
bool mbRegOpenKey(int32_t root, const QString& key, int32_t& hKey);
bool mbRegCloseKey(int32_t hKey);
bool mbRegQueryDWord(int32_t hKey, const QString& name, int32_t& value);
bool mbRegQueryString(int32_t hKey, const QString& name, QString& value);
bool mbRegSetDWord(int32_t hKey, const QString& name, int32_t value);
bool mbRegSetString(int32_t hKey, const QString& name, const QString& value);

// The stored DWORD, else the default text's numeric value.
int32_t glGetRegDWord(int32_t root, const QString& key, const QString& name, const QString& defaultValue);
// The stored string, else the default.
QString gsGetRegString(int32_t root, const QString& key, const QString& name, const QString& defaultValue);
bool gbSaveRegDWord(int32_t root, const QString& key, const QString& name, int32_t value);
bool gbSaveRegString(int32_t root, const QString& key, const QString& name, const QString& value);

// Number of keys opened and not yet closed (tests).
int openRegistryHandles();
// Closes every handle; the next failed write shows its message again.
void resetRegistry();
