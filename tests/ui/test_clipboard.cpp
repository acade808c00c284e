// Copy and paste of structure through the clipboard and the debug view, on the demo
// forms: the round trip within a form and into another, the refusals of bad clipboard
// texts and places, a paste that cannot place its nodes, and the debug files.
#include "test_main_window_support.h"

#include "StructureXml.h"
#include "mod_DataSets.h"

#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

namespace {

class Clipboard : public ExchangeWindowTest {
protected:
    void move(const char* key, const char* relative, Relationship where) { tree().move(node(key), node(relative), where); }
    // The form's records and tree as a text, to show that nothing changed.
    QString formState()
    {
        QString state = treeText(tree());
        for (size_t g = 0; g < gaGroups.size(); ++g)
            state += QStringLiteral("g%1:%2,%3,%4 ").arg(g).arg(gaGroups[g].Grpi).arg(gaGroups[g].iNrOfSubGroups)
                         .arg(gaGroups[g].lGroupLevel);
        for (size_t f = 1; f < gaFields.size(); ++f)
            state += QStringLiteral("f%1:%2,%3 ").arg(f).arg(gaFields[f].lFieldId).arg(gaFields[f].nOmod);
        return state + QStringLiteral("count %1 changed %2").arg(gnFieldCount).arg(gbFormChanged);
    }
    QString copied(const char* key)
    {
        EXPECT_TRUE(gCopyStructure(node(key), true));
        return clipboard->text();
    }
};

// The nodes of two subtrees, depth first, side by side.
std::vector<std::pair<const TreeNode*, const TreeNode*>> pairs(const TreeNode* a, const TreeNode* b)
{
    std::vector<std::pair<const TreeNode*, const TreeNode*>> out;
    for (const TreeNode *x = a, *y = b; x && y; x = NodeTree::nextDepthFirst(x, a), y = NodeTree::nextDepthFirst(y, b))
        out.emplace_back(x, y);
    return out;
}

int32_t count(const TreeNode* top, char16_t letter)
{
    int32_t n = 0;
    for (const TreeNode* x = top; x; x = NodeTree::nextDepthFirst(x, top))
        n += x->keyLetter() == letter ? 1 : 0;
    return n;
}

const QString kFormat = QStringLiteral("<a href=\"x\">&'\tb</a>");
const QString kMessage = QStringLiteral("Ωμέγα&<中>\"'");
const QString kDefault = QStringLiteral("tab\there <é中文> & \"q\" 'a'");

TEST_F(Clipboard, AGroupComesBackWholeAtTheRootAndInAnotherForm)
{
    open(QStringLiteral("itemsd"));
    // g_2 holds subgroups with two runs of fields between them, the option set f_4
    // and the picture p_13 (in g_1) and a group with fields and a subgroup (g_5).
    move("g_1", "g_3", Relationship::Next);
    move("f_29", "g_3", Relationship::Next);
    move("g_5", "g_1", Relationship::Next);
    move("f_30", "g_5", Relationship::Next);
    gRebuildPointers();
    gaFields[5].sDisplayFormat = kFormat;
    gaFields[3].sMessage = kMessage;
    gaFields[3].sDefaultValue = kDefault;
    gaGroups[4].lAlignmentGroupId = 3;  // g_3, copied along
    gaGroups[6].lAlignmentGroupId = 7;  // g_7, left behind
    gaGroups[3].lAlignmentGroupId = 0;

    const QString first = copied("g_2");
    ASSERT_TRUE(gbClipboardHasStructure());
    const int32_t fieldsBefore = glLiveFieldCount();
    const int32_t copied = count(node("g_2"), u'f') + count(node("g_2"), u'p');
    ASSERT_TRUE(gPasteStructure(node("g_0")));
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'|').toStdString();
    EXPECT_TRUE(gbFormChanged && gCheckLinks(node("g_0")) == 0 && glLiveFieldCount() == fieldsBefore + copied);
    EXPECT_TRUE(w().treeVisible() && gbTreeVisible);

    const TreeNode* pasted = node("g_0")->lastChild();
    const auto both = pairs(node("g_2"), pasted);
    ASSERT_EQ(both.size(), size_t(count(node("g_2"), u'g') + copied));
    QHash<QString, int32_t> copyOf;  // original key -> index of its copy
    for (const auto& [a, b] : both) {
        EXPECT_TRUE(a->key() != b->key() && a->key().left(2) == b->key().left(2));
        // Form commands stay with the original.
        EXPECT_EQ(a->text() + QString(a->image()).remove(QStringLiteral("button")) + QString::number(a->children()),
                  b->text() + b->image() + QString::number(b->children()))
            << a->key().toStdString();
        copyOf.insert(a->key(), b->keyNumber());
    }
    const auto field = [&](const char* key) -> const FieldRecord& {
        return gaFields[size_t(copyOf.value(QLatin1String(key)))];
    };
    const auto group = [&](const char* key) -> const GroupRecord& {
        return gaGroups[size_t(copyOf.value(QLatin1String(key)))];
    };
    EXPECT_EQ(field("f_5").sDisplayFormat, kFormat);
    EXPECT_EQ(field("f_3").sMessage, kMessage);
    EXPECT_EQ(field("f_3").sDefaultValue, kDefault);
    EXPECT_EQ(field("f_4").lControl, ControlKind::OptionSet);
    EXPECT_EQ(field("p_13").lControl, ControlKind::Picture);
    // An alignment inside the copy follows it; one outside falls back to the group's own.
    EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(group("g_4").lAlignmentGroupId).arg(group("g_6").lAlignmentGroupId)
                  .arg(group("g_3").lAlignmentGroupId),
              QStringLiteral("%1 %2 0").arg(copyOf.value(QStringLiteral("g_3"))).arg(-copyOf.value(QStringLiteral("g_6"))));

    // The copy of the paste is the first copy.
    EXPECT_TRUE(gCopyStructure(pasted, true));
    EXPECT_EQ(clipboard->text(), first);

    // Saved and loaded again, nothing is lost.
    saveAndReopen(QStringLiteral("itemsd"));
    EXPECT_TRUE(glLiveFieldCount() == fieldsBefore + copied && dialogs->texts().filter(QStringLiteral("not linked")).isEmpty());

    // Into a form with another main table.
    restart();
    open(QStringLiteral("simpled"));
    clipboard->setText(first);
    ASSERT_TRUE(gPasteStructure(node("g_0")));
    const TreeNode* inSimple = node("g_0")->lastChild();
    EXPECT_TRUE(gCheckLinks(node("g_0")) == 0 && pairs(inSimple, inSimple).size() == both.size());
    EXPECT_TRUE(gCopyStructure(inSimple, true));
    EXPECT_EQ(clipboard->text(),
              QString(first).replace(QStringLiteral("2tekwyitemsd "), QStringLiteral("2tekwysimpled")));
    // Its main table is another: the fields of this one are no table fields there.
    const TreeNode* item = inSimple;
    const auto isItem = [](const TreeNode* n) {
        return n->keyLetter() == u'f' && gaFields[size_t(n->keyNumber())].sFieldName == QLatin1String("tekwy001.item");
    };
    while (item && !isItem(item))
        item = NodeTree::nextDepthFirst(item, inSimple);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->image(), QStringLiteral("ntfield"));
}

TEST_F(Clipboard, AFieldGoesRightAfterTheSelectedFieldWithItsFollowUps)
{
    open(QStringLiteral("itemsd"));
    copied("f_4");
    ASSERT_TRUE(gPasteStructure(node("f_1")));
    const TreeNode* pasted = node("f_1")->next();
    ASSERT_TRUE(pasted && pasted->key() != QStringLiteral("f_3"));
    EXPECT_TRUE(pasted->children() == 4 && pasted->text() == node("f_4")->text() && gCheckLinks(node("g_0")) == 0);
}

// Each refusal: one message naming the fault, and neither a record nor a node taken.
struct BadText {
    const char* name;
    std::function<QString(const QString& good)> make;
    const char* reason;
};

QString replaced(QString text, const QString& from, const QString& to)
{
    EXPECT_TRUE(text.contains(from)) << from.toStdString();
    return text.replace(from, to);
}

