#include "StructureXml.h"

#include <QHash>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "mod_DataSets.h"
#include "mod_VrokGlobal.h"
#include "NodeTree.h"
#include "RecordMember.h"
#include "mod_DesignDefinitions.h"
#include "mod_Records.h"
#include "mod_Versions.h"

namespace {

// ---- The members a text carries --------------------------------------------------------

// A code names something of the host (a field, a label, a domain, a session): like the
// dialog's boxes, it cannot hold a control character, which would split the host's rows.
enum class Kind : uint8_t { Flag, Number, Text, Code };

// One member: its attribute name, the host column that limits its width (none for a
// flag), its range, the form-version feature it needs, and how it is read and written.
template <typename R>
struct Member {
    const char* name;
    const char* table;
    const char* column;
    Kind kind;
    int64_t min;
    int64_t max;
    int32_t feature;
    QString (*write)(const R&);
    void (*set)(R&, int64_t number, QStringView text);
    void (*copy)(R&, const R&);
};

template <auto M>
Member<RecordOf<M>> flag(const char* name, int32_t feature = 0)
{
    using R = RecordOf<M>;
    return {name, "", "", Kind::Flag, 0, 1, feature,
            [](const R& r) { return r.*M ? QStringLiteral("1") : QStringLiteral("0"); },
            [](R& r, int64_t v, QStringView) { r.*M = v != 0; }, [](R& to, const R& from) { to.*M = from.*M; }};
}

template <auto M>
Member<RecordOf<M>> number(const char* name, const char* table, const char* column,
                           int64_t min = std::numeric_limits<ValueOf<M>>::min(),
                           int64_t max = std::numeric_limits<ValueOf<M>>::max())
{
    using R = RecordOf<M>;
    using V = ValueOf<M>;
    return {name, table, column, Kind::Number, min, max, 0, [](const R& r) { return numberText(r.*M); },
            [](R& r, int64_t v, QStringView) { r.*M = V(v); }, [](R& to, const R& from) { to.*M = from.*M; }};
}

template <auto M, Kind K = Kind::Text>
Member<RecordOf<M>> text(const char* name, const char* table, const char* column, int32_t feature = 0)
{
    using R = RecordOf<M>;
    return {name, table, column, K, 0, 0, feature, [](const R& r) { return r.*M; },
            [](R& r, int64_t, QStringView v) { r.*M = v.toString(); }, [](R& to, const R& from) { to.*M = from.*M; }};
}

template <auto M>
Member<RecordOf<M>> code(const char* name, const char* table, const char* column, int32_t feature = 0)
{
    return text<M, Kind::Code>(name, table, column, feature);
}

// Kept by the host in a byte, whatever the member's width.
constexpr int64_t kByte = 255;
// The dialog's numeric boxes take digits only; its lists offer a domain's constants.
constexpr int64_t kNoSign = 0;
constexpr int64_t kConstant = 127;

const char* const k315 = "qxzrn315";
const char* const k301 = "qxzrn301";
const char* const k302 = "qxzrn302";
const char* const k308 = "qxzrn308";

const std::vector<Member<GroupRecord>>& groupMembers()
{
    using G = GroupRecord;
    static const std::vector<Member<G>> members = {
        flag<&G::bRepeatingGroup>("bRepeatingGroup"),
        code<&G::sLabelCode>("sLabelCode", k315, "labl"),
        flag<&G::bShowGroupBox>("bShowGroupBox"),
        flag<&G::bGroupInSingleOcc>("bGroupInSingleOcc"),
        flag<&G::bGroupInMultiOcc>("bGroupInMultiOcc"),
        flag<&G::bRichView>("bRichView", 1),
        number<&G::iGroupWidth>("iGroupWidth", k315, "wdth", 1),
        flag<&G::bCheckboxesOnly>("bCheckboxesOnly"),
        flag<&G::bNewPage>("bNewPage"),
        flag<&G::bNewPageMO>("bNewPageMO"),
        flag<&G::bPlaceBeside>("bPlaceBeside"),
        flag<&G::bCheckOnGroupBox>("bCheckOnGroupBox"),
        flag<&G::bDashboard>("bDashboard", 2),
        flag<&G::bSelectionGroup>("bSelectionGroup", kFeatureSelectionGroups),
        code<&G::sParentTable>("sParentTable", k315, "zb_tabp", kFeatureSelectionGroups),
    };
    return members;
}

const std::vector<Member<FieldRecord>>& fieldMembers()
{
    using F = FieldRecord;
    static const std::vector<Member<F>> members = {
        code<&F::sFieldName>("sFieldName", k301, "fldn"),
        // -1 only for a multi-currency field (checked with the whole record).
        number<&F::iElement>("iElement", k301, "elem", -1),
        flag<&F::bMultiCurrency>("bMultiCurrency"),
        code<&F::sDomainPackage>("sDomainPackage", k301, "pacd"),
        code<&F::sDomainCode>("sDomainCode", k301, "cdom"),
        number<&F::lFieldType>("lFieldType", k301, "typf", kNoSign, kConstant),
        text<&F::sDisplayFormat>("sDisplayFormat", k301, "difo"),
        flag<&F::bLinkDisplFormatToDomain>("bLinkDisplFormatToDomain"),
        number<&F::iMinInpLen>("iMinInpLen", k301, "mini", kNoSign),
        number<&F::iMaxDispLen>("iMaxDispLen", k301, "maxd", kNoSign),
        flag<&F::bLinkMaxDisplLenToDomain>("bLinkMaxDisplLenToDomain"),
        number<&F::iMaxInpLen>("iMaxInpLen", k301, "maxi", kNoSign),
        flag<&F::bLinkMaxInpLenToDomain>("bLinkMaxInpLenToDomain"),
        number<&F::iStartPosOfString>("iStartPosOfString", k301, "sttp", 1),
        number<&F::nZoomField>("nZoomField", k301, "zoom", kNoSign, kConstant),
        code<&F::sZoomTo>("sZoomTo", k301, "zprg"),
        code<&F::sParallelMenu>("sParallelMenu", k301, "zopm"),
        code<&F::sZoomReturnField>("sZoomReturnField", k301, "zret"),
        flag<&F::bDefault>("bDefault"),
        code<&F::sMessage>("sMessage", k301, "cmes"),
        flag<&F::bEchoField>("bEchoField"),
        number<&F::iFieldLength>("iFieldLength", k301, "flen", kNoSign),
        flag<&F::bMandatoryInput>("bMandatoryInput"),
        text<&F::sLanguageUnitExpression>("sLanguageUnitExpression", k301, "dcex"),
        code<&F::sLabelCode>("sLabelCode", k301, "labl"),
        text<&F::sInpRefExpr>("sInpRefExpr", k302, "inpc"),
        text<&F::sDefaultValue>("sDefaultValue", k302, "defa"),
        flag<&F::bSyncField>("bSyncField"),
        flag<&F::bImmediateBehind>("bImmediateBehind"),
        flag<&F::bFieldInSingleOcc>("bFieldInSingleOcc"),
        flag<&F::bFieldInMultiOcc>("bFieldInMultiOcc"),
        number<&F::nLabelAli>("nLabelAli", k308, "lali", kNoSign, kByte),
        flag<&F::bDependent>("bDependent"),
        number<&F::lLabelPosition>("lLabelPosition", k308, "lpos", kNoSign, kConstant),
        number<&F::iLabelLengthSO>("iLabelLengthSO", k308, "llso", kNoSign),
        number<&F::iLabelHeightSO>("iLabelHeightSO", k308, "lhso", kNoSign),
        number<&F::iLabelLengthMO>("iLabelLengthMO", k308, "llmo", kNoSign),
        number<&F::iLabelHeightMO>("iLabelHeightMO", k308, "lhmo", kNoSign),
        number<&F::lOptx>("lOptx", k308, "optx", kNoSign),
        number<&F::iFieldHeight>("iFieldHeight", k308, "za_hght", kNoSign),
        flag<&F::bIsViewField>("bIsViewField"),
        number<&F::iYesValue>("iYesValue", k308, "za_yesv", kNoSign, kConstant),
        code<&F::sSearchField>("sSearchField", k308, "za_srch"),
        number<&F::iLinkedConst>("iLinkedConst", k308, "za_cnst", kNoSign, kConstant),
        code<&F::sIconName>("sIconName", k308, "za_icon"),
        number<&F::iZoomIndex>("iZoomIndex", k308, "za_zind", kNoSign),
        number<&F::lControl>("lControl", k308, "ctrl", int64_t(ControlKind::Input), int64_t(ControlKind::StringCombo)),
        number<&F::iDataAli>("iDataAli", k308, "za_adju", kNoSign, kConstant),
        flag<&F::bAutoEnable>("bAutoEnable"),
        flag<&F::bInGrid>("bInGrid"),
        flag<&F::bOccIndependentViewField>("bOccIndependentViewField"),
        flag<&F::bInitialHidden>("bInitialHidden", 32),
    };
    return members;
}

const QString kAlignmentAttribute = QStringLiteral("lAlignmentGroupId");

template <typename R>
bool supported(const Member<R>& m)
{
    return m.feature == 0 || gbFormVersionSupports(m.feature);
}

template <typename R>
void copyMembers(const std::vector<Member<R>>& members, R& to, const R& from)
{
    for (const Member<R>& m : members)
        if (supported(m))
            m.copy(to, from);
}

// ---- The form identity as key306 -------------------------------------------------------

struct IdentityPart {
    const char* column;  // of qxzrn300
    QString (*current)();
};

const IdentityPart kIdentity[] = {
    {"clan", [] { return gsDesignLanguage.str(); }}, {"cpac", [] { return gsPackage.str(); }},
    {"cmod", [] { return gsModule.str(); }},         {"cfrm", [] { return gsFormCode; }},
    {"vers", [] { return gsVersion.str(); }},        {"rele", [] { return gsRelease.str(); }},
    {"cust", [] { return gsCustomer.str(); }},
};

// The width of each part's column, asked of the data sets once while they stay as they are.
const std::array<int32_t, std::size(kIdentity)>& identityWidths()
{
    static std::array<int32_t, std::size(kIdentity)> widths{};
    static std::optional<uint32_t> revision;
    if (revision != glDataSetsRevision()) {
        for (size_t i = 0; i < std::size(kIdentity); ++i)
            widths[i] = glFieldLength(QStringLiteral("qxzrn300"), QLatin1String(kIdentity[i].column));
        revision = glDataSetsRevision();
    }
    return widths;
}

// The identity's columns, each as wide as it is: no character a query key cannot hold,
// and a package, module and form code that are not blank.
bool fitsIdentity(const QString& key)
{
    qsizetype at = 0;
    const auto& widths = identityWidths();
    for (size_t i = 0; i < std::size(kIdentity); ++i) {
        const IdentityPart& p = kIdentity[i];
        const int32_t width = widths[i];
        if (width <= 0 || at + width > key.size())
            return false;
        const QStringView part = QStringView(key).mid(at, width);
        for (const QChar c : part)
            if (gbIsControlCharacter(c) || c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('{')
                || c == QLatin1Char('}'))
                return false;
        const QLatin1String column(p.column);
        if ((column == QLatin1String("cpac") || column == QLatin1String("cmod") || column == QLatin1String("cfrm"))
            && part.trimmed().isEmpty())
            return false;
        at += width;
    }
    return at == key.size();
}

// ---- Writing ------------------------------------------------------------------------------

bool isGroupNode(const TreeNode* n) { return n->keyLetter() == u'g' && n->keyNumber() >= 0; }
bool isFieldNode(const TreeNode* n)
{
    return (n->keyLetter() == u'f' || n->keyLetter() == u'p') && n->keyNumber() >= 1;
}

bool liveGroup(const TreeNode* n)
{
    return isGroupNode(n) && size_t(n->keyNumber()) < gaGroups.size() && gaGroups[size_t(n->keyNumber())].Grpi != -1;
}

bool liveField(const TreeNode* n)
{
    return isFieldNode(n) && size_t(n->keyNumber()) < gaFields.size()
           && gaFields[size_t(n->keyNumber())].lFieldId != -1;
}

class Writer {
public:
    Writer(QString& text, const TreeNode* top) : m_w(&text)
    {
        m_w.setAutoFormatting(true);
        m_w.setAutoFormattingIndent(1);
        int32_t number = 0;
        for (const TreeNode* n = top; n; n = NodeTree::nextDepthFirst(n, top))
            if (liveGroup(n))
                m_ordinal.insert(n->keyNumber(), ++number);
    }

