#pragma once
// The structure text: a group or field of the form with everything below it, as XML.
//
//   <body>
//     <header plm_id="Palimor" format="1" key306="..."/>
//     <definition>
//       <group> <groupprops .../> then its subgroups and fields in tree order </group>
//       or <field> <fieldprops .../> then its follow-up fields </field>
//     </definition>
//   </body>
//
// key306 is the identity of the form copied from, in the widths of its columns
// (language, package, module, form code, version, release, customer). The properties
// are attributes named as the record members: Booleans 0 or 1, numbers in decimal,
// texts as they stand. Every attribute is written and must be there when read.
// Ids, links, order numbers, stored copies, positions, change marks, label texts and
// the main table's data of a field are not written: a paste makes them afresh for the
// form it goes into. lAlignmentGroupId is -1 (default), 0 (equal) or the number of a
// copied group in tree order (1 the first); an alignment group outside the copy is
// written as -1.
//
// Nesting carries the structure, so a text has no link numbers and cannot describe a
// cycle. Reading is strict: the text comes from the clipboard, where anything can be.
#include <QString>
#include <cstdint>
#include <vector>

#include "mod_Palimor.h"

class TreeNode;

inline constexpr char kStructureId[] = "Palimor";
// The format written; a text of another format is refused.
inline constexpr int32_t kStructureFormat = 1;
// The longest text read, in characters; a longer one is refused before it is parsed.
// A copy of the largest form stays well below it.
inline constexpr qsizetype kMaxStructureText = qsizetype{8} * 1024 * 1024;
// The deepest nesting of follow-up fields below a field that a text may hold.
inline constexpr int32_t kMaxFollowUpDepth = 20;

// One group or field of a read text.
struct StagedNode {
    bool group = false;
    int32_t record = 0;             // index into StructureText::groups or ::fields
    int32_t parent = -1;            // node index; -1 for the top node
    std::vector<int32_t> children;  // node indexes, in tree order
};

// A text read and checked, before any record of the form is touched. Nodes, groups
// and fields are each in tree order; nodes[0] is the top node.
struct StructureText {
    QString key306;
    std::vector<GroupRecord> groups;
    std::vector<int16_t> alignment;  // of each group, as in the text
    std::vector<FieldRecord> fields;
    std::vector<StagedNode> nodes;
    int16_t groupDepth = 0;  // group levels below the top group
};

// The current form's identity as key306 text.
QString gsStructureKey306();

// The text of node's group or field with everything below it; with a stylesheet, an
// xml-stylesheet line names it. False, with why, when a record holds a text that XML
// cannot carry (a control character); text is then not to be used.
bool gbWriteStructure(const TreeNode* node, const QString& stylesheet, QString& text, QString& why);

// Reads and checks the whole text: size, no document type or entity, no element with
// more attributes than a record has (counted before the XML is read), the elements and
// their order, the header, every attribute known and present once, each number within
// the range the property dialog takes for it and its column's width, each code (names,
// label, domain and other codes) free of control characters and each text within its
// column's width, groups nested at most maxGroupDepth levels below the top, follow-ups
// at most kMaxFollowUpDepth, alignment numbers naming a copied group. False with why
// (a sentence for the user) at the first fault.
// A text as the writer makes it is read without the XML reader; any other text, or
// one that turns out not to be plain part of the way, is read whole by the XML reader.
bool gbReadStructure(const QString& text, int16_t maxGroupDepth, StructureText& out, QString& why);

// As gbReadStructure, every text through the XML reader. Both read any text alike.
bool gbReadStructureAsAnyXml(const QString& text, int16_t maxGroupDepth, StructureText& out, QString& why);

// True when the text begins as a structure text of this program and format.
bool gbIsStructureText(const QString& text);

// The members a text carries, from one record into another, except those the current
// form version lacks (the target keeps its value for them).
void gCopyStructureMembers(GroupRecord& to, const GroupRecord& from);
void gCopyStructureMembers(FieldRecord& to, const FieldRecord& from);