// The good text with its first <group> or <field> nested depth times in itself.
QString nested(const QString& good, const QString& element, int depth)
{
    const qsizetype from = good.indexOf(QLatin1Char('<') + element + QStringLiteral("props"));
    const QString props = good.mid(from, good.indexOf(QStringLiteral("/>"), from) + 2 - from);
    QString text = good.left(good.indexOf(QStringLiteral("<definition>")) + 12);
    for (int i = 0; i < depth; ++i)
        text += QLatin1Char('<') + element + QLatin1Char('>') + props;
    for (int i = 0; i < depth; ++i)
        text += QStringLiteral("</") + element + QLatin1Char('>');
    return text + QStringLiteral("</definition></body>");
}

// The copy's first subgroup aligned with its group number n.
QString alignedWith(const QString& good, qsizetype n)
{
    const QString from = QStringLiteral("lAlignmentGroupId=\"-1\"");
    EXPECT_TRUE(good.contains(from));
    return QString(good).replace(good.indexOf(from), from.size(), QStringLiteral("lAlignmentGroupId=\"%1\"").arg(n));
}

const BadText kBadTexts[] = {
    {"too long", [](const QString&) { return QString(kMaxStructureText + 1, u' '); }, "longer than"},
    {"billion laughs",
     [](const QString&) {
         QString dtd = QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE body [<!ENTITY a \"ha\">");
         for (int i = 1; i < 10; ++i)
             dtd += QStringLiteral("<!ENTITY %1 \"&%2;&%2;&%2;&%2;&%2;&%2;&%2;&%2;&%2;&%2;\">")
                        .arg(QChar(u'a' + i))
                        .arg(QChar(u'a' + i - 1));
         return dtd + QStringLiteral("]><body>&j;</body>");
     },
     "document type"},
    {"cut short", [](const QString& t) { return t.left(t.size() / 2); }, "not well-formed"},
    {"other root", [](const QString& t) { return replaced(replaced(t, "<body>", "<form>"), "</body>", "</form>"); },
     "element <form>"},
    {"other program", [](const QString& t) { return replaced(t, "plm_id=\"Palimor\"", "plm_id=\"Other\""); },
     "not copied by this editor"},
    {"other format", [](const QString& t) { return replaced(t, "format=\"1\"", "format=\"2\""); }, "format \"2\""},
    {"key306 too short", [](const QString& t) { return replaced(t, "key306=\"2tekwyitemsd", "key306=\"2tekwyitems"); },
     "names no form"},
    {"key306 without package", [](const QString& t) { return replaced(t, "key306=\"2te", "key306=\"2  "); },
     "names no form"},
    {"key306 without module", [](const QString& t) { return replaced(t, "key306=\"2tekwy", "key306=\"2te   "); },
     "names no form"},
    {"key306 without form code",
     [](const QString& t) { return replaced(t, "key306=\"2tekwyitemsd   ", "key306=\"2tekwy         "); },
     "names no form"},
    {"unknown element", [](const QString& t) { return replaced(t, "<definition>", "<definition><script/>"); },
     "unknown element <script>"},
    {"unknown attribute", [](const QString& t) { return replaced(t, " bEchoField=\"1\"", " onload=\"x\""); },
     "unknown attribute onload"},
    // The worst text under the cap: the reader would compare each attribute with all before it.
    {"too many attributes",
     [](const QString& t) {
         QString many;
         while (t.size() + many.size() < kMaxStructureText - 20)
             many += QStringLiteral("a%1=\"\" ").arg(many.size());
         return QString(t).insert(t.indexOf(QStringLiteral("<fieldprops ")) + 12, many);
     },
     "<fieldprops> holds more than"},
    {"missing attribute", [](const QString& t) { return replaced(t, " bEchoField=\"1\"", ""); },
     "lacks the attribute bEchoField"},
    {"control out of range", [](const QString& t) { return replaced(t, "lControl=\"6\"", "lControl=\"9\""); },
     "lControl \"9\""},
    {"flag not 0 or 1", [](const QString& t) { return replaced(t, "bShowGroupBox=\"1\"", "bShowGroupBox=\"true\""); },
     "bShowGroupBox"},
    {"length below zero",
     [](const QString& t) { return replaced(t, "iLabelLengthMO=\"999\"", "iLabelLengthMO=\"-999\""); },
     "iLabelLengthMO \"-999\""},
    {"element -1 without multi-currency",
     [](const QString& t) { return replaced(t, "iElement=\"1\"", "iElement=\"-1\""); }, "iElement \"-1\""},
    {"name with a newline",
     [](const QString& t) { return replaced(t, "\"tekwy001.stoc\"", "\"tekwy001.&#10;stoc\""); },
     "sFieldName holds a control character"},
    {"label code with a tab and quotes",
     [](const QString& t) { return replaced(t, "sLabelCode=\"", "sLabelCode=\"&#9;&quot;"); },
     "sLabelCode holds a control character"},
    // The dialog offers no element 0 and no group without columns.
    {"element 0", [](const QString& t) { return replaced(t, "iElement=\"1\"", "iElement=\"0\""); }, "iElement \"0\""},
    {"group of no columns",
     [](const QString& t) { return QString(t).replace(QRegularExpression(QStringLiteral("iGroupWidth=\"\\d+\"")),
                                                      QStringLiteral("iGroupWidth=\"0\"")); },
     "iGroupWidth \"0\""},
    // Control characters beyond the first 32: DEL and the C1 range.
    {"name with a DEL", [](const QString& t) { return replaced(t, "\"tekwy001.stoc\"", "\"tekwy001.&#127;stoc\""); },
     "sFieldName holds a control character"},
    {"label code with a C1 control",
     [](const QString& t) { return replaced(t, "sLabelCode=\"", QStringLiteral("sLabelCode=\"\u0085")); },
     "sLabelCode holds a control character"},
    {"domain code with the last C1 control",
     [](const QString& t) { return replaced(t, "sDomainCode=\"", "sDomainCode=\"&#x9F;"); },
     "sDomainCode holds a control character"},
    // A value in single quotes that holds a double quote hides no attribute from the count.
    {"attributes hidden behind a quote in single quotes",
     [](const QString& t) {
         QString many = QStringLiteral("x='\"' ");
         for (int i = 0; i < 100; ++i)
             many += QStringLiteral("a%1=\"\" ").arg(i);
         return QString(t).insert(t.indexOf(QStringLiteral("<fieldprops ")) + 12, many);
     },
     "<fieldprops> holds more than"},
    {"number wider than its column",
     [](const QString& t) { return replaced(t, "iElement=\"1\"", "iElement=\"12345\""); },
     "iElement"},
    {"name wider than its column",
     [](const QString& t) { return replaced(t, "\"tekwy001.stoc\"", "\"tekwy001.stoc.too.long\""); },
     "longer than 17"},
    {"alignment outside the copy",
     [](const QString& t) { return replaced(t, "lAlignmentGroupId=\"-1\"", "lAlignmentGroupId=\"9\""); },
     "names no copied group"},
    {"alignment one past the copy", [](const QString& t) { return alignedWith(t, t.count(u"<group>") + 1); },
     "names no copied group"},
    // The reader takes one level more than a paste at the root may add.
    {"groups one deeper than the root takes", [](const QString& t) { return nested(t, "group", kMaxGroupLevel + 1); },
     "would lie deeper than level"},
    {"groups too deep", [](const QString& t) { return nested(t, "group", kMaxGroupLevel + 2); }, "groups are nested"},
    {"follow-ups too deep", [](const QString& t) { return nested(t, "field", kMaxFollowUpDepth + 2); },
     "follow-up fields are nested"},
    {"more fields than free slots",
     [](const QString& t) {
         const qsizetype from = t.indexOf(QStringLiteral("<field>"));
         const QString field = t.mid(from, t.indexOf(QStringLiteral("</field>"), from) + 8 - from);
         QString many;
         for (int i = 0; i < 400; ++i)
             many += field;
         return replaced(t, field, many);
     },
     "room for"},
    {"text between the elements", [](const QString& t) { return replaced(t, "<definition>", "<definition>hello"); },
     "text outside"},
    {"two nodes in the definition",
     [](const QString& t) {
         const qsizetype from = t.indexOf(QStringLiteral("<definition>")) + 12;
         const QString node = t.mid(from, t.indexOf(QStringLiteral("</definition>")) - from);
         return replaced(t, "</definition>", node + "</definition>");
     },
     "<group> stands where it does not belong"},
};

