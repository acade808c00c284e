#pragma once
// The registry of host data sets and the readers that cut fields out of record
// buffers. The layouts themselves are shared with the local host (data_sets.h).
//
// A set or field that was never registered finds nothing: lengths, offsets, ends and
// record lengths are 0 and both readers give no value, leaving next/position as
// they were. Buffers hold plain text, so the readers trim blanks and nothing else.
#include <QHash>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// Data-set name -> number (1 to 34).
extern QHash<QString, int16_t> goDataSets;
// "set.field.spos" / ".flen" / ".dtyp" -> position, length in buffer characters, type.
extern QHash<QString, int32_t> goDataSetFields;
// [number][position] -> field code; "" where nothing is registered.
extern std::array<std::array<QString, 61>, 35> gasDataSetFieldNames;
// Bytes per character of the host's texts, from the version handshake (1 before it).
extern int32_t glBytesPerChar;

// Changes whenever a field is registered or the sets are forgotten: a length read with
// glFieldLength may be kept while it stays the same.
uint32_t glDataSetsRevision();

void gInitFormDataSets();
// Registers the other sets; qxzrn315 with zb_tabp and zb_selg where the form's version
// stores them.
void gInitDataSets();
// How gInitDataSets asks that: the form model's gbFormVersionSupports, a layer above.
// installCoreHooks sets it at start-up; unset, no version supports anything. The
// resets leave it.
void setFormVersionTest(bool (*supports)(int32_t mask));
void mAddDataSetField(const QString& set, const QString& field, int32_t position, int32_t length, int16_t type);

int32_t glFieldLength(const QString& set, const QString& field);
// First character (1-based) of the field in a full-layout record; noSeparators
// leaves out the Chr(1) after each host-text field before it.
int32_t glFieldOffset(const QString& set, const QString& field, bool noSeparators);
int32_t glFieldEnd(const QString& set, const QString& field);
// 0 for "qxzrn420_1", which has no fields.
void gGetRecordLength(const QString& set, int16_t& length);
int32_t glFieldOffsetIn(const QString& set, const QString& field, const QString& record);
// Distance from start (1-based) to the next Chr(1); -1 when there is none.
int32_t glPosOfChr1(const QString& buffer, int32_t start);
// The field's text, or nullopt for an unterminated host-text field; next then moves
// past the field's full length and its Chr(1). A field behind an unterminated host
// text has no place: nullopt, next past the end of the record.
std::optional<QString> gGetBufferField(const QString& set, const QString& field, const QString& record,
                                       int32_t& next);
std::optional<QString> gGetBufferFieldAt(const QString& set, const QString& field, const QString& buffer,
                                         int32_t& position);

void resetDataSets();
