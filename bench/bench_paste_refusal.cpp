// The checks of a paste on the texts that cost them most under the size cap, each of
// which is refused: one element holding as many attributes as the cap leaves room for,
// a group of as many well-made fields or groups as fit, and a document type declaring
// as many entities as fit. Each refusal should take at most a second.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "StructureXml.h"
#include "mod_Clipboard.h"
#include "mod_DataSets.h"
#include "mod_VrokGlobal.h"
#include "NodeTree.h"
#include "mod_Palimor.h"
#include "Dialogs.h"

#include "bench_ratio.h"

#include <functional>

namespace {

enum Text { ManyAttributes, ManyFields, ManyGroups, ManyEntities };

// A group holding one field, as the writer writes them, the field's texts as long as
// their columns allow.
QString wellMadeGroup()
{
    gaGroups.assign(2, GroupRecord{});
    gaGroups[1].Grpi = 2;
    gaGroups[1].iGroupWidth = 1;
    gaFields.assign(2, FieldRecord{});
    FieldRecord& f = gaFields[1];
    f.lFieldId = 1;
    f.iElement = f.iStartPosOfString = f.nZoomField = f.lFieldType = 1;
    f.sFieldName = QStringLiteral("tekwy001.x").leftJustified(17, u'x');
    f.sLabelCode = QStringLiteral("tekwy001.label").leftJustified(34, u'l');
    f.sDisplayFormat = QString(30, u'9');
    f.sLanguageUnitExpression = QString(20, u'e');
    f.sInpRefExpr = f.sDefaultValue = QString(65, u'&');
    NodeTree tree;
    TreeNode* group = tree.add(QStringLiteral("g_1"), QStringLiteral("group"));
    tree.add(group, Relationship::Child, QStringLiteral("f_1"), QStringLiteral("field"));
    QString text, why;
    return gbWriteStructure(group, QString(), text, why) ? text : QString();
}

// The worst text of a kind, as long as the cap allows.
QString worstText(Text kind)
{
    const QString head = QStringLiteral("<body><header plm_id=\"Palimor\" format=\"1\" key306=\"%1\"/><definition>")
                             .arg(gsStructureKey306());
    const QString tail = QStringLiteral("</definition></body>");
    QString text;
    text.reserve(kMaxStructureText);
    switch (kind) {
    case ManyAttributes:
        text = head + QStringLiteral("<field><fieldprops");
        while (text.size() < kMaxStructureText - 100)
            text += QStringLiteral(" a%1=\"\"").arg(text.size());
        return text + QStringLiteral("/></field>") + tail;
    case ManyFields:
    case ManyGroups: {
        // Read to the end, or to the most fields a text may hold, then refused.
        const QString group = wellMadeGroup();
        const QString first = kind == ManyFields ? QStringLiteral("<field>") : QStringLiteral("<group>");
        const qsizetype from = group.indexOf(first);
        const qsizetype end = group.lastIndexOf(QStringLiteral("</group>"));
        const QString node = kind == ManyFields ? group.mid(from, end - from) : group.mid(from, end + 8 - from);
        text = group.left(end);
        while (!node.isEmpty() && text.size() + node.size() < kMaxStructureText - 100)
            text += node;
        return text + group.mid(end);
    }
    case ManyEntities:
        text = QStringLiteral("<!DOCTYPE body [");
        while (text.size() < kMaxStructureText - 300)
            text += QStringLiteral("<!ENTITY e%1 \"x\">").arg(text.size());
        return text + QStringLiteral("]>") + head + tail;
    }
    return text;
}

void BM_RefuseWorstText(benchmark::State& state)
{
    const QString text = worstText(Text(state.range(0)));
    NodeTree tree;
    const TreeNode* root = tree.add(QStringLiteral("g_0"), QStringLiteral("form"));
    gaGroups.assign(1, GroupRecord{});
    gaGroups[0].Grpi = 1;
    gaFields.assign(100, FieldRecord{});
    for (auto _ : state) {
        StructureText s;
        QString why;
        if (text.size() > kMaxStructureText || gbCheckPaste(root, text, s, why)) {
            state.SkipWithError("the text was not refused");
            return;
        }
    }
    state.SetLabel(std::to_string(text.size()) + " characters");
}
BENCHMARK(BM_RefuseWorstText)
    ->Arg(ManyAttributes)
    ->Arg(ManyFields)
    ->Arg(ManyGroups)
    ->Arg(ManyEntities)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    const auto setUp = [] {
        platform::installScriptedDialogs();
        glFormVersionLevel = 11;
        gsPackage = QStringLiteral("te");
        gsModule = QStringLiteral("kwy");
        gsFormCode = QStringLiteral("bench");
        gsDesignLanguage = QStringLiteral("2");
        gInitFormDataSets();
        gInitDataSets();
        PasteTarget target;
        target.maxGroupLevel = 8;
        target.bIsFollowUpPlaceAllowed = [](const TreeNode*) { return true; };
        gSetPasteTarget(std::move(target));
    };
    return runCoreBenchmarks(argc, argv, setUp, [](const RatioReporter& r) {
        printLimit(r, "Paste refused, one element of many attributes", "BM_RefuseWorstText/0/iterations:3", 1, 1000);
        printLimit(r, "Paste refused, a group of many fields", "BM_RefuseWorstText/1/iterations:3", 1, 1000);
        printLimit(r, "Paste refused, a group of many groups", "BM_RefuseWorstText/2/iterations:3", 1, 1000);
        printLimit(r, "Paste refused, a document type of many entities", "BM_RefuseWorstText/3/iterations:3", 1, 1000);
    });
}