TEST_F(Clipboard, BadTextsAreRefusedWithOneMessageAndNothingTaken)
{
    open(QStringLiteral("itemsd"));
    const QString good = copied("g_2");
    const QString before = formState();
    for (const BadText& bad : kBadTexts) {
        SCOPED_TRACE(bad.name);
        dialogs->clear();
        clipboard->setText(bad.make(good));
        EXPECT_FALSE(gPasteStructure(node("g_0")));
        ASSERT_EQ(dialogs->texts().size(), 1);
        EXPECT_TRUE(dialogs->texts().front().contains(QLatin1String(bad.reason)))
            << dialogs->texts().front().toStdString();
        EXPECT_EQ(formState(), before);
    }
    clipboard->setText(QStringLiteral("a plain text"));
    EXPECT_FALSE(gbClipboardHasStructure());
    clipboard->setText(replaced(good, "format=\"1\"", "format=\"2\""));
    EXPECT_FALSE(gbClipboardHasStructure());

    // A copy of a text XML cannot carry leaves the clipboard as it was.
    const int writes = clipboard->writes();
    dialogs->clear();
    gaFields[3].sMessage = QStringLiteral("bell\x07");
    EXPECT_FALSE(gCopyStructure(node("f_3"), true));
    EXPECT_TRUE(clipboard->writes() == writes && dialogs->texts().size() == 1);
}

// Each limit holds its last value: a copy at it pastes, one more is a bad text.
TEST_F(Clipboard, CopiesAtTheLimitsPaste)
{
    open(QStringLiteral("itemsd"));
    const QString good = copied("g_2");
    const QString texts[] = {alignedWith(good, good.count(u"<group>")), nested(good, "group", kMaxGroupLevel),
                             nested(good, "field", kMaxFollowUpDepth + 1)};
    for (const QString& text : texts) {
        restart();
        open(QStringLiteral("itemsd"));
        dialogs->clear();
        clipboard->setText(text);
        EXPECT_TRUE(gPasteStructure(node("g_0"))) << dialogs->texts().join(u'|').toStdString();
        EXPECT_EQ(gCheckLinks(node("g_0")), 0);
    }
}

// What a read text staged: its nodes, alignments and the members of its records.
QString staged(const StructureText& s)
{
    QString d = s.key306 + QString::number(s.groupDepth);
    for (const StagedNode& n : s.nodes) {
        d += QStringLiteral("|%1 %2 %3:").arg(n.group).arg(n.record).arg(n.parent);
        for (const int32_t c : n.children)
            d += QString::number(c) + u',';
    }
    for (const int16_t a : s.alignment)
        d += QStringLiteral("|a%1").arg(a);
    for (const GroupRecord& g : s.groups)
        d += QStringLiteral("|g %1/%2/%3/%4").arg(g.sLabelCode).arg(g.iGroupWidth).arg(g.bShowGroupBox).arg(g.sParentTable);
    for (const FieldRecord& f : s.fields)
        d += u'|' + QStringList{f.sFieldName, f.sDomainPackage, f.sDomainCode, f.sDisplayFormat, f.sMessage,
                                f.sLanguageUnitExpression, f.sLabelCode, f.sInpRefExpr, f.sDefaultValue, f.sZoomTo,
                                f.sSearchField, f.sIconName, QString::number(f.iElement),
                                QString::number(int(f.lControl)), QString::number(f.iFieldLength),
                                QString::number(f.iLabelLengthMO), QString::number(f.bEchoField)}
                         .join(u'/');
    return d;
}

