#include "mod_Versions.h"

#include "mod_DataSets.h"
#include "mod_External.h"
#include "mod_VrokGlobal.h"
#include "mod_Palimor.h"
#include "Dialogs.h"
#include "mod_Global.h"

#include <array>
#include <utility>

QString gsDllVersion;
int32_t glDllVersionClass = 0;
int32_t glBackendVersion = 0;
int32_t glSessionVersion = 0;

namespace {

constexpr std::array<std::pair<char16_t, int32_t>, 4> kReleaseFamilies = {
    {{u'g', 1}, {u'v', 2}, {u'w', 3}, {u'x', 4}}};

// Features by level: index = level - 8.
constexpr std::array<int32_t, 4> kSupportedMasks = {1, 23, 119, 247};

// The session script level from which a form reaches level 11.
constexpr int32_t kSessionVersionFor11 = 1075;

void refuse(const QString& text)
{
    gWriteLog(text);
    platform::dialogs().messageBox(text, platform::MbOk, platform::applicationTitle());
}

} // namespace

int32_t mlMin(int32_t a, int32_t b)
{
    return a < b ? a : b;
}

bool gbCheckVersion()
{
    glInitDllExtInt(glBytesPerChar, gsDllVersion);
    glBackendVersion = valueOfText<int32_t>(gsDllVersion.right(3));
    // Case matters: an uppercase letter is no known family and counts as older.
    glDllVersionClass = 0;
    for (const auto& [letter, family] : kReleaseFamilies)
        if (!gsDllVersion.isEmpty() && gsDllVersion.front() == QChar(letter))
            glDllVersionClass = family;

    if (glDllVersionClass < kSupportedDllVersionClass) {
        refuse(QStringLiteral("Older version of Urq Palimor needed"));
        return false;
    }
    if (glDllVersionClass > kSupportedDllVersionClass) {
        refuse(QStringLiteral("Newer version of Urq Palimor needed"));
        return false;
    }
    return true;
}

int32_t mlBackendFormVersion()
{
    int32_t level = 11;
    if (glBackendVersion <= 2)
        level = 8;
    else if (glBackendVersion == 3)
        level = 9;
    else if (glBackendVersion <= 5)
        level = 10;
    gWriteLog(QStringLiteral("Form version supported by backend ") + numberWithSign(level));
    return level;
}

int32_t mlSessionFormVersion()
{
    const int32_t level = glSessionVersion >= kSessionVersionFor11 ? 11 : 10;
    gWriteLog(QStringLiteral("Form version supported by session ") + numberWithSign(level));
    return level;
}

void gInitFormVersion()
{
    const int32_t backend = mlBackendFormVersion();
    if (backend == 11) {
        const FixedString<8> session(gsSession);
        glSessionVersion = glGetScriptTiv(gsPackage, gsModule, session);
    } else {
        glSessionVersion = 0;
    }
    glFormVersionLevel = mlMin(backend, mlSessionFormVersion());
}

bool gbFormVersionSupports(int32_t mask)
{
    if (glFormVersionLevel < 8 || glFormVersionLevel > 11)
        return false;
    return (mask & kSupportedMasks[size_t(glFormVersionLevel - 8)]) != 0;
}

void resetVersions()
{
    gsDllVersion.clear();
    glDllVersionClass = 0;
    glBackendVersion = 0;
    glSessionVersion = 0;
}
