#pragma once
// Host texts: labels, message and question texts, data-set record lengths.
#include <QString>
#include <cstdint>
#include <functional>

// kind 2 record length of a data set, 3 message, 4 label, 5 question.
// A language of "0" stands for the user language and is replaced in the caller's
// variable; labelKind is handed on to the host label call.
QString gsGetDescription(const QString& code, int16_t kind, QString& language, int16_t& labelKind);

// The label text in the user language, or the code itself when there is none.
QString gsGetLabel(const QString& code, int16_t& labelKind);

// A source of texts that stands in for the host (tests, runs without a host).
// Asked with the code, the kind and the resolved language; "" means no text.
using DescriptionSource = std::function<QString(const QString& code, int16_t kind, const QString& language)>;
void setDescriptionSource(DescriptionSource source);

void resetTexts();
