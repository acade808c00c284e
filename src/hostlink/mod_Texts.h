#pragma once
// Host texts: labels, message and question texts, data-set record lengths, and the
// per-language cache of fetched texts in the registry.
#include <QString>
#include <cstdint>

// kind 2 record length of a data set, 3 message (code with its package prefix),
// 4 label, 5 question. A language of "0" stands for the user language and is
// replaced in the caller's variable; then a text missing in that language is looked
// up in language "2". labelKind is handed on to the host label call.
// Returns the text trimmed, or "" (kind 3: the code when the host has no such message).
QString gsGetDescription(const QString& code, int16_t kind, QString& language, int16_t& labelKind);

// The label text in the user language, or the code itself when there is none; the
// first missing label of a run is reported once.
QString gsGetLabel(const QString& code, int16_t& labelKind);

// Registry key of the text cache of a language.
QString gsTextCacheKey(const QString& language);

void resetTexts();
