#pragma once
#include <QLatin1String>
#include <QStringList>
#include <initializer_list>

// Names written in ASCII in the code (columns, record fields) as a list of texts.
inline QStringList latin1List(std::initializer_list<const char*> names)
{
    QStringList list;
    list.reserve(qsizetype(names.size()));
    for (const char* name : names)
        list << QLatin1String(name);
    return list;
}