    bool write(const TreeNode* top, const QString& stylesheet)
    {
        m_w.writeStartDocument();
        if (!stylesheet.isEmpty())
            m_w.writeProcessingInstruction(QStringLiteral("xml-stylesheet"),
                                           QStringLiteral("type=\"text/xsl\" href=\"%1\"").arg(stylesheet));
        m_w.writeStartElement(QStringLiteral("body"));
        m_w.writeEmptyElement(QStringLiteral("header"));
        m_w.writeAttribute(QStringLiteral("plm_id"), QLatin1String(kStructureId));
        m_w.writeAttribute(QStringLiteral("format"), QString::number(kStructureFormat));
        m_w.writeAttribute(QStringLiteral("key306"), gsStructureKey306());
        m_w.writeStartElement(QStringLiteral("definition"));
        node(top);
        m_w.writeEndElement();
        m_w.writeEndElement();
        m_w.writeEndDocument();
        return !m_w.hasError();
    }

private:
    void node(const TreeNode* n)
    {
        if (liveGroup(n))
            group(n);
        else if (liveField(n))
            field(n);
    }

    template <typename R>
    void attributes(const std::vector<Member<R>>& members, const R& r)
    {
        for (const Member<R>& m : members)
            m_w.writeAttribute(QLatin1String(m.name), m.write(r));
    }

