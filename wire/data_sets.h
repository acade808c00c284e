#pragma once
// Record layouts of the host's data sets, shared by the editor and the local host so
// that both build and cut record buffers the same way.
//
// A record is its fields in position order. A fixed field (type 6) takes exactly its
// length, left-aligned, blank-filled. A host-text field (type 11) holds at most its
// declared length times the bytes per character and is ended by one Chr(1); in a
// record built to the full layout it fills its whole length before the Chr(1).
// Buffers hold plain text: the doubling of quotes in call texts is undone before a
// buffer is cut and done again only when the buffer is sent.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace datasets {

enum FieldType : int16_t { Fixed = 6, HostText = 11 };

inline constexpr QChar kEndOfText = QChar(1);

// Removes blanks at both ends, as SQL trim() does: fixed-width texts are padded with
// blanks, and values are compared and handed on without that padding.
QString trimBlanks(const QString& text);
// The same, as a view into text.
QStringView trimBlanks(QStringView text);

// The text cut to at most width characters, never inside one: a character of two
// UTF-16 units that the width would split is left out whole. Every cut of a text to
// a field's or a box's width goes through here, in the editor and in the host alike.
QString leftWhole(const QString& text, qsizetype width);
// The text cut as leftWhole cuts it, then filled with blanks to exactly width.
QString fixedWidth(const QString& text, qsizetype width);

struct FieldLayout {
    QString code;
    int32_t declaredLength = 0;  // before the bytes per character
    FieldType type = Fixed;
};

struct DataSetLayout {
    int16_t number = 0;
    QString name;
    std::vector<FieldLayout> fields;  // position order; position = index + 1
};

// The 31 data sets, numbered 1 to 34. withSelectionGroups adds the last two fields of
// "qxzrn315" (zb_tabp, zb_selg), which only newer form versions store.
const std::vector<DataSetLayout>& allLayouts(bool withSelectionGroups = true);
const DataSetLayout* findLayout(const QString& name, bool withSelectionGroups = true);

// Length of a field in buffer characters (type 11: declared length times bytesPerChar).
int32_t fieldLength(const FieldLayout& f, int32_t bytesPerChar);
// Record length: every field's length plus one Chr(1) per host-text field.
int32_t recordLength(const DataSetLayout& set, int32_t bytesPerChar);

// Builds one record of a layout: unset fields are blanks.
class RecordBuilder {
public:
    RecordBuilder(const DataSetLayout& set, int32_t bytesPerChar);
    // Sets a field's text (cut to its length); false for a code the layout lacks.
    bool set(const QString& code, const QString& value);
    bool set(const QString& code, int64_t value);
    // The whole record, full layout: every host-text field padded to its length.
    QString record() const;
    // The record as the host writes it: host-text fields only as long as their text.
    QString compactRecord() const;
    // The same, appended to out.
    void appendCompactRecord(QString& out) const;

private:
    void append(QString& out, bool compact) const;

    const DataSetLayout& m_set;
    int32_t m_bytesPerChar;
    std::vector<QString> m_values;
};

// Cuts the records of a buffer in turn. Reading past a host-text field finds its
// end by the Chr(1), so compact and full records read alike.
class RecordReader {
public:
    RecordReader(const DataSetLayout& set, int32_t bytesPerChar, const QString& buffer);
    // Reads the next record; false at the end of the buffer, or when the rest is blank
    // or not a whole record.
    bool next();
    // The value of a field of the current record, trimmed of blanks on both sides.
    QString value(const QString& code) const;
    int64_t number(const QString& code) const;
    int position() const { return m_pos; }

private:
    const DataSetLayout& m_set;
    int32_t m_bytesPerChar;
    QString m_buffer;
    int m_pos = 0;
    std::vector<QString> m_current;
};

} // namespace datasets