// The writer's texts are read past the XML reader: each text, plain or not, and each
// variant of one that leaves the writer's form somewhere, reads as the XML reader reads
// it, fault, message and staged records alike.
TEST_F(Clipboard, EveryTextReadsAsTheXmlReaderReadsIt)
{
    open(QStringLiteral("itemsd"));
    std::vector<int32_t> copiedFields;
    for (const TreeNode* n = node("g_2"); n; n = NodeTree::nextDepthFirst(n, node("g_2")))
        if (n->keyLetter() == u'f')
            copiedFields.push_back(n->keyNumber());
    ASSERT_GE(copiedFields.size(), size_t(2));
    const QString letters = QStringLiteral("é ü ß ¿ ½ ÿ Ā ‰ 中文 q");
    gaFields[size_t(copiedFields[0])].sMessage = QStringLiteral("Ωμέγα 中文");
    gaFields[size_t(copiedFields[0])].sDefaultValue = letters;
    gaFields[size_t(copiedFields[1])].sDisplayFormat = QStringLiteral("=/'.:;?!");
    const QString good = copied("g_2");
    ASSERT_TRUE(good.contains(QStringLiteral("Ωμέγα")) && good.contains(QStringLiteral("=/'")));
    const QString value = QStringLiteral("sDefaultValue=\"");
    const auto inValue = [&](const QString& chars) { return replaced(good, value, value + chars); };
    const QString declaration = QStringLiteral("<?xml version=\"1.0\"?>");
    const QString echo = QStringLiteral(" bEchoField=\"1\"");
    std::vector<std::pair<QString, QString>> texts = {
        {QStringLiteral("as written"), good},
        {QStringLiteral("no declaration"), replaced(good, declaration, QString())},
        {QStringLiteral("declared UTF-8"),
         replaced(good, declaration, QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"))},
        {QStringLiteral("declared standalone"),
         replaced(good, declaration, QStringLiteral("<?xml version=\"1.0\" standalone=\"yes\"?>"))},
        {QStringLiteral("declared 1.1"), replaced(good, declaration, QStringLiteral("<?xml version=\"1.1\"?>"))},
        {QStringLiteral("blank before the declaration"), u' ' + good},
        {QStringLiteral("blanks before the root"), QStringLiteral(" \t\r\n") + replaced(good, declaration, QString())},
        {QStringLiteral("byte order mark"), QChar(0xfeff) + good},
        // In place of others: an attribute more would be counted before the text is read.
        {QStringLiteral("attribute twice"), replaced(good, echo, QStringLiteral(" bDefault=\"0\""))},
        {QStringLiteral("unknown attribute twice"),
         replaced(replaced(good, echo, QStringLiteral(" x=\"1\"")), QStringLiteral(" bDefault=\"0\""),
                  QStringLiteral(" x=\"2\""))},
        {QStringLiteral("default namespace"), replaced(good, echo, QStringLiteral(" xmlns=\"urn:x\""))},
        {QStringLiteral("default namespace of a field"),
         replaced(good, QStringLiteral("<field>"), QStringLiteral("<field xmlns=\"urn:x\">"))},
        {QStringLiteral("namespace of the root"),
         replaced(good, QStringLiteral("<body>"), QStringLiteral("<body xmlns=\"urn:x\">"))},
        {QStringLiteral("prefixed namespace of the root"),
         replaced(good, QStringLiteral("<body>"), QStringLiteral("<body xmlns:a=\"urn:x\">"))},
        {QStringLiteral("prefix undeclared"), replaced(good, echo, QStringLiteral(" a:b=\"1\""))},
        {QStringLiteral("name of the reserved kind"), replaced(good, echo, QStringLiteral(" xmlLang=\"1\""))},
        {QStringLiteral("element of the reserved kind"),
         replaced(good, QStringLiteral("<definition>"), QStringLiteral("<definition><xmlx/>"))},
        {QStringLiteral("single quotes"), replaced(good, "bEchoField=\"1\"", "bEchoField='1'")},
        {QStringLiteral("blanks around ="), replaced(good, "bEchoField=\"1\"", "bEchoField = \"1\"")},
        {QStringLiteral("no blank between attributes"), replaced(good, "\" bEchoField", "\"bEchoField")},
        {QStringLiteral("tabs and line breaks between attributes"),
         replaced(good, " bEchoField", "\t\r\n bEchoField")},
        {QStringLiteral("blank before />"), replaced(good, "\"/>", "\" />")},
        {QStringLiteral("comment"), replaced(good, "<definition>", "<definition><!-- c -->")},
        {QStringLiteral("character data"), replaced(good, "<definition>", "<definition><![CDATA[ ]]>")},
        {QStringLiteral("instruction"), replaced(good, "<definition>", "<definition><?x y?>")},
        {QStringLiteral("text after the root"), good + QStringLiteral("x")},
        {QStringLiteral("blanks after the root"), good + QStringLiteral(" \n\t")},
        {QStringLiteral("second root"), good + QStringLiteral("<body/>")},
        {QStringLiteral("comment after the root"), good + QStringLiteral("<!-- c -->")},
        {QStringLiteral("end tags crossed"), replaced(good, "</field>", "</group>")},
        {QStringLiteral("blank in an end tag"), replaced(good, "</definition>", "</definition >")},
        {QStringLiteral("tab in a value"), inValue(QStringLiteral("a\tb"))},
        {QStringLiteral("line breaks in a value"), inValue(QStringLiteral("a\nb\r\nc\rd"))},
        {QStringLiteral("> in a value"), inValue(QStringLiteral("a>b"))},
        {QStringLiteral("references in a value"), inValue(QStringLiteral("&amp;&#233;&#x4e2d;&lt;"))},
        {QStringLiteral("< in a value"), inValue(QStringLiteral("a<b"))},
        {QStringLiteral("control in a value"), inValue(QString(QChar(1)))},
        {QStringLiteral("DEL in a value"), inValue(QString(QChar(0x7f)))},
        {QStringLiteral("C1 control in a value"), inValue(QString(QChar(0x85)))},
        {QStringLiteral("noncharacters in a value"), inValue(QStringLiteral("\ufdd0\ufffe"))},
        {QStringLiteral("character beyond 16 bits"), inValue(QStringLiteral("\U0001F600"))},
        {QStringLiteral("lone surrogate"), inValue(QString(QChar(0xd800)))},
        {QStringLiteral("empty"), QString()},
        {QStringLiteral("blanks only"), QStringLiteral("  \n")},
        {QStringLiteral("empty root"), declaration + QStringLiteral("<body/>")},
        {QStringLiteral("name with capitals"), replaced(good, "<definition>", "<definition><Field/>")},
        {QStringLiteral("name with a dash"), replaced(good, "<definition>", "<definition><field-x/>")},
    };
    for (const BadText& bad : kBadTexts)
        texts.emplace_back(QLatin1String(bad.name), bad.make(good));
    for (qsizetype cut = 1; cut < good.size(); cut += 89)
        texts.emplace_back(QStringLiteral("cut at %1").arg(cut), good.left(cut));

    for (const auto& [name, text] : texts) {
        SCOPED_TRACE(name.toStdString());
        StructureText plain, any;
        QString whyPlain, whyAny;
        const bool read = gbReadStructure(text, kMaxGroupLevel, plain, whyPlain);
        EXPECT_EQ(gbReadStructureAsAnyXml(text, kMaxGroupLevel, any, whyAny), read);
        EXPECT_EQ(whyPlain, whyAny);
        EXPECT_EQ(staged(plain), staged(any));
        if (name == QLatin1String("as written") || name == QLatin1String("no declaration")) {
            EXPECT_TRUE(read && staged(plain).contains(letters)) << whyPlain.toStdString();
        }
    }
}

TEST_F(Clipboard, ACopyOfATextXmlCannotCarryLeavesTheClipboardAsItWas)
{
    open(QStringLiteral("itemsd"));
    clipboard->setText(QStringLiteral("before"));
    gaFields[3].sMessage = QStringLiteral("bell\x07");
    EXPECT_FALSE(gCopyStructure(node("f_3"), true));
    EXPECT_TRUE(clipboard->text() == QStringLiteral("before") && clipboard->writes() == 1 && dialogs->texts().size() == 1);
}

TEST_F(Clipboard, RefusedPlacesAndUnplacedNodesLeaveNoRecordBehind)
{
    open(QStringLiteral("itemsd"));
    copied("g_2");
    const int32_t fields = glLiveFieldCount();
    const QString before = formState();

    // Beside a group at the deepest level no group may go.
    const int16_t level = gaGroups[7].lGroupLevel;
    gaGroups[7].lGroupLevel = kMaxGroupLevel;
    EXPECT_FALSE(gPasteStructure(node("g_7")));
    gaGroups[7].lGroupLevel = level;
    EXPECT_EQ(formState(), before);

    // A main window that adds only the first node: every record is given back.
    PasteTarget broken;
    broken.mPasteGroups = [this](int32_t g) {
        int32_t index = g;
        w().mbInsertGroup(index);
    };
    broken.mPasteFields = [](int32_t, bool) {};
    broken.bIsFollowUpPlaceAllowed = [](const TreeNode*) { return true; };
    QList<bool> shown;
    broken.showTree = [&shown](bool visible) {
        shown << visible;
        return true;
    };
    broken.maxGroupLevel = kMaxGroupLevel;
    gSetPasteTarget(broken);
    dialogs->clear();
    EXPECT_FALSE(gPasteStructure(node("g_0")));
    EXPECT_TRUE(dialogs->texts().value(0).contains(QStringLiteral("could not be placed")));
    EXPECT_EQ(formState(), before);
    EXPECT_EQ(shown, (QList<bool>{false, true}));  // hidden while it worked, then as it was

    // A field with its follow-ups after a field, of which only the first is added.
    copied("f_4");
    broken.mPasteFields = [this](int32_t f, bool) {
        int32_t index = f;
        w().mbInsertField(index, QString());
    };
    gSetPasteTarget(broken);
    dialogs->clear();
    EXPECT_FALSE(gPasteStructure(node("f_1")));
    EXPECT_TRUE(dialogs->texts().value(0).contains(QStringLiteral("could not be placed")));
    EXPECT_EQ(formState(), before);

    saveAndReopen(QStringLiteral("itemsd"));
    EXPECT_TRUE(glLiveFieldCount() == fields && dialogs->texts().filter(QStringLiteral("not linked")).isEmpty());
}

TEST_F(Clipboard, TheDebugViewWritesNumberedFilesAndExitRemovesOnlyThose)
{
    open(QStringLiteral("itemsd"));
    ASSERT_TRUE(gbShowDebugView(node("g_3")));
    ASSERT_TRUE(gbShowDebugView(node("f_4")));
    const QDir folder(gsDebugFolder());
    EXPECT_EQ(folder.absolutePath(), QDir(tmp.filePath(QStringLiteral("tmp"))).absolutePath());
    EXPECT_EQ(viewer->opened(), QStringList({gsDebugFile(1), gsDebugFile(2)}));
    EXPECT_TRUE(gbXslWritten);
    {  // a full disk: no cut-off file is left or opened
        const FileSizeLimit disk(64);
        EXPECT_FALSE(gbShowDebugView(node("g_3")));
    }
    EXPECT_TRUE(viewer->opened().size() == 2 && !QFile::exists(gsDebugFile(3)));
    QFile file(gsDebugFile(2));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("<?xml-stylesheet type=\"text/xsl\" href=\"plm.xsl\"?>"))
                && text.contains(QStringLiteral("sFieldName=\"tekwy001.ityp\"")));
    // The stylesheet is XML itself.
    QFile xsl(folder.filePath(QStringLiteral("plm.xsl")));
    ASSERT_TRUE(xsl.open(QIODevice::ReadOnly));
    QXmlStreamReader reader(&xsl);
    while (!reader.atEnd())
        reader.readNext();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();

    for (const char* other : {"plmnotes.xml", "keep.txt"}) {
        QFile f(folder.filePath(QLatin1String(other)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    w().mRemoveTempFiles();
    EXPECT_EQ(folder.entryList(QDir::Files), QStringList({QStringLiteral("keep.txt"), QStringLiteral("plmnotes.xml")}));
    EXPECT_FALSE(gbXslWritten);
}

// A value in single quotes that holds many "=" is one attribute to the count: the text
// is pasted.
TEST_F(Clipboard, SingleQuotedValuesCountAsQuotedBeforeTheTextIsRead)
{
    open(QStringLiteral("itemsd"));
    const QString equals(60, u'=');
    clipboard->setText(replaced(copied("f_3"), "sDefaultValue=\"\"", QStringLiteral("sDefaultValue='%1'").arg(equals)));
    ASSERT_TRUE(gPasteStructure(node("g_0"))) << dialogs->texts().join(u'|').toStdString();
    EXPECT_EQ(gaFields[size_t(node("g_0")->lastChild()->keyNumber())].sDefaultValue, equals);
}

// The field text of simpled's f_2 with a length of 9999 and without a domain: its end
// lies beyond what the host keeps.
QString tooLongField(const QString& copy)
{
    QString text = copy;
    for (const auto& [from, to] : {std::pair{"iFieldLength=\"30\"", "iFieldLength=\"9999\""},
                                   {"iMaxDispLen=\"30\"", "iMaxDispLen=\"9999\""},
                                   {"sDomainPackage=\"te\"", "sDomainPackage=\"\""},
                                   {"sDomainCode=\"dsca\"", "sDomainCode=\"\""},
                                   {"tekwy002.dsca\"", "tekwy002.note\""}})
        text = replaced(text, from, to);
    return text;
}

// A paste refuses, with one message listing each value, what the host could not keep:
// a value of its own or a position the layout gives it, or a position it pushes another
// field to. Nothing changes. A position that did not fit before is not the paste's.
TEST_F(Clipboard, APasteWhoseValuesOrPositionsTheHostCannotKeepIsRefused)
{
    open(QStringLiteral("simpled"));
    const QString copy = copied("f_2");
    const QString before = formState();
    const QString shown = treeText(tree());
    const auto refused = [&](const QString& text, TreeNode* at) {
        dialogs->clear();
        clipboard->setText(text);
        const int writes = clipboard->writes();
        EXPECT_FALSE(gPasteStructure(at));
        EXPECT_TRUE(formState() == before && treeText(tree()) == shown && !gbFormChanged);
        EXPECT_TRUE(clipboard->text() == text && clipboard->writes() == writes);
        EXPECT_EQ(dialogs->texts().size(), 1);
        return dialogs->texts().value(0);
    };

    // Its end column: the node named by its kind and as the tree showed it, the end by
    // the length that leads to it.
    QString message = refused(tooLongField(copy), node("g_0"));
    EXPECT_TRUE(message.startsWith(QStringLiteral("The structure on the clipboard was not pasted: these values do not"
                                                  " fit the host's columns:")));
    EXPECT_TRUE(
        message.contains(QRegularExpression(QStringLiteral("\r\nField \"tekwy002\\.note[^\r\n]*\": field length 9999 "
                                                           "would end the field at column 100\\d\\d, beyond the 4 "
                                                           "digits the host keeps"))))
        << message.toStdString();

    // Rows of 9999 lines push the fields below it beyond row 9999.
    message = refused(replaced(copy, "iFieldHeight=\"1\"", "iFieldHeight=\"9999\""), node("f_1"));
    for (const char* below : {"f_3", "f_4"})
        EXPECT_TRUE(message.contains(QStringLiteral("Field \"%1\": the rows above it would start the field at row 1")
                                         .arg(node(below)->text().trimmed())))
            << below << message.toStdString();
    EXPECT_FALSE(message.contains(node("f_1")->text().trimmed() + QStringLiteral("\": "))) << message.toStdString();

    // A field made to end beyond the host's columns since the last layout: a paste that
    // moves it down a row goes in all the same.
    gaFields[5].sDomainPackage.clear();  // else the domain gives its length back
    gaFields[5].iFieldLength = 9999;
    dialogs->clear();
    clipboard->setText(copy);
    EXPECT_TRUE(gPasteStructure(node("f_1")));
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'|').toStdString();
}

// The reader keeps the widths of the columns only while the data sets stay as they are:
// a display format longer than its column is refused, and taken once the column is
// registered wider.
TEST_F(Clipboard, TheReaderAsksTheWidthsAgainOnceAColumnIsRegisteredAnew)
{
    open(QStringLiteral("simpled"));
    const QString format = QStringLiteral("sDisplayFormat=\"%1\"").arg(QString(35, u'9'));
    clipboard->setText(replaced(copied("f_2"), "sDisplayFormat=\"\"", format));
    dialogs->clear();
    EXPECT_FALSE(gPasteStructure(node("f_1")));
    EXPECT_TRUE(dialogs->texts().value(0).contains(QStringLiteral("longer than 30")))
        << dialogs->texts().join(u'|').toStdString();
    const auto at = [](const char* suffix) {
        return goDataSetFields.value(QStringLiteral("qxzrn301.difo") + QLatin1String(suffix));
    };
    mAddDataSetField(QStringLiteral("qxzrn301"), QStringLiteral("difo"), at(".spos"), 40, int16_t(at(".dtyp")));
    dialogs->clear();
    EXPECT_TRUE(gPasteStructure(node("f_1"))) << dialogs->texts().join(u'|').toStdString();
}

// The form is laid out for a paste only when its records could put a position beyond
// what the host keeps: an ordinary paste leaves every position as it was; a field
// longer than its column before the paste makes the paste lay the form out, and it goes
// in all the same.
// So are those of the form identity: registered wider, a column leaves a text of the
// old widths naming no form, and a copy made now has the new widths and is pasted.
TEST_F(Clipboard, TheIdentityIsReadInTheWidthsItsColumnsHaveNow)
{
    open(QStringLiteral("simpled"));
    const QString before = copied("f_2");
    ASSERT_TRUE(gPasteStructure(node("f_1"))) << dialogs->texts().join(u'|').toStdString();
    const auto at = [](const char* suffix) {
        return goDataSetFields.value(QStringLiteral("qxzrn300.cfrm") + QLatin1String(suffix));
    };
    ASSERT_GT(at(".flen"), 0);
    mAddDataSetField(QStringLiteral("qxzrn300"), QStringLiteral("cfrm"), at(".spos"), at(".flen") + 2,
                     int16_t(at(".dtyp")));
    clipboard->setText(before);
    dialogs->clear();
    EXPECT_FALSE(gPasteStructure(node("f_1")));
    EXPECT_TRUE(dialogs->texts().value(0).contains(QStringLiteral("names no form")))
        << dialogs->texts().join(u'|').toStdString();
    const QString after = copied("f_2");
    EXPECT_EQ(after.size(), before.size() + 2);
    dialogs->clear();
    EXPECT_TRUE(gPasteStructure(node("f_1"))) << dialogs->texts().join(u'|').toStdString();
}

TEST_F(Clipboard, OnlyAPasteThatCouldPassAColumnLaysTheFormOut)
{
    open(QStringLiteral("simpled"));
    clipboard->setText(copied("f_2"));
    // A row the layout would not give it.
    gaFields[3].iFieldYPos = 777;
    ASSERT_TRUE(gPasteStructure(node("f_1")));
    EXPECT_EQ(gaFields[3].iFieldYPos, 777);
    EXPECT_EQ(gCheckLinks(node("g_0")), 0);

    gaFields[5].sDomainPackage.clear();
    gaFields[5].iFieldLength = 9999;
    ASSERT_TRUE(gPasteStructure(node("f_1")));
    EXPECT_TRUE(gaFields[3].iFieldYPos != 777 && gaFields[3].iFieldYPos > 0);
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'|').toStdString();
}

// A paste fetches the labels, domains and main-table data of its own records only: the
// pasted field takes its length from its domain, a field of the form whose domain would
// give it another keeps its own, and a field paste asks the host for no group label.
TEST_F(Clipboard, APasteFetchesTheTextsOfItsOwnRecordsOnly)
{
    open(QStringLiteral("simpled"));
    const QString copy = copied("f_2");
    ASSERT_EQ(gaFields[2].iFieldLength, 30);
    gaFields[2].iFieldLength = 77;
    gaFields[3].sLabelDescSO.clear();
    // A group label the host was not asked for yet.
    gaGroups[1].sLabelCode = QStringLiteral("tekwy000.grp");
    gaGroups[1].sTabDesc.clear();
    clipboard->setText(replaced(copy, "iFieldLength=\"30\"", "iFieldLength=\"55\""));
    host::clearCallLog();
    ASSERT_TRUE(gPasteStructure(node("f_1")));
    const FieldRecord& pasted = gaFields[size_t(node("f_1")->next()->keyNumber())];
    EXPECT_EQ(pasted.iFieldLength, 30);
    EXPECT_EQ(pasted.sLabelDescSO, gaFields[2].sLabelDescSO);
    EXPECT_EQ(gaFields[2].iFieldLength, 77);
    EXPECT_TRUE(gaFields[3].sLabelDescSO.isEmpty());
    EXPECT_EQ(host::callCount(QStringLiteral("get.group.labels.set(")), 0);
}

// An option set is as wide as its choices with their labels: a choice pasted into it
// whose label right of it is long pushes the option set's end beyond what the host
// keeps, though no field is long.
TEST_F(Clipboard, AChoiceWhoseLabelWidensItsOptionSetTooFarIsRefused)
{
    open(QStringLiteral("itemsd"));
    ASSERT_EQ(gaFields[4].lControl, ControlKind::OptionSet);
    ASSERT_EQ(node("f_5")->parent(), node("f_4"));
    const QString before = treeText(tree());
    const QString choice = copied("f_5");
    clipboard->setText(replaced(replaced(choice, "lLabelPosition=\"1\"", "lLabelPosition=\"3\""),
                                "iLabelLengthSO=\"20\"", "iLabelLengthSO=\"9990\""));
    dialogs->clear();
    EXPECT_FALSE(gPasteStructure(node("f_5")));
    ASSERT_EQ(dialogs->texts().size(), 1);
    EXPECT_TRUE(dialogs->texts().front().contains(
        QStringLiteral("Field \"%1\": its choices would end the option set at column ")
            .arg(node("f_4")->text().trimmed())))
        << dialogs->texts().front().toStdString();
    EXPECT_EQ(treeText(tree()), before);

    // Its label as long, left of it: the option set is as wide, and is refused all the same.
    clipboard->setText(replaced(choice, "iLabelLengthSO=\"20\"", "iLabelLengthSO=\"9990\""));
    dialogs->clear();
    EXPECT_FALSE(gPasteStructure(node("f_5")));
    EXPECT_EQ(dialogs->texts().size(), 1);

    // A copy of the option set whose first choice has that label: the copy is too wide.
    const QString set = copied("f_4");
    const QString length = QStringLiteral("iLabelLengthSO=\"20\"");
    const qsizetype first = set.indexOf(length);
    ASSERT_GT(first, 0);
    clipboard->setText(QString(set).replace(first, length.size(), QStringLiteral("iLabelLengthSO=\"9990\"")));
    dialogs->clear();
    EXPECT_FALSE(gPasteStructure(node("f_1")));
    ASSERT_EQ(dialogs->texts().size(), 1);
    EXPECT_TRUE(dialogs->texts().front().contains(
        QStringLiteral("Field \"%1\": its choices would end the option set at column ")
            .arg(node("f_4")->text().trimmed())))
        << dialogs->texts().front().toStdString();
    EXPECT_EQ(treeText(tree()), before);
}

// What a paste and the link update change of the model, whole.
struct Model {
    std::vector<GroupRecord> groups = gaGroups;
    std::vector<FieldRecord> fields = gaFields;
    std::vector<IdMapEntry> map = gaIdMap;
    std::vector<SpecificCommandRecord> commands = gaSpecificCommands;
    int16_t fieldCount = gnFieldCount;
    bool formChanged = gbFormChanged;
    bool recompute = gbRecomputeLinks;
    bool outOfResources = gbOutOfResources;

    void restore() const
    {
        gaGroups = groups;
        gaFields = fields;
        gaIdMap = map;
        gaSpecificCommands = commands;
        gnFieldCount = fieldCount;
        gbFormChanged = formChanged;
        gbRecomputeLinks = recompute;
        gbOutOfResources = outOfResources;
    }
    bool operator==(const Model&) const = default;
};

// The members links are made of, and the change marks.
QString linksOf(const GroupRecord& g)
{
    return QStringLiteral("Grpi %1 parent %2 previous %3 next %4 child %5 first field %6 level %7 subgroups %8 "
                          "alignment %9 virtual %10 check boxes only %11 changed %12")
        .arg(g.Grpi)
        .arg(g.lParentGroup)
        .arg(g.lPreviousGroup)
        .arg(g.lNextGroup)
        .arg(g.lChildGroup)
        .arg(g.lFirstField)
        .arg(g.lGroupLevel)
        .arg(g.iNrOfSubGroups)
        .arg(g.lAlignmentGroupId)
        .arg(g.bVirtualGroup)
        .arg(g.bCheckboxesOnly)
        .arg(g.bChanged);
}

QString linksOf(const FieldRecord& f)
{
    return QStringLiteral(
               "omod %1 Grpi %2 parent %3 next %4 child %5 previous %6 level %7 follow-up %8 marks %9%10%11%12")
        .arg(f.nOmod)
        .arg(f.Grpi)
        .arg(f.lParentField)
        .arg(f.lNextField)
        .arg(f.lChildField)
        .arg(f.lPreviousField)
        .arg(f.nFieldLevel)
        .arg(f.bFollowUp)
        .arg(f.bChanged)
        .arg(f.bChanged301)
        .arg(f.bChanged302)
        .arg(f.bChanged308);
}

template <typename Record>
QString firstDifference(const char* kind, const std::vector<Record>& a, const std::vector<Record>& b)
{
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i >= a.size() || i >= b.size())
            return QStringLiteral("%1 %2 in one only").arg(QLatin1String(kind)).arg(i);
        if (a[i] == b[i])
            continue;
        const QString x = linksOf(a[i]);
        const QString y = linksOf(b[i]);
        return QStringLiteral("%1 %2: %3")
            .arg(QLatin1String(kind))
            .arg(i)
            .arg(x == y ? QStringLiteral("other members differ") : x + QStringLiteral(" | ") + y);
    }
    return QString();
}