    void group(const TreeNode* n)
    {
        const GroupRecord& g = gaGroups[size_t(n->keyNumber())];
        m_w.writeStartElement(QStringLiteral("group"));
        m_w.writeEmptyElement(QStringLiteral("groupprops"));
        attributes(groupMembers(), g);
        // Equal stays equal; an alignment group outside the copy becomes default.
        int32_t alignment = -1;
        if (g.lAlignmentGroupId == 0)
            alignment = 0;
        else if (g.lAlignmentGroupId > 0)
            alignment = m_ordinal.value(g.lAlignmentGroupId, -1);
        m_w.writeAttribute(kAlignmentAttribute, QString::number(alignment));
        for (const TreeNode* c = n->child(); c; c = c->next())
            node(c);
        m_w.writeEndElement();
    }

    void field(const TreeNode* n)
    {
        m_w.writeStartElement(QStringLiteral("field"));
        m_w.writeEmptyElement(QStringLiteral("fieldprops"));
        attributes(fieldMembers(), gaFields[size_t(n->keyNumber())]);
        for (const TreeNode* c = n->child(); c; c = c->next())
            if (liveField(c))
                field(c);
        m_w.writeEndElement();
    }

    QXmlStreamWriter m_w;
    QHash<int32_t, int32_t> m_ordinal;  // group index -> its number among the copied groups
};

// ---- Reading ------------------------------------------------------------------------------

// A whole number as the writer writes it: an optional minus and at most 18 digits.
bool readNumber(QStringView text, int64_t& value)
{
    const qsizetype start = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (text.size() == start || text.size() - start > 18)
        return false;
    int64_t v = 0;
    for (qsizetype i = start; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
    }
    value = start ? -v : v;
    return true;
}

// The characters of v in decimal, its sign with them.
int32_t decimalWidth(int64_t v)
{
    int32_t width = v < 0 ? 2 : 1;
    for (uint64_t rest = v < 0 ? 0 - uint64_t(v) : uint64_t(v); rest >= 10; rest /= 10)
        ++width;
    return width;
}

// The width of every member's column, asked of the data sets once while they stay as
// they are.
template <typename R>
const std::vector<int32_t>& widthsOf(const std::vector<Member<R>>& members)
{
    static std::vector<int32_t> widths;
    static std::optional<uint32_t> revision;
    static const std::vector<Member<R>>* of = nullptr;
    if (revision == glDataSetsRevision() && of == &members)
        return widths;
    widths.clear();
    widths.reserve(members.size());
    for (const Member<R>& m : members)
        widths.push_back(m.kind == Kind::Flag ? 0
                                              : glFieldLength(QLatin1String(m.table), QLatin1String(m.column)));
    revision = glDataSetsRevision();
    of = &members;
    return widths;
}

template <typename R>
QHash<QString, int32_t> indexOf(const std::vector<Member<R>>& members)
{
    QHash<QString, int32_t> index;
    for (size_t i = 0; i < members.size(); ++i)
        index.insert(QLatin1String(members[i].name), int32_t(i));
    return index;
}

// A piece of the text as a message shows it: cut short, as the text can be anything.
QString shown(QStringView text)
{
    constexpr qsizetype kShown = 40;
    return text.size() <= kShown ? text.toString()
                                 : datasets::leftWhole(text.toString(), kShown) + QStringLiteral("...");
}

// An attribute as it was read: its qualified name and its value.
struct Attribute {
    QStringView name;
    QStringView value;
};

// Checks the elements of a text as they are read, one after the other, and stages what
// they hold. The first fault is kept; the caller stops reading at it.
class Reader {
public:
    Reader(int16_t maxGroupDepth, StructureText& out) : m_maxGroupDepth(maxGroupDepth), m_out(out) {}

