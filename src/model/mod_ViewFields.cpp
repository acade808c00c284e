#include "mod_ViewFields.h"

#include "mod_External.h"
#include "mod_VrokGlobal.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Records.h"

#include <algorithm>

QString gsViewFieldList;
int32_t glViewFieldCount = 0;

namespace {

constexpr int kRecordLength = 18;
constexpr int kListLength = 576;
constexpr int kMaxRecords = kListLength / kRecordLength;

void askHostOnce()
{
    if (!gsViewFieldList.isEmpty())
        return;
    gsViewFieldList = QString(kListLength, QLatin1Char(' '));
    const int32_t answer = giGetViewFields(gsPackage, gsModule, gsSession, gsTablePackage, gsTableModule,
                                           gsTableNumber, gsSessionVersion, gsSessionRelease, gsSessionCustomer,
                                           gsViewFieldList);
    // The list holds no more records than its buffer, whatever the host answers.
    glViewFieldCount = std::clamp(answer, 0, kMaxRecords);
}

bool isFieldIndex(int32_t index) { return index >= 1 && size_t(index) < gaFields.size(); }

} // namespace

bool gbIsViewField(int32_t index, const TreeNode* node, std::optional<bool> dependent, int16_t& reason,
                   int32_t& dependsOn)
{
    reason = ViewFieldNone;
    dependsOn = 0;
    if (!isFieldIndex(index))
        return false;
    askHostOnce();
    const FieldRecord& f = gaFields[size_t(index)];
    int32_t position = 0;
    if (gbFindInFixedList(f.sFieldName.trimmed(), gsViewFieldList, glViewFieldCount, position)) {
        reason = ViewFieldListed;
        return false;
    }
    if (node && dependent.value_or(f.bDependent)) {
        // The field it depends on: its parent field, else the field before it.
        const TreeNode* other = nullptr;
        if (const TreeNode* parent = node->parent(); parent && gbIsFieldKey(parent->key()))
            other = parent;
        else if (gbPreviousIsField(node))
            other = node->previous();
        if (other) {
            const int32_t otherIndex = other->key().mid(2).toInt();
            int16_t r = 0;
            int32_t d = 0;
            if (gbIsViewField(otherIndex, other, std::nullopt, r, d)) {
                reason = ViewFieldDependent;
                dependsOn = otherIndex;
                return true;
            }
        }
    }
    if (f.bIsViewField) {
        reason = ViewFieldMarked;
        return true;
    }
    return false;
}

void resetViewFields()
{
    gsViewFieldList.clear();
    glViewFieldCount = 0;
}
