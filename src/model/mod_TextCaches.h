#pragma once
// Texts and data that only the host can give the records: label texts of fields and
// of the table-field picker, group label texts, the main table's dictionary data of
// fields, domain data and enum values.
//
// Every loader collects the entries whose target is still empty, packs one request
// record per entry into a buffer of at most 4050 characters, sends it with one host
// call, reads the answers back out of the same buffer in the same order, and goes on
// until every entry was asked. An entry whose answer comes back empty stays empty and
// is asked again by the next call of its loader. When a call fails, the batch is not
// read: its entries stay empty.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

class NodeTree;

// The most characters a request buffer of the host may hold.
inline constexpr int32_t kHostBufferLimit = 4050;

// ---- Reading host buffers ------------------------------------------------------------

// Fields of a registered data set, read one after the other from a running position as
// gGetBufferFieldAt reads them (a fixed field takes its width, a host text runs to its
// Chr(1), values lose their outer blanks), with the widths and kinds asked of the
// registry once rather than for every record.
class RecordLayout {
public:
    RecordLayout(const QString& set, const QStringList& fields);
    // Reads every field from position (1-based), which moves past them; a field beyond
    // the buffer, or a host text without its end, reads as "".
    void read(const QString& buffer, int32_t& position, std::vector<QString>& values) const;
    // The same as views into buffer, which must outlive them: nothing is copied.
    void read(const QString& buffer, int32_t& position, std::vector<QStringView>& values) const;

private:
    template <typename Put>
    void forEachValue(const QString& buffer, int32_t& position, Put put) const;

    struct Field {
        int32_t length;
        bool hostText;
    };
    std::vector<Field> m_fields;
};

// ---- The trees the loaders write node texts into ------------------------------------

// The main window's tree of the form (tvwGroups) and its group node text (msGroupProps);
// the picker's tree (tvwFields). Unset, no node text is written.
using GroupPropsText = std::function<void(int16_t index, QString& text)>;
void gSetGroupsTree(NodeTree* tree, GroupPropsText groupProps);
void gSetPickerTree(NodeTree* tree);
// What the picker does on a double click (expand its selected entry) and on Apply
// (insert its selected entry into the form); unset, gAddRefDescField does nothing.
struct PickerCommands {
    std::function<void()> expand;
    std::function<void()> apply;
};
void gSetPickerCommands(PickerCommands commands);

// ---- Loaders ------------------------------------------------------------------------

// Label length, height and text of the picker entries (gaTableFields 1 to
// gnTableFieldCount); each entry's picker node gets the text appended.
void gLoadPickerLabels(int16_t number);
// sLabelDescSO (bSingleOcc) or sLabelDescMO of the fields 1 to gnFieldCount.
void gLoadFieldLabels(int16_t number, bool bSingleOcc);
// sTabDesc and sFrameDesc of the groups 1 up, and the texts of their tree nodes.
void gLoadGroupLabels();
// The main table's data of every field not checked yet.
void gLoadTableFieldData();
// Every domain not loaded yet, then iFieldLength of every field with a domain package.
// glEnumsPerBuffer must be set before.
void gLoadDomains();
// The same for the listed records only (indexes rising), such as the new records of a
// paste: no other record or node text is read or written. Domains not loaded yet are
// loaded all the same.
void gLoadFieldLabels(int16_t number, bool bSingleOcc, const std::vector<int32_t>& fields);
void gLoadGroupLabels(const std::vector<int32_t>& groups);
void gLoadTableFieldData(const std::vector<int32_t>& fields);
void gLoadDomains(const std::vector<int32_t>& fields);
// The enum values of every enumerate domain not loaded yet.
void gLoadEnums();

// Display text of a domain's data type (gaDomains(index)): the type name with its digits
// or length; "" for an index outside the array.
QString gsDomainTypeText(int16_t& index);
// The display length of gaFields(index) from its domain and display format.
int16_t giDomainDisplayLength(int16_t index);
// The one rule behind it, for the values of a record or of the property dialog: the
// domain's data type, the maximum display and input lengths, the display format, whether
// that format is the domain's, and the domain's format length (difl). Amounts add the
// decimals and the point when a maximum input length is given; a format decides alone.
int16_t giDisplayLength(int32_t dataType, int32_t maxDisplay, int32_t maxInput, const QString& displayFormat,
                        bool formatLinked, int32_t domainDifl);

// For the field just inserted from a reference entry of the picker (the selected node
// of the form's tree, a "reffield" node): expands that entry in the picker and applies
// the referenced table's description field ("desc" or "dsca", else its first text or
// enumerate field that is no check box). Nothing when there is none.
void gAddRefDescField();

// The label length a field's request carries for the host to pick a text that fits.
int32_t glLabelLengthForRequest(int32_t fieldIndex, bool bSingleOcc);

// Forgets the trees and the picker's commands (tests).
void resetTextCaches();
