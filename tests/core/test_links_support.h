#pragma once
// Forms for the model tests: built by hand, or loaded from the local host's demo
// forms; and the tree read back from the record links alone, to compare with the tree
// the links were made from.
#include "support/CoreTestSupport.h"
#include "support/LocalHostFixture.h"

#include <algorithm>
#include <functional>

#include <sqlite_util.h>

#include "mod_FormChoice.h"
#include "NodeTree.h"

namespace links {

// The nodes below node as "key(children) key ...".
inline QString treeText(const TreeNode* node)
{
    QStringList parts;
    for (const TreeNode* c = node->child(); c; c = c->next())
        parts << (c->children() ? c->key() + u'(' + treeText(c) + u')' : c->key());
    return parts.join(u' ');
}

// The same text from the links: child groups along lNextGroup (a virtual group stands
// for its fields), then the fields from lFirstField along lNextField, follow-ups from
// lChildField, field links through the id map.
inline QString fieldsText(int16_t first, int depth = 0)
{
    QStringList parts;
    for (int16_t n = first; n != 0 && parts.size() < 5000;) {
        const std::optional<int32_t> i = gvIndexOfId(n);
        if (!i || depth > 50)
            return QStringLiteral("<bad field link %1>").arg(n);
        const FieldRecord& f = gaFields[size_t(*i)];
        parts << (f.lChildField ? gsFieldKey(*i) + u'(' + fieldsText(f.lChildField, depth + 1) + u')'
                                : gsFieldKey(*i));
        n = f.lNextField;
    }
    return parts.join(u' ');
}

inline QString linksText(int32_t index = 0, int depth = 0)
{
    QStringList parts;
    for (int16_t c = gaGroups[size_t(index)].lChildGroup; c != 0; c = gaGroups[size_t(c - 1)].lNextGroup) {
        if (c < 1 || size_t(c) > gaGroups.size() || depth > 50 || parts.size() > 1000)
            return QStringLiteral("<bad group link %1>").arg(c);
        const GroupRecord& g = gaGroups[size_t(c - 1)];
        const QString inner = g.bVirtualGroup ? fieldsText(g.lFirstField) : linksText(c - 1, depth + 1);
        parts << (g.bVirtualGroup ? inner : inner.isEmpty() ? gsGroupKey(c - 1) : gsGroupKey(c - 1) + u'(' + inner + u')');
    }
    if (gaGroups[size_t(index)].lFirstField != 0)
        parts << fieldsText(gaGroups[size_t(index)].lFirstField);
    return parts.join(u' ');
}

// The order numbers of the field nodes in tree order.
inline std::vector<int16_t> orderNumbers(const TreeNode* root)
{
    std::vector<int16_t> out;
    for (const TreeNode* n = NodeTree::nextDepthFirst(root, root); n; n = NodeTree::nextDepthFirst(n, root))
        if (gbIsFieldKey(n->key()))
            out.push_back(gaFields[size_t(n->key().mid(2).toInt())].nOmod);
    return out;
}

inline bool strictlyRising(const std::vector<int16_t>& v)
{
    return std::adjacent_find(v.begin(), v.end(), std::greater_equal<int16_t>()) == v.end();
}

// Stored copies equal to the values and no marks: the form as if just loaded.
inline void markStored()
{
    for (GroupRecord& g : gaGroups) {
        gSetGroupStoredCopies(g);
        g.bChanged = false;
    }
    for (FieldRecord& f : gaFields) {
        gSetFieldStoredCopies(f);
        f.bChanged = f.bChanged301 = f.bChanged302 = f.bChanged308 = false;
    }
    gbFormChanged = false;
}

// A root group in a tree, room for 60 groups and 80 fields, all slots free.
class HandBuiltForm : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        tree.clear();
        gaGroups.assign(60, GroupRecord{});
        gaGroups[0].Grpi = 1;
        gaFields.assign(80, FieldRecord{});
        gnFieldCount = 0;
        gaEnumCommandType = {{}, {"session", "", 1}, {"group", "", 2}, {"field", "", 3}};
        root = tree.add(QStringLiteral("g_0"), QStringLiteral("form"));
        gsetMainTree(&tree);
    }

    TreeNode* group(TreeNode* parent, int32_t index)
    {
        GroupRecord& g = gaGroups[size_t(index)] = GroupRecord{};
        g.Grpi = int16_t(index + 1), g.lAlignmentGroupId = int16_t(-index), g.iGroupWidth = 1;
        g.sFrameDesc = QStringLiteral("G%1").arg(index);
        g.sNodeKey = gsGroupKey(index);
        return tree.add(parent, Relationship::Child, g.sNodeKey, g.sFrameDesc);
    }

    TreeNode* field(TreeNode* parent, int32_t index, int16_t omod = 0, ControlKind control = ControlKind::Input)
    {
        FieldRecord& f = gaFields[size_t(index)] = FieldRecord{};
        f.lFieldId = int16_t(index), f.nOmod = omod, f.lControl = control;
        f.sFieldName = QStringLiteral("F%1").arg(index);
        f.sNodeKey = gsFieldKey(index);
        gnFieldCount = std::max<int16_t>(gnFieldCount, int16_t(index));
        return tree.add(parent, Relationship::Child, f.sNodeKey, f.sFieldName);
    }

    int32_t liveVirtualGroups() const
    {
        return int32_t(std::count_if(gaGroups.begin() + 1, gaGroups.end(),
                                     [](const GroupRecord& g) { return g.Grpi != -1 && g.bVirtualGroup; }));
    }

    NodeTree tree;
    TreeNode* root = nullptr;
};

// A demo form of the local host's database, read as the start-up reads it.
class HostForm : public HostCoreTest {
protected:
    void SetUp() override
    {
        HostCoreTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(connectEditor());
    }

    // The start-up up to the load: form choice, data sets, enums, the object set.
    void select(const QString& code, int32_t level = 11)
    {
        resetPalimor();
        resetDataSets();
        gInitFormDataSets();
        form = {QStringLiteral("te"), QStringLiteral("kwy"), code, QStringLiteral("2"), QStringLiteral("7.6"),
                QStringLiteral("a3"), QStringLiteral("dev")};
        gsModule = "";
        gsOpenMode = "w";
        host::scriptSessionAnswer(form);
        gSelectForm();
        glFormVersionLevel = level;
        gInitDataSets();
        gENUM_FillEnums();
        glObjectSet301 = glOpenObjectSet(QStringLiteral("qxzrn301"));
        ASSERT_GT(glObjectSet301, 0);
        glLoadedFormVersion = 11;
        host::clearCallLog();
        dialogs->clear();
    }

    // The rows of a query on the test's own connection, each as its column texts.
    std::vector<QStringList> rows(const QString& sql) const
    {
        host::Statement st(db->handle(), sql);
        std::vector<QStringList> out;
        while (st.step()) {
            out.emplace_back();
            for (int i = 0; i < st.columnCount(); ++i)
                out.back() << st.text(i);
        }
        return out;
    }
    int64_t count(const QString& sql) const { return queryNumber(db->handle(), sql); }

    host::FormIdentity form;
};

} // namespace links