    bool failed() const { return !m_why.isEmpty(); }

    void fail(const QString& why)
    {
        if (m_why.isEmpty())
            m_why = why;
    }

    // After the last element: false with why at the first fault.
    bool finish(QString& why)
    {
        if (m_why.isEmpty() && !m_bodyDone)
            fail(QStringLiteral("it is not a structure text"));
        why = m_why;
        return m_why.isEmpty();
    }

    void startElement(QStringView name, const std::vector<Attribute>& attributes)
    {
        m_attributes = &attributes;
        if (name == u"body" && m_open.empty() && !m_bodyDone)
            open(El::Body, noAttributes(name));
        else if (name == u"header" && under(El::Body) && !m_header)
            open(El::Header, header());
        else if (name == u"definition" && under(El::Body) && m_header && !m_definition)
            open(El::Definition, noAttributes(name));
        else if ((name == u"group" && placesNode(false)) || (name == u"field" && placesNode(true)))
            addNode(name == u"group");
        else if (name == u"groupprops" && under(El::Group) && !m_open.back().props)
            open(El::GroupProps, groupProps());
        else if (name == u"fieldprops" && under(El::Field) && !m_open.back().props)
            open(El::FieldProps, fieldProps());
        else if (isKnown(name))
            fail(QStringLiteral("its element <%1> stands where it does not belong").arg(shown(name)));
        else
            fail(QStringLiteral("it holds an unknown element <%1>").arg(shown(name)));
        m_attributes = nullptr;
    }

    void endElement()
    {
        const Open o = m_open.back();
        m_open.pop_back();
        switch (o.el) {
        case El::Body:
            if (!m_definition)
                fail(QStringLiteral("it holds no definition"));
            m_bodyDone = true;
            break;
        case El::Header:
            m_header = true;
            break;
        case El::Definition:
            if (o.children == 0)
                fail(QStringLiteral("it holds no group or field"));
            m_definition = true;
            break;
        case El::Group:
        case El::Field:
            if (!o.props)
                fail(QStringLiteral("a <%1> lacks its properties")
                         .arg(o.el == El::Group ? QStringLiteral("group") : QStringLiteral("field")));
            m_depth.pop_back();
            break;
        case El::GroupProps:
        case El::FieldProps:
            m_open.back().props = true;
            break;
        }
    }

private:
    enum class El { Body, Header, Definition, Group, GroupProps, Field, FieldProps };
    struct Open {
        El el;
        int32_t node = -1;
        bool props = false;     // group, field: its properties were read
        int32_t children = 0;   // definition: nodes it holds
    };

    bool under(El el) const { return !m_open.empty() && m_open.back().el == el; }

    static bool isKnown(QStringView name)
    {
        for (const char16_t* known :
             {u"body", u"header", u"definition", u"group", u"groupprops", u"field", u"fieldprops"})
            if (name == QStringView(known))
                return true;
        return false;
    }

