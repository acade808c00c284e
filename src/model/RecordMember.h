#pragma once
// The record and value types of a pointer to a record member, for tables that are built
// from members: RecordOf<&FieldRecord::nOmod> is FieldRecord, ValueOf<...> is int16_t.
#include <QString>
#include <type_traits>

template <typename T>
struct MemberOf;
template <typename R, typename V>
struct MemberOf<V R::*> {
    using Record = R;
    using Value = V;
};
template <auto M>
using RecordOf = typename MemberOf<decltype(M)>::Record;
template <auto M>
using ValueOf = typename MemberOf<decltype(M)>::Value;

// A numeric member as text; an enum by the number it is stored as.
template <typename V>
QString numberText(V v)
{
    if constexpr (std::is_enum_v<V>)
        return QString::number(std::underlying_type_t<V>(v));
    else
        return QString::number(v);
}
