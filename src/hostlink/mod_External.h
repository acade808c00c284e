#pragma once
// One wrapper per host function. Every wrapper builds one call text, runs it through
// gbExecuteFunction, copies the out-arguments back into its by-reference parameters
// only when the call succeeded, and turns the return value into its result.
#include "hostlink/mod_VrokInterface.h"

#include <QString>
#include <QStringList>
#include <cstdint>

// The call text of the last wrapper call and the host's return value of the last
// successful one (16-bit 0 when the host returned nothing).
extern QString msExtCallText;
extern VrokResult mvExtResult;

namespace ext {

// Runs msExtCallText := callText on the object; true when the call succeeded.
bool call(const QString& object, const QString& callText, int16_t firstOut = 0, int16_t lastOut = 0);

// The last return value read as a number (0 when empty or not numeric).
int16_t result16();
int32_t result32();
QString resultText();  // "0" when the host returned nothing

// Argument builders: a quoted text, a quoted placeholder of n blanks, a number.
QString text(const QString& value);
QString blanks(int n);
QString number(int64_t value);
// name( + arguments joined by "," + ")".
QString callText(const QString& name, const QStringList& args);

inline constexpr const char* kDllExtInt = "oqxdllextint";
inline constexpr const char* kDllLabels = "oqxdlllabels";
inline constexpr const char* kScmComm = "oqxscm.dll.comm";
inline constexpr const char* kSamMain = "oqxsammain";

} // namespace ext

void resetExternal();

// The wrappers, by area.
#include "hostlink/mod_External_Sessions.h"
#include "hostlink/mod_External_Labels.h"
#include "hostlink/mod_External_Dictionary.h"