    void open(El el, bool ok)
    {
        if (ok)
            m_open.push_back(Open{el});
    }

    bool noAttributes(QStringView name)
    {
        if (m_attributes->empty())
            return true;
        fail(QStringLiteral("it holds an unknown attribute %1 of <%2>").arg(shown(m_attributes->front().name), name));
        return false;
    }

    bool header()
    {
        QString id, format, key;
        bool unknown = false;
        for (const Attribute& a : *m_attributes) {
            const QStringView n = a.name;
            if (n == u"plm_id")
                id = a.value.toString();
            else if (n == u"format")
                format = a.value.toString();
            else if (n == u"key306")
                key = a.value.toString();
            else if (!unknown) {
                unknown = true;
                fail(QStringLiteral("it holds an unknown attribute %1 of <header>").arg(shown(n)));
            }
        }
        if (unknown)
            return false;
        if (id != QLatin1String(kStructureId))
            fail(QStringLiteral("it was not copied by this editor"));
        else if (format != QString::number(kStructureFormat))
            fail(QStringLiteral("it is of format \"%1\"; this editor reads format %2")
                     .arg(shown(format))
                     .arg(kStructureFormat));
        else if (!fitsIdentity(key))
            fail(QStringLiteral("its key306 \"%1\" names no form").arg(shown(key)));
        m_out.key306 = key;
        return m_why.isEmpty();
    }

    // A group or field may start here: the definition's one node, or a node inside an
    // open group (groups and fields) or field (fields only) after its properties.
    bool placesNode(bool field) const
    {
        if (m_open.empty())
            return false;
        const Open& o = m_open.back();
        if (o.el == El::Definition)
            return o.children == 0;
        return o.props && (o.el == El::Group || (field && o.el == El::Field));
    }

    // Opens a group or field as a new node.
    bool addNode(bool group)
    {
        Open& parent = m_open.back();
        // Depth below the top: groups count group levels, fields count follow-up levels.
        int32_t groups = 0;
        int32_t followUps = 0;
        if (parent.el == El::Definition) {
            ++parent.children;
        } else if (group) {
            groups = m_depth.back().groups + 1;
        } else {
            groups = m_depth.back().groups;
            followUps = parent.el == El::Field ? m_depth.back().followUps + 1 : 0;
        }
        if (groups > m_maxGroupDepth) {
            fail(QStringLiteral("its groups are nested more than %1 levels deep").arg(m_maxGroupDepth));
            return false;
        }
        if (followUps > kMaxFollowUpDepth) {
            fail(QStringLiteral("its follow-up fields are nested more than %1 levels deep").arg(kMaxFollowUpDepth));
            return false;
        }
        if (!group && m_out.fields.size() >= size_t(kMaxFormFields)) {
            fail(QStringLiteral("it holds more than %1 fields").arg(kMaxFormFields));
            return false;
        }
        if (group && m_out.groups.size() >= size_t(std::numeric_limits<int16_t>::max())) {
            fail(QStringLiteral("it holds too many groups"));
            return false;
        }

        StagedNode node;
        node.group = group;
        node.parent = parent.el == El::Definition ? -1 : parent.node;
        if (group) {
            node.record = int32_t(m_out.groups.size());
            m_out.groups.emplace_back();
            m_out.alignment.push_back(-1);
        } else {
            node.record = int32_t(m_out.fields.size());
            m_out.fields.emplace_back();
        }
        const int32_t index = int32_t(m_out.nodes.size());
        if (node.parent >= 0)
            m_out.nodes[size_t(node.parent)].children.push_back(index);
        m_out.nodes.push_back(std::move(node));
        m_out.groupDepth = int16_t(std::max<int32_t>(m_out.groupDepth, groups));
        m_depth.push_back({groups, followUps});
        m_open.push_back(Open{group ? El::Group : El::Field, index});
        return true;
    }

