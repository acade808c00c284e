#pragma once
// Stand-ins for the local host's session windows in tests.
#include "session_windows.h"

#include <QString>

#include <optional>

// Every session and look-up window closes without a choice, leaving in the request the
// language that `language` holds when it closes (read then, so a test can change it
// between calls).
inline host::SessionPresenter presenterEndingIn(const QString& language)
{
    return {{},
            [&language](host::SessionRequest& r, const host::LookUpTable&) -> std::optional<int> {
                r.language = language;
                return std::nullopt;
            },
            [&language](host::SessionRequest& r) { r.language = language; }};
}