QString mapText(const std::vector<IdMapEntry>& map)
{
    QStringList out;
    for (const IdMapEntry& e : map)
        out << QStringLiteral("%1=%2%3").arg(e.nOmod).arg(e.lIndex).arg(e.bFlag ? QStringLiteral("!") : QString());
    return out.join(u' ');
}

// The first difference between two models, empty when there is none.
QString difference(const Model& a, const Model& b)
{
    if (a == b)
        return QString();
    if (QString d = firstDifference("group", a.groups, b.groups); !d.isEmpty())
        return d;
    if (QString d = firstDifference("field", a.fields, b.fields); !d.isEmpty())
        return d;
    if (a.map != b.map)
        return QStringLiteral("id map: ") + mapText(a.map) + QStringLiteral(" | ") + mapText(b.map);
    if (a.commands != b.commands)
        return QStringLiteral("form commands");
    return QStringLiteral("counts or flags");
}

// The live fields' order numbers in tree order.
std::vector<int16_t> numbersInTreeOrder(const NodeTree& tree)
{
    std::vector<int16_t> out;
    for (const TreeNode* n = tree.firstRoot(); n; n = NodeTree::nextDepthFirst(n))
        if (n->keyLetter() != u'g' && gaFields[size_t(n->keyNumber())].lFieldId > 0)
            out.push_back(gaFields[size_t(n->keyNumber())].nOmod);
    return out;
}