    // The attributes of a properties element into the record: each known, once, within
    // its range and width. The alignment attribute of groups is read by the caller.
    template <typename R>
    bool properties(const std::vector<Member<R>>& members, const QHash<QString, int32_t>& index,
                    const std::vector<int32_t>& widths, R& record, const char16_t* element,
                    std::optional<int64_t>* alignment)
    {
        std::vector<char> seen(members.size(), 0);
        size_t count = 0;
        const std::vector<Attribute>& attributes = *m_attributes;
        for (size_t a = 0; a < attributes.size(); ++a) {
            const QStringView name = attributes[a].name;
            const QStringView value = attributes[a].value;
            if (alignment && name == kAlignmentAttribute) {
                int64_t v = 0;
                if (!readNumber(value, v) || v < -1 || v > std::numeric_limits<int16_t>::max())
                    return badValue(value, name);
                *alignment = v;
                continue;
            }
            // The writer's order is tried first.
            int32_t i = a < members.size() && name == QLatin1String(members[a].name) ? int32_t(a)
                                                                                     : index.value(name.toString(), -1);
            if (i < 0) {
                fail(QStringLiteral("it holds an unknown attribute %1 of <%2>").arg(shown(name), QStringView(element)));
                return false;
            }
            const Member<R>& m = members[size_t(i)];
            if (!seen[size_t(i)]) {
                seen[size_t(i)] = 1;
                ++count;
            }
            // A member the form version lacks is cleared by the paste: its width is not asked.
            const int32_t width = supported(m) ? widths[size_t(i)] : 0;
            int64_t v = 0;
            switch (m.kind) {
            case Kind::Flag:
                if (value != u"0" && value != u"1")
                    return badValue(value, name);
                m.set(record, value == u"1", {});
                break;
            case Kind::Number:
                if (!readNumber(value, v) || v < m.min || v > m.max || (width > 0 && decimalWidth(v) > width))
                    return badValue(value, name);
                m.set(record, v, {});
                break;
            case Kind::Code:
                if (std::any_of(value.begin(), value.end(), gbIsControlCharacter)) {
                    fail(QStringLiteral("its %1 holds a control character").arg(name));
                    return false;
                }
                [[fallthrough]];
            case Kind::Text:
                if (width > 0 && value.size() > width) {
                    fail(QStringLiteral("its %1 \"%2\" is longer than %3 characters")
                             .arg(name, shown(value))
                             .arg(width));
                    return false;
                }
                m.set(record, 0, value);
                break;
            }
        }
        if (count < members.size()) {
            for (size_t i = 0; i < members.size(); ++i)
                if (!seen[i])
                    return lacks(QString::fromLatin1(members[i].name), element);
        }
        if (alignment && !*alignment)
            return lacks(kAlignmentAttribute, element);
        return true;
    }

    bool badValue(QStringView value, QStringView name)
    {
        fail(QStringLiteral("its %1 \"%2\" is no value the editor can take").arg(name, shown(value)));
        return false;
    }

    bool lacks(QStringView name, const char16_t* element)
    {
        fail(QStringLiteral("a <%1> lacks the attribute %2").arg(QStringView(element), name));
        return false;
    }

    bool groupProps()
    {
        static const QHash<QString, int32_t> index = indexOf(groupMembers());
        if (m_groupWidths.empty())
            m_groupWidths = widthsOf(groupMembers());
        const StagedNode& node = m_out.nodes[size_t(m_open.back().node)];
        std::optional<int64_t> alignment;
        if (!properties(groupMembers(), index, m_groupWidths, m_out.groups[size_t(node.record)], u"groupprops",
                        &alignment))
            return false;
        m_out.alignment[size_t(node.record)] = int16_t(*alignment);
        return true;
    }

    bool fieldProps()
    {
        static const QHash<QString, int32_t> index = indexOf(fieldMembers());
        if (m_fieldWidths.empty())
            m_fieldWidths = widthsOf(fieldMembers());
        const StagedNode& node = m_out.nodes[size_t(m_open.back().node)];
        FieldRecord& f = m_out.fields[size_t(node.record)];
        if (!properties(fieldMembers(), index, m_fieldWidths, f, u"fieldprops", nullptr))
            return false;
        if (f.iElement == 0 || (f.iElement < 0 && !f.bMultiCurrency))
            return badValue(QString::number(f.iElement), u"iElement");
        return true;
    }

    struct Depth {
        int32_t groups;
        int32_t followUps;
    };

