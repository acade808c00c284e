#pragma once
// The record and value types of a pointer to a record member, for tables that are built
// from members: RecordOf<&FieldRecord::nOmod> is FieldRecord, ValueOf<...> is int16_t.

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