class PasteAsRebuilt : public Clipboard {
protected:
    // Pastes text at the node twice from the same records and tree: onto the links of a
    // rebuild, as the editor pastes, and onto links made stale, which the paste numbers
    // and links by the full rebuild. prepare runs before each paste, after the links
    // were made. Each paste is followed by the link update. The records and the tree go
    // back after each. Returns the first difference between the two, after the paste or
    // after the update, or in the messages shown; empty when there is none.
    QString pasteTwice(const QString& text, const QString& at, const std::function<void()>& prepare = {},
                       bool* pasted = nullptr)
    {
        gRebuildPointers();
        const Model start;
        QSet<QString> keys;
        for (const TreeNode* n = tree().firstRoot(); n; n = NodeTree::nextDepthFirst(n))
            keys.insert(n->key());
        struct Outcome {
            bool pasted = false;
            QStringList messages;
            Model afterPaste;
            Model afterUpdate;
        };
        QString fault;
        const auto once = [&](bool stale) {
            start.restore();
            if (stale) {
                gsetMainTree(&tree());
            } else {
                gRebuildPointers();
                if (const QString d = difference(Model(), start); !d.isEmpty())
                    fault = QStringLiteral("a rebuild of the same tree changed the form: ") + d;
            }
            if (prepare)
                prepare();
            dialogs->clear();
            clipboard->setText(text);
            Outcome out;
            out.pasted = gPasteStructure(node(at));
            out.messages = dialogs->texts();
            out.afterPaste = Model();
            gUpdatePointers();
            out.afterUpdate = Model();
            std::vector<TreeNode*> added;
            for (TreeNode* n = tree().firstRoot(); n; n = NodeTree::nextDepthFirst(n))
                if (!keys.contains(n->key()) && keys.contains(n->parent()->key()))
                    added.push_back(n);
            for (TreeNode* n : added)
                tree().remove(n);
            return out;
        };
        const Outcome current = once(false);
        const Outcome rebuilt = once(true);
        start.restore();
        gRebuildPointers();
        if (pasted)
            *pasted = current.pasted;
        if (!fault.isEmpty())
            return fault;
        if (current.pasted != rebuilt.pasted || current.messages != rebuilt.messages)
            return QStringLiteral("pasted %1 / %2, messages %3 / %4")
                .arg(current.pasted)
                .arg(rebuilt.pasted)
                .arg(current.messages.join(u'|'), rebuilt.messages.join(u'|'));
        if (const QString d = difference(current.afterPaste, rebuilt.afterPaste); !d.isEmpty())
            return QStringLiteral("after the paste, ") + d;
        if (const QString d = difference(current.afterUpdate, rebuilt.afterUpdate); !d.isEmpty())
            return QStringLiteral("after the link update, ") + d;
        return QString();
    }
};