    int16_t m_maxGroupDepth;
    StructureText& m_out;
    std::vector<Open> m_open;
    std::vector<Depth> m_depth;  // of each open group and field
    std::vector<int32_t> m_groupWidths;
    std::vector<int32_t> m_fieldWidths;
    bool m_header = false;
    bool m_definition = false;
    bool m_bodyDone = false;
    QString m_why;
    const std::vector<Attribute>* m_attributes = nullptr;  // of the element being started
};

// The most attributes an element of a structure text has.
qsizetype maxAttributes()
{
    return qsizetype(std::max(groupMembers().size() + 1, fieldMembers().size()));
}

// The XML reader checks each attribute of an element against all before it: an element
// with a hundred thousand of them would hold the window for minutes before its first
// name could be refused. So the start tags are counted first, in one pass: an "="
// outside a quoted value is an attribute. Text, comments and the like are passed over
// (counted wrongly they could only refuse a text the writer never makes). A document
// type, which the reader would read whole before it is refused, is refused here.
bool tagsCounted(QStringView text, QString& why)
{
    const qsizetype limit = maxAttributes();
    const qsizetype n = text.size();
    for (qsizetype i = text.indexOf(u'<'); i >= 0 && i + 1 < n; i = text.indexOf(u'<', i)) {
        const qsizetype start = ++i;
        const char16_t first = text[i].unicode();
        // The reader would read a whole document type before it could be refused.
        if (text.mid(i).startsWith(u"!DOCTYPE")) {
            why = QStringLiteral("it declares a document type");
            return false;
        }
        if (first == u'/' || first == u'!' || first == u'?')
            continue;
        qsizetype count = 0;
        char16_t quote = 0;
        for (; i < n; ++i) {
            const char16_t c = text[i].unicode();
            if (quote)
                quote = c == quote ? 0 : quote;
            else if (c == u'"' || c == u'\'')
                quote = c;
            else if (c == u'=')
                ++count;
            else if (c == u'>')
                break;
        }
        if (count > limit) {
            qsizetype end = start;
            while (end < n && end - start < 40 && !text[end].isSpace() && text[end] != u'>' && text[end] != u'/')
                ++end;
            why = QStringLiteral("its element <%1> holds more than %2 attributes")
                      .arg(text.mid(start, end - start).toString())
                      .arg(limit);
            return false;
        }
    }
    return true;
}

// The text through the XML reader, which takes any XML and finds every fault of it.
void readAnyXml(const QString& text, Reader& reader)
{
    QXmlStreamReader r(text);
    std::vector<Attribute> attributes;
    while (!r.atEnd() && !reader.failed()) {
        switch (r.readNext()) {
        case QXmlStreamReader::DTD:
            // Refused before anything it declares can be expanded.
            reader.fail(QStringLiteral("it declares a document type"));
            break;
        case QXmlStreamReader::EntityReference:
            reader.fail(QStringLiteral("it refers to an entity"));
            break;
        case QXmlStreamReader::ProcessingInstruction:
            reader.fail(QStringLiteral("it holds a processing instruction"));
            break;
        case QXmlStreamReader::Characters:
            if (!r.isWhitespace())
                reader.fail(QStringLiteral("it holds text outside the attributes"));
            break;
        case QXmlStreamReader::StartElement: {
            if (!r.namespaceDeclarations().isEmpty()) {
                reader.fail(QStringLiteral("it declares a namespace"));
                break;
            }
            const QXmlStreamAttributes read = r.attributes();
            attributes.clear();
            for (const QXmlStreamAttribute& a : read)
                attributes.push_back({a.qualifiedName(), a.value()});
            reader.startElement(r.qualifiedName(), attributes);
            break;
        }
        case QXmlStreamReader::EndElement:
            reader.endElement();
            break;
        default:
            break;
        }
    }
    if (!reader.failed() && r.hasError())
        reader.fail(QStringLiteral("it is not well-formed XML (line %1: %2)").arg(r.lineNumber()).arg(r.errorString()));
}

// ---- The writer's own texts --------------------------------------------------------------
//
// The XML reader takes some ten nanoseconds a character. A text as the writer makes it
// is read here instead, in a form narrower than XML: the declaration the writer writes
// (or none), then elements only, with whitespace between them; names of ASCII letters,
// digits and underscores, none beginning with "xml"; each attribute one blank or more
// after what stands before it, as name="value"; values of characters the XML reader
// takes as they stand (no markup, reference, line break or tab, no control or other
// character it might refuse or change); no attribute twice; end tags as </name>; one
// root. The reader gets what the XML reader would give it, in the same order. At the
// first thing outside that form the text is plain no further, and is read again whole
// by the XML reader: a fault of XML is only ever told as the XML reader tells it.

bool isXmlBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

bool isPlainNameStart(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; }

bool isPlainNameChar(char16_t c) { return isPlainNameStart(c) || (c >= u'0' && c <= u'9'); }

bool isPlainValueChar(char16_t c)
{
    if (c < 0x80)
        return c >= 0x20 && c != 0x7f && c != u'"' && c != u'&' && c != u'<' && c != u'>';
    // No C1 control, surrogate or noncharacter.
    return (c >= 0xa0 && c < 0xd800) || (c >= 0xe000 && c < 0xfdd0) || (c > 0xfdef && c < 0xfffe);
}

class PlainText {
public:
    explicit PlainText(QStringView text) : m_text(text) {}

