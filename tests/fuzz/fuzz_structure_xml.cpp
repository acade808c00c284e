// The paste of a structure text from the clipboard, up to the point where it would take
// records: the text read and checked into the staging structure, then the place and
// the free slots, on a small form. The input's first byte chooses the form version,
// the deepest group level, the place and whether a field may follow there; the rest is
// the clipboard's text. A text accepted keeps the staging structure's promises, on
// which the paste then relies without a check; the form is left as it was. Every text
// reads alike with and without the reader's shortcut for the writer's own texts.
#include "FuzzInput.h"

#include "StructureXml.h"
#include "mod_Clipboard.h"
#include "mod_DataSets.h"
#include "CoreHooks.h"
#include "NodeTree.h"
#include "mod_Palimor.h"
#include "Dialogs.h"

#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <functional>

namespace {

// Root, group 1 (level 1) holding group 2 (level 2) and field 1; free slots after them.
struct Form {
    NodeTree tree;
    std::array<TreeNode*, 4> places{};

    Form()
    {
        installCoreHooks();
        platform::installScriptedDialogs();
        gaGroups.assign(41, GroupRecord{});
        gaFields.assign(81, FieldRecord{});
        for (int16_t g = 0; g < 3; ++g) {
            gaGroups[size_t(g)].Grpi = int16_t(g + 1);
            gaGroups[size_t(g)].lGroupLevel = g;
        }
        gaFields[1].lFieldId = 1;
        gaFields[1].Grpi = 2;
        gnFieldCount = 1;
        TreeNode* root = tree.add(QStringLiteral("g_0"), QStringLiteral("form"));
        TreeNode* group = tree.add(root, Relationship::Child, QStringLiteral("g_1"), QStringLiteral("group 1"));
        TreeNode* inner = tree.add(group, Relationship::Child, QStringLiteral("g_2"), QStringLiteral("group 2"));
        TreeNode* field = tree.add(group, Relationship::Child, QStringLiteral("f_1"), QStringLiteral("field 1"));
        places = {root, group, inner, field};
    }

    // What the checks must leave alone.
    QString state() const
    {
        QString s = QString::number(gnFieldCount) + (gbFormChanged ? u'!' : u'.');
        for (const GroupRecord& g : gaGroups)
            s += QString::number(g.Grpi) + u',';
        for (const FieldRecord& f : gaFields)
            s += QString::number(f.lFieldId) + u',';
        return s;
    }
};

void useFormVersion(int32_t level)
{
    if (glFormVersionLevel == level)
        return;
    glFormVersionLevel = level;
    resetDataSets();
    gInitFormDataSets();
    gInitDataSets();
}

// Nodes in tree order from the top, each group's and field's record the next of its
// kind, children below their parent, only fields below a field, alignment numbers
// naming a staged group, groups no deeper than allowed.
void checkStaged(const StructureText& s, int16_t maxGroupDepth)
{
    FUZZ_CHECK(!s.nodes.empty() && s.nodes[0].parent == -1);
    FUZZ_CHECK(s.alignment.size() == s.groups.size());
    FUZZ_CHECK(s.groupDepth >= 0 && s.groupDepth <= maxGroupDepth);
    size_t groups = 0, fields = 0, visited = 0;
    std::function<void(int32_t)> visit = [&](int32_t i) {
        FUZZ_CHECK(i >= 0 && size_t(i) == visited && size_t(i) < s.nodes.size());
        ++visited;
        const StagedNode& n = s.nodes[size_t(i)];
        FUZZ_CHECK(n.record >= 0 && size_t(n.record) == (n.group ? groups++ : fields++));
        for (const int32_t c : n.children) {
            FUZZ_CHECK(c > i && size_t(c) < s.nodes.size() && s.nodes[size_t(c)].parent == i);
            FUZZ_CHECK(n.group || !s.nodes[size_t(c)].group);
            visit(c);
        }
    };
    visit(0);
    FUZZ_CHECK(visited == s.nodes.size() && groups == s.groups.size() && fields == s.fields.size());
    for (const int16_t a : s.alignment)
        FUZZ_CHECK(a >= -1 && a <= int32_t(s.groups.size()));
}

bool sameFields(const FieldRecord& a, const FieldRecord& b)
{
    const auto texts = [](const FieldRecord& f) {
        return QStringList{f.sFieldName,       f.sDomainPackage, f.sDomainCode,
                           f.sDisplayFormat,   f.sZoomTo,        f.sParallelMenu,
                           f.sZoomReturnField, f.sMessage,       f.sLanguageUnitExpression,
                           f.sLabelCode,       f.sInpRefExpr,    f.sDefaultValue,
                           f.sSearchField,     f.sIconName};
    };
    return texts(a) == texts(b) && a.iElement == b.iElement && a.lControl == b.lControl
           && a.iFieldLength == b.iFieldLength && a.bEchoField == b.bEchoField;
}

bool sameStaged(const StructureText& a, const StructureText& b)
{
    const auto sameNode = [](const StagedNode& x, const StagedNode& y) {
        return x.group == y.group && x.record == y.record && x.parent == y.parent && x.children == y.children;
    };
    const auto sameGroup = [](const GroupRecord& x, const GroupRecord& y) {
        return x.sLabelCode == y.sLabelCode && x.sParentTable == y.sParentTable && x.iGroupWidth == y.iGroupWidth;
    };
    return a.key306 == b.key306 && a.groupDepth == b.groupDepth && a.alignment == b.alignment
           && std::equal(a.nodes.begin(), a.nodes.end(), b.nodes.begin(), b.nodes.end(), sameNode)
           && std::equal(a.groups.begin(), a.groups.end(), b.groups.begin(), b.groups.end(), sameGroup)
           && std::equal(a.fields.begin(), a.fields.end(), b.fields.begin(), b.fields.end(), sameFields);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Form form;
    if (size == 0)
        return 0;
    const uint8_t choice = data[0];
    useFormVersion(8 + (choice & 3));
    const auto maxGroupLevel = int16_t(1 + ((choice >> 2) & 7));
    const TreeNode* place = form.places[size_t((choice >> 5) & 3)];
    const bool followUpAllowed = choice & 0x80;
    PasteTarget target;
    target.maxGroupLevel = maxGroupLevel;
    target.bIsFollowUpPlaceAllowed = [followUpAllowed](const TreeNode*) { return followUpAllowed; };
    gSetPasteTarget(std::move(target));

    const QString text = fuzz::text(data + 1, size - 1);
    StructureText plain, any;
    QString whyPlain, whyAny;
    const bool read = gbReadStructure(text, maxGroupLevel, plain, whyPlain);
    FUZZ_CHECK(gbReadStructureAsAnyXml(text, maxGroupLevel, any, whyAny) == read && whyPlain == whyAny);
    FUZZ_CHECK(sameStaged(plain, any));

    const QString before = form.state();
    StructureText s;
    QString why;
    const bool accepted = gbCheckPaste(place, text, s, why);
    FUZZ_CHECK(form.state() == before);
    if (accepted)
        checkStaged(s, maxGroupLevel);
    return 0;
}