// A paste onto current links links only what it added when the full rebuild would
// change nothing else (one field where its neighbours leave room, or fields after the
// last one, that make no virtual group and take none away); it leaves what the full
// rebuild leaves, and a link outside the parent of the pasted node stays as it was.
// Otherwise (numbers of other fields to repair, a virtual group made or taken away, the
// root), and onto links gone stale, the whole form is rebuilt.
TEST_F(PasteAsRebuilt, APasteOntoCurrentLinksLinksOnlyWhatItAdded)
{
    struct Case {
        const char* what;
        const char* copy;
        const char* at;
        bool whole;
    };
    const Case cases[] = {
        {"a field after a field of its group", "f_3", "f_1", false},
        {"a field after a choice", "f_3", "f_5", false},
        {"a field after a follow-up", "f_3", "f_2", false},
        {"a field into a run of fields beside a group", "f_3", "f_23", false},
        {"a field last in the form", "f_3", "g_8", false},
        {"a field with its follow-up after the last field of the form", "f_1", "f_35", false},
        {"a field with its follow-up after the last field of a group that holds a group", "f_9", "f_40", true},
        {"a field last in a group that holds a group", "f_3", "g_5", true},
        {"a group beside a subgroup", "g_3", "g_3", true},
        {"a group after the field of a group", "g_6", "f_21", true},
        {"a field at the root", "f_3", "g_0", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        restart();
        open(QStringLiteral("itemsd"));
        const QString text = copied(c.copy);
        bool pasted = false;
        EXPECT_EQ(pasteTwice(text, QLatin1String(c.at), {}, &pasted), QString());
        EXPECT_TRUE(pasted);

        // A link outside every parent above, which no check reads.
        gRebuildPointers();
        ASSERT_TRUE(gbLinksCurrent());
        const int16_t previous = gaFields[31].lPreviousField;
        gaFields[31].lPreviousField = 777;
        clipboard->setText(text);
        ASSERT_TRUE(gPasteStructure(node(c.at))) << dialogs->texts().join(u'|').toStdString();
        EXPECT_TRUE(gbLinksCurrent());
        EXPECT_EQ(gaFields[31].lPreviousField == 777, !c.whole);
        EXPECT_EQ(gaFields[31].lPreviousField == previous, c.whole);
        gaFields[31].lPreviousField = previous;
        EXPECT_EQ(gCheckLinks(node("g_0")), 0);
    }

    // A node moved since the last rebuild: the paste rebuilds the whole form.
    restart();
    open(QStringLiteral("itemsd"));
    clipboard->setText(copied("f_3"));
    gRebuildPointers();
    move("f_29", "f_30", Relationship::Next);
    EXPECT_FALSE(gbLinksCurrent());
    gaFields[31].lPreviousField = 777;
    ASSERT_TRUE(gPasteStructure(node("f_1")));
    EXPECT_TRUE(gaFields[31].lPreviousField != 777 && gbLinksCurrent() && gCheckLinks(node("g_0")) == 0);
}

// Wherever it goes, a paste of a field, of a field with follow-ups, of a group with
// subgroups or of a group with fields and a subgroup leaves the order numbers, links,
// virtual groups and change marks the full rebuild of the same tree leaves, after it and
// after the link update; a group pasted into a group of fields only among them.
TEST_F(PasteAsRebuilt, EveryPasteOnTheDemoFormsLinksAsTheFullRebuild)
{
    open(QStringLiteral("itemsd"));
    const std::pair<const char*, const char*> sources[] = {
        {"f_3", "a field"},
        {"f_1", "a field with its follow-up"},
        {"f_4", "an option set with its four choices"},
        {"g_2", "a group with two subgroups"},
        {"g_5", "a group with fields and a subgroup"},
    };
    QStringList texts;
    for (const auto& [key, what] : sources)
        texts << copied(key);
    for (const char* form : {"itemsd", "simpled"}) {
        restart();
        open(QLatin1String(form));
        QStringList targets;
        for (const TreeNode* n = tree().firstRoot(); n; n = NodeTree::nextDepthFirst(n))
            targets << n->key();
        int32_t pasted = 0;
        for (size_t s = 0; s < std::size(sources); ++s) {
            for (const QString& at : targets) {
                SCOPED_TRACE(QStringLiteral("%1: %2 at %3")
                                 .arg(QLatin1String(form), QLatin1String(sources[s].second), at)
                                 .toStdString());
                bool went = false;
                EXPECT_EQ(pasteTwice(texts[qsizetype(s)], at, {}, &went), QString());
                pasted += went ? 1 : 0;
            }
        }
        // Most places take each of them.
        EXPECT_GT(pasted, int32_t(std::size(sources) * size_t(targets.size())) / 2) << form;
    }
}

// Without room between its neighbours a paste renumbers every later field, as the order
// repair of the rebuild does: f_1 with its follow-up pasted after f_3 take 40 and 41 and
// every field after them but the last one more than the one before; so does a field
// pasted between fields numbered 10 and 11. The marks that gives cross the link update's 80 % rule:
// the update numbers every field afresh and marks it.
TEST_F(PasteAsRebuilt, APasteWithoutRoomRenumbersEveryLaterField)
{
    open(QStringLiteral("itemsd"));
    const QString withFollowUp = copied("f_1");
    const QString single = copied("f_3");
    const auto tenAndEleven = [] {
        gaFields[1].nOmod = 9;
        gaFields[2].nOmod = 10;
        gaFields[3].nOmod = 11;
        gRebuildPointers();
    };
    struct Case {
        const char* what;
        const QString& text;
        const char* at;
        std::function<void()> prepare;
        std::vector<int16_t> before;  // the numbers of the fields before the paste
        int16_t first;                // the first pasted field's
    };
    const Case cases[] = {
        {"a field with its follow-up after f_3", withFollowUp, "f_3", {}, {10, 20, 30}, 40},
        {"a field between 10 and 11", single, "f_1", tenAndEleven, {9, 10}, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        restart();
        open(QStringLiteral("itemsd"));
        EXPECT_EQ(pasteTwice(c.text, QLatin1String(c.at), c.prepare), QString());

        if (c.prepare)
            c.prepare();
        const size_t fields = numbersInTreeOrder(tree()).size();
        clipboard->setText(c.text);
        ASSERT_TRUE(gPasteStructure(node(c.at)));
        const std::vector<int16_t> numbers = numbersInTreeOrder(tree());
        ASSERT_EQ(numbers.size(), fields + (&c.text == &withFollowUp ? 2 : 1));
        // The last field of the form keeps its 350, above them all already.
        std::vector<int16_t> expected = c.before;
        for (int16_t n = c.first; expected.size() + 1 < numbers.size(); ++n)
            expected.push_back(n);
        expected.push_back(350);
        EXPECT_EQ(numbers, expected);

        gUpdatePointers();
        std::vector<int16_t> afresh;
        for (int16_t n = 10; afresh.size() < numbers.size(); n = int16_t(n + 10))
            afresh.push_back(n);
        EXPECT_EQ(numbersInTreeOrder(tree()), afresh);
        for (int32_t i = 1; i <= gnFieldCount; ++i) {
            const FieldRecord& f = gaFields[size_t(i)];
            EXPECT_TRUE(f.lFieldId <= 0 || (f.bChanged301 && f.bChanged308)) << i;
        }
    }
}

// A virtual group outside the parent of a paste that links only what it added is made
// as the full rebuild makes it from the controls and the alignment its fields and group
// have now, though they changed since the links were made: its run of fields holds only
// check boxes when each of them is one. The form's root loses a label code as the
// rebuild takes it away.
TEST_F(PasteAsRebuilt, AVirtualGroupElsewhereIsMadeFromItsFieldsAsTheyAreNow)
{
    struct Case {
        const char* what;
        std::vector<int32_t> checkBoxes;  // of the run f_21, f_23, f_24, f_25, f_40 in g_5
        bool checkBoxesOnly;
    };
    const Case cases[] = {
        {"every field of the run a check box", {21, 23, 24, 25, 40}, true},
        {"all but the last", {21, 23, 24, 25}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        restart();
        open(QStringLiteral("itemsd"));
        const QString single = copied("f_3");
        const auto changed = [&] {
            for (const int32_t f : c.checkBoxes)
                gaFields[size_t(f)].lControl = ControlKind::CheckBox;
            gaGroups[5].lAlignmentGroupId = 3;  // g_5 with g_3
            gaGroups[0].sLabelCode = QStringLiteral("tekwy000.form");
        };
        EXPECT_EQ(pasteTwice(single, QStringLiteral("f_1"), changed), QString());

        changed();
        ASSERT_TRUE(gPasteStructure(node("f_1")));
        const auto v = std::find_if(gaGroups.begin() + 1, gaGroups.end(),
                                    [](const GroupRecord& g) { return g.Grpi != -1 && g.bVirtualGroup; });
        ASSERT_NE(v, gaGroups.end());
        EXPECT_TRUE(v->bCheckboxesOnly == c.checkBoxesOnly && v->lParentGroup == 6
                    && v->lAlignmentGroupId == v->Grpi - 1);
        EXPECT_TRUE(gaGroups[0].sLabelCode.isEmpty());
    }
}

// A group slot freed below a virtual group since the links were made (here a group
// without a node): the rebuild would make the virtual group again in that slot, and so
// does the paste.
TEST_F(PasteAsRebuilt, AVirtualGroupAboveAFreeSlotIsMadeAgainInTheLowest)
{
    open(QStringLiteral("itemsd"));
    const QString single = copied("f_3");
    ASSERT_TRUE(gaGroups[9].bVirtualGroup && gaGroups[10].Grpi == -1);
    gaGroups[9] = GroupRecord{};
    gaGroups[9].Grpi = 10;
    gRebuildPointers();
    ASSERT_TRUE(gaGroups[10].bVirtualGroup);
    const auto freed = [] { gDeleteItem(SlotKind::Group, 9); };
    EXPECT_EQ(pasteTwice(single, QStringLiteral("f_1"), freed), QString());

    freed();
    ASSERT_TRUE(gPasteStructure(node("f_1")));
    EXPECT_TRUE(gaGroups[9].bVirtualGroup && gaGroups[10].Grpi == -1);
}

// A field made longer than the host keeps its end: the save refuses before it writes
// anything, and the field stays in the window.
TEST_F(Clipboard, APasteTheHostCannotKeepIsNotSavedAndStays)
{
    open(QStringLiteral("simpled"));
    QString text = tooLongField(copied("f_2"));
    text = replaced(replaced(text, "iFieldLength=\"9999\"", "iFieldLength=\"30\""), "iMaxDispLen=\"9999\"",
                    "iMaxDispLen=\"30\"");
    clipboard->setText(text);
    ASSERT_TRUE(gPasteStructure(node("g_0")));
    const QString pasted = node("g_0")->lastChild()->key();
    FieldRecord& f = gaFields[size_t(node(pasted)->keyNumber())];
    f.iFieldLength = f.iMaxDispLen = 9999;
    f.bChanged = f.bChanged301 = f.bChanged308 = true;
    const QString fieldRows =
        QStringLiteral("SELECT * FROM qxzrn301 JOIN qxzrn308 USING (cfrm, sequ) WHERE cfrm = 'simpled'");
    const QStringList before = rows(fieldRows);
    host::clearCallLog();
    trigger("mnuFSave");
    ASSERT_EQ(dialogs->texts().size(), 1);
    EXPECT_TRUE(dialogs->texts().front().contains(
        QStringLiteral("Field \"%1\": field length 9999 would end the field at column 10031, beyond the 4 digits")
            .arg(node(pasted)->text().trimmed())))
        << dialogs->texts().front().toStdString();
    EXPECT_TRUE(host::callCount(QStringLiteral("execute.velq.set(")) == 0 && rows(fieldRows) == before);
    EXPECT_TRUE(gbFormChanged && node(pasted));
}

// ---- The Edit menu --------------------------------------------------------------------------

// Cut and Copy need a node other than the form; Paste follows the clipboard; read-only
// keeps only Copy. A Cut whose delete is declined leaves the tree but fills the
// clipboard; accepted, the node goes and Paste brings it back.
TEST_F(Clipboard, TheEditMenuCutsCopiesAndPastesThroughItsEntries)
{
    open(QStringLiteral("itemsd"));
    auto states = [&](const char* key) {
        select(key);
        w().actions().menu(QStringLiteral("mnuEdit"))->aboutToShow();
        QString s;
        for (const char* e : {"mnuECut", "mnuECopy", "mnuEPaste"})
            s += w().actions().entryEnabled(QLatin1String(e)) ? u'1' : u'0';
        return s;
    };
    EXPECT_EQ(states("g_0"), QStringLiteral("000"));
    EXPECT_EQ(states("f_3"), QStringLiteral("110"));

    const QString before = formState();
    dialogs->queueAnswer(platform::IdNo);
    trigger("mnuECut");
    EXPECT_TRUE(formState() == before && gbClipboardHasStructure());
    EXPECT_EQ(states("g_0"), QStringLiteral("001"));

    const QString copy = copied("g_3");
    EXPECT_EQ(states("g_3"), QStringLiteral("111"));
    dialogs->queueAnswer(platform::IdYes);
    trigger("mnuECut");
    EXPECT_FALSE(node("g_3"));
    states("g_0");
    trigger("mnuEPaste");
    ASSERT_TRUE(gbFormChanged);
    EXPECT_TRUE(gCopyStructure(tree().firstRoot()->child()->lastSibling(), true));
    EXPECT_EQ(clipboard->text().section(QStringLiteral("</header>"), 1), copy.section(QStringLiteral("</header>"), 1));

    // Read-only: Copy stays for a field; Cut and Paste are off and refuse by themselves.
    restart();
    open(QStringLiteral("itemsd"), QStringLiteral("r"));
    EXPECT_EQ(states("f_3"), QStringLiteral("010"));
    const QString readOnly = formState();
    w().mnuECut_Click();
    w().mnuEPaste_Click();
    EXPECT_EQ(formState(), readOnly);
}

} // namespace
