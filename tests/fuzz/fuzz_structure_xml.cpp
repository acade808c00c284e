// The paste of a structure text from the clipboard, up to the point where it would take
// records: the text read and checked into the staging structure, then the place and
// the free slots, on a small form. The input's first byte chooses the form version,
// the deepest group level, the place and whether a field may follow there; the rest is
// the clipboard's text. A text accepted keeps the staging structure's promises, on
// which the paste then relies without a check; the form is left as it was.
#include "FuzzInput.h"

#include "StructureXml.h"
#include "mod_Clipboard.h"
#include "mod_DataSets.h"
#include "CoreHooks.h"
#include "NodeTree.h"
#include "mod_Palimor.h"
#include "Dialogs.h"

#include <QTemporaryDir>

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

    const QString before = form.state();
    StructureText s;
    QString why;
    const bool accepted = gbCheckPaste(place, fuzz::text(data + 1, size - 1), s, why);
    FUZZ_CHECK(form.state() == before);
    if (accepted)
        checkStaged(s, maxGroupLevel);
    return 0;
}