    // True when the text was plain up to the end or up to the reader's first fault;
    // false when it was not (what the reader was given by then is to be thrown away).
    bool read(Reader& reader)
    {
        static constexpr QStringView kDeclarations[] = {u"<?xml version=\"1.0\"?>",
                                                        u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"};
        if (m_text.startsWith(u"<?")) {
            const auto written = std::find_if(std::begin(kDeclarations), std::end(kDeclarations),
                                              [&](QStringView d) { return m_text.startsWith(d); });
            if (written == std::end(kDeclarations))
                return false;
            m_at = written->size();
        }
        std::vector<QStringView> open;  // names of the open elements
        bool rootDone = false;
        for (skipBlanks(); m_at < m_text.size(); skipBlanks()) {
            if (rootDone || m_text[m_at] != u'<')
                return false;
            ++m_at;
            if (next(u'/')) {
                const QStringView name = this->name();
                if (name.isEmpty() || !next(u'>') || open.empty() || open.back() != name)
                    return false;
                open.pop_back();
                reader.endElement();
                if (reader.failed())
                    return true;
                rootDone = open.empty();
                continue;
            }
            const QStringView name = this->name();
            bool empty = false;
            if (name.isEmpty() || !attributes(empty))
                return false;
            reader.startElement(name, m_attributes);
            if (reader.failed())
                return true;
            if (empty) {
                reader.endElement();
                if (reader.failed())
                    return true;
                rootDone = open.empty();
            } else {
                open.push_back(name);
            }
        }
        return rootDone;
    }

private:
    void skipBlanks()
    {
        while (m_at < m_text.size() && isXmlBlank(m_text[m_at].unicode()))
            ++m_at;
    }

    bool next(char16_t c)
    {
        if (m_at >= m_text.size() || m_text[m_at] != c)
            return false;
        ++m_at;
        return true;
    }

    // A plain name, or an empty one where none stands.
    QStringView name()
    {
        const qsizetype from = m_at;
        if (m_at < m_text.size() && isPlainNameStart(m_text[m_at].unicode()))
            for (++m_at; m_at < m_text.size() && isPlainNameChar(m_text[m_at].unicode());)
                ++m_at;
        const QStringView name = m_text.mid(from, m_at - from);
        return name.startsWith(u"xml", Qt::CaseInsensitive) ? QStringView() : name;
    }

    // The attributes of a start tag up to its end, which may close the element at once.
    bool attributes(bool& empty)
    {
        m_attributes.clear();
        for (;;) {
            const qsizetype from = m_at;
            skipBlanks();
            if (next(u'>'))
                break;
            if (next(u'/')) {
                if (!next(u'>'))
                    return false;
                empty = true;
                break;
            }
            const QStringView name = m_at > from ? this->name() : QStringView();
            if (name.isEmpty() || !next(u'=') || !next(u'"'))
                return false;
            const qsizetype value = m_at;
            while (m_at < m_text.size() && isPlainValueChar(m_text[m_at].unicode()))
                ++m_at;
            if (!next(u'"'))
                return false;
            m_attributes.push_back({name, m_text.mid(value, m_at - 1 - value)});
        }
        // An attribute twice is a fault of XML.
        m_names.clear();
        for (const Attribute& a : m_attributes)
            m_names.push_back(a.name);
        std::sort(m_names.begin(), m_names.end());
        return std::adjacent_find(m_names.begin(), m_names.end()) == m_names.end();
    }

    QStringView m_text;
    qsizetype m_at = 0;
    std::vector<Attribute> m_attributes;
    std::vector<QStringView> m_names;
};

} // namespace

QString gsStructureKey306()
{
    QString key;
    const auto& widths = identityWidths();
    for (size_t i = 0; i < std::size(kIdentity); ++i)
        key += datasets::fixedWidth(kIdentity[i].current(), widths[i]);
    return key;
}

bool gbWriteStructure(const TreeNode* node, const QString& stylesheet, QString& text, QString& why)
{
    text.clear();
    if (!node || !(liveGroup(node) || liveField(node))) {
        why = QStringLiteral("no group or field is selected");
        return false;
    }
    Writer writer(text, node);
    if (writer.write(node, stylesheet))
        return true;
    why = QStringLiteral("a text of it holds a character that XML cannot carry");
    return false;
}

namespace {

bool readStructure(const QString& text, int16_t maxGroupDepth, StructureText& out, QString& why, bool plainFirst)
{
    out = StructureText{};
    if (text.size() > kMaxStructureText) {
        why = QStringLiteral("it is longer than %1 characters").arg(kMaxStructureText);
        return false;
    }
    if (!tagsCounted(text, why))
        return false;
    bool read = false;
    if (plainFirst) {
        Reader reader(maxGroupDepth, out);
        read = PlainText(text).read(reader);
        if (read && !reader.finish(why))
            return false;
    }
    if (!read) {
        out = StructureText{};
        Reader reader(maxGroupDepth, out);
        readAnyXml(text, reader);
        if (!reader.finish(why))
            return false;
    }
    const int32_t groups = int32_t(out.groups.size());
    for (const int16_t a : out.alignment) {
        if (a > groups) {
            why = QStringLiteral("its lAlignmentGroupId %1 names no copied group").arg(a);
            return false;
        }
    }
    return true;
}

} // namespace

bool gbReadStructure(const QString& text, int16_t maxGroupDepth, StructureText& out, QString& why)
{
    return readStructure(text, maxGroupDepth, out, why, true);
}

bool gbReadStructureAsAnyXml(const QString& text, int16_t maxGroupDepth, StructureText& out, QString& why)
{
    return readStructure(text, maxGroupDepth, out, why, false);
}

bool gbIsStructureText(const QString& text)
{
    if (text.isEmpty() || text.size() > kMaxStructureText)
        return false;
    // The writer puts the header first: its start is all that is read.
    constexpr qsizetype kHead = 4096;
    QXmlStreamReader r(text.left(kHead));
    bool body = false;
    while (!r.atEnd()) {
        const QXmlStreamReader::TokenType t = r.readNext();
        if (t == QXmlStreamReader::DTD || t == QXmlStreamReader::Invalid)
            return false;
        if (t != QXmlStreamReader::StartElement)
            continue;
        if (!body) {
            if (r.qualifiedName() != u"body")
                return false;
            body = true;
            continue;
        }
        const QXmlStreamAttributes a = r.attributes();
        return r.qualifiedName() == u"header" && a.value(QStringLiteral("plm_id")) == QLatin1String(kStructureId)
               && a.value(QStringLiteral("format")) == QString::number(kStructureFormat);
    }
    return false;
}

void gCopyStructureMembers(GroupRecord& to, const GroupRecord& from) { copyMembers(groupMembers(), to, from); }

void gCopyStructureMembers(FieldRecord& to, const FieldRecord& from) { copyMembers(fieldMembers(), to, from); }
