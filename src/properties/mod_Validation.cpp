// The input checks of the property dialog, one rule for each text box.
#include "mod_Validation.h"

#include "frm_Properties_Helpers.h"
#include "ui_frm_Properties.h"

#include "mod_DataSets.h"
#include "mod_External.h"
#include "mod_VrokGlobal.h"
#include "mod_Keys.h"
#include "Dialogs.h"
#include "mod_Global.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <span>

QHash<QString, QString> gsPrevValues;
QString gsZoomPackageModule;
QString gsLastZoomTarget;

namespace {

// Message numbers of group 2 (and one of group 3) the checks show.
constexpr int32_t kLabelCodeNotValid = 10;
constexpr int32_t kSessionMissing = 15;
constexpr int32_t kMenuMissing = 18;
constexpr int32_t kMessageMissing = 20;
constexpr int32_t kTableMissing = 21;
constexpr int32_t kIconMissing = 23;
constexpr int32_t kOutOfRange = 27;
constexpr int32_t kMinAboveMax = 30;
constexpr int32_t kZoomIndexNotValid = 36;
constexpr int32_t kSearchFieldNotValid = 37;
constexpr int32_t kFieldNameNotValid = 41;
constexpr int32_t kParentTableNeeded = 38;
constexpr int32_t kElementOutsideArray = 40;
constexpr int32_t kZoomTargetUnsuited = 9;  // group 3

enum class Check {
    Number,       // a whole number from low to high
    Element,      // a number within the table field's elements; -1 for multi-currency
    MinInput,     // a number not above the maximum input length
    MaxInput,     // a number not below the minimum input length
    LabelCode,    // a label code's syntax, then the host's label (which may be inserted)
    Package,      // a domain's package: checked with its code, by the code's rule
    Domain,       // the domain of package and code in the host
    Message,      // a message of the form's package in the host
    ZoomTarget,   // a session or menu by the zoom type
    Icon,         // an icon the host has a picture of
    ParentTable,  // a table of the host
    LookUp,       // the host's table fields decide: the field name brings a column's definition
    Text,         // any text that fits its column
};

struct ControlRule {
    const char* name;
    Check check;
    // The host column that stores the value: a text no longer than it, a number of no
    // more digits than it keeps.
    const char* set = nullptr;
    const char* column = nullptr;
    int32_t low = 0;
    int32_t high = INT16_MAX;
    int32_t message = kOutOfRange;
};

// The inputs of each page in the order a page check runs them.
const ControlRule kFieldRules[] = {
    {"txtFieldName", Check::LookUp, "qxzrn301", "fldn"},
    {"txtElement", Check::Element, "qxzrn301", "elem", 1},
    {"txtDomainPackage", Check::Package, "qxzrn301", "pacd"},
    {"txtDomainCode", Check::Domain, "qxzrn301", "cdom"},
    {"txtMessage", Check::Message, "qxzrn301", "cmes"},
    {"txtDefaultValue", Check::Text, "qxzrn302", "defa"},
    {"txtLabelCode", Check::LabelCode, "qxzrn301", "labl"},
    {"txtLabelLengthSO", Check::Number, "qxzrn308", "llso"},
    {"txtLabelHeightSO", Check::Number, "qxzrn308", "lhso", 1},
    {"txtLabelLengthMO", Check::Number, "qxzrn308", "llmo"},
    {"txtLabelHeightMO", Check::Number, "qxzrn308", "lhmo", 1},
    {"txtMinInpLength", Check::MinInput, "qxzrn301", "mini"},
    {"txtDisplayFormat", Check::Text, "qxzrn301", "difo"},
    {"txtMaxDispLen", Check::Number, "qxzrn301", "maxd"},
    {"txtMaxInpLen", Check::MaxInput, "qxzrn301", "maxi"},
    {"txtDispHeight", Check::Number, "qxzrn308", "za_hght", 1},
    {"txtLangUnitExpr", Check::Text, "qxzrn301", "dcex"},
    {"txtInpRefExpr", Check::Text, "qxzrn302", "inpc"},
    {"txtStartPosOfString", Check::Number, "qxzrn301", "sttp", 1},
    {"txtZoomToParallelMenus", Check::Text, "qxzrn301", "zopm"},
    {"txtFieldZoomTo", Check::ZoomTarget, "qxzrn301", "zprg"},
    {"txtZoomReturnField", Check::LookUp, "qxzrn301", "zret"},
    {"txtZoomInd", Check::Number, "qxzrn308", "za_zind", 0, INT16_MAX, kZoomIndexNotValid},
    {"txtSearchDesc", Check::LookUp, "qxzrn308", "za_srch"},
};
const ControlRule kPictureRules[] = {
    {"txtFieldNamePict", Check::Text, "qxzrn301", "fldn"},
    {"txtLabelCodePict", Check::LabelCode, "qxzrn301", "labl"},
    // One size serves both occurrences; their columns are alike.
    {"txtLabelLenPict", Check::Number, "qxzrn308", "llso"},
    {"txtLabelHghtPict", Check::Number, "qxzrn308", "lhso", 1},
    {"txtIcon", Check::Icon, "qxzrn308", "za_icon"},
};
const ControlRule kGroupRules[] = {
    {"txtGroupLabelCode", Check::LabelCode, "qxzrn315", "labl"},
    // Widths above 100 are an old form's mark of groups beside each other.
    {"txtGroupCols", Check::Number, "qxzrn315", "wdth", 1, 100},
    {"txtParentTable", Check::ParentTable, "qxzrn315", "zb_tabp"},
};
const ControlRule kFormRules[] = {
    {"txtGroupCols", Check::Number, "qxzrn315", "wdth", 1, 100},
};
// Texts to search labels by; not stored.
const ControlRule kSearchRules[] = {
    {"txtLabelSearchString", Check::Text, "qxzrn140", "desc"},
    {"txtLabelSearchGroups", Check::Text, "qxzrn140", "desc"},
    {"txtLabelSearchPict", Check::Text, "qxzrn140", "desc"},
};

const ControlRule* ruleOf(const QString& name)
{
    for (std::span<const ControlRule> rules : {std::span<const ControlRule>(kFieldRules), std::span<const ControlRule>(kPictureRules),
                                               std::span<const ControlRule>(kGroupRules), std::span<const ControlRule>(kSearchRules)})
        for (const ControlRule& r : rules)
            if (name == QLatin1String(r.name))
                return &r;
    return nullptr;
}

bool isNumeric(Check c) { return c == Check::Number || c == Check::Element || c == Check::MinInput || c == Check::MaxInput; }

// The whole number a numeric box holds: digits only, no sign, within 16 bits.
std::optional<int32_t> numberIn(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 5)
        return std::nullopt;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    return t.toInt();
}

bool refuse(int32_t message, const QString& argument, uint8_t kind = MessageGroup2)
{
    glShowMessage(kind, message, platform::MbIconExclamation, argument);
    return false;
}

int32_t columnWidth(const ControlRule& rule)
{
    return rule.set ? glFieldLength(QLatin1String(rule.set), QLatin1String(rule.column)) : 0;
}

// The highest number the rule lets through: its own bound, and no more digits than
// the column keeps (the store refuses a record with a longer one).
int32_t highest(const ControlRule& rule)
{
    const int32_t width = columnWidth(rule);
    if (width <= 0)
        return rule.high;
    int64_t nines = 9;
    for (int32_t i = 1; i < width && nines < rule.high; ++i)
        nines = nines * 10 + 9;
    return int32_t(std::min<int64_t>(rule.high, nines));
}

bool numberFits(const ControlRule& rule, const QString& text)
{
    const std::optional<int32_t> n = numberIn(text);
    return n && *n >= rule.low && *n <= highest(rule);
}

bool numberInRange(const ControlRule& rule, const QString& text)
{
    return numberFits(rule, text) || refuse(rule.message, text);
}

using properties::isZoomType;

// A box's maximum length cuts what is typed or pasted by UTF-16 units and may leave
// half of a character of two: that half goes, so the cut falls before the character.
class WholeCharacters : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        for (qsizetype i = input.size() - 1; i >= 0; --i) {
            const QChar c = input.at(i);
            const bool paired = c.isHighSurrogate()   ? i + 1 < input.size() && input.at(i + 1).isLowSurrogate()
                                : c.isLowSurrogate() ? i > 0 && input.at(i - 1).isHighSurrogate()
                                                     : true;
            if (paired)
                continue;
            input.remove(i, 1);
            if (pos > i)
                --pos;
        }
        return Acceptable;
    }
};

// A label code looked up in the host: found, or inserted by the user's choice.
bool labelFound(PropertyInputs& d, const QLineEdit* box)
{
    if (box == d.controls().txtLabelCode)
        return (d.mlGetLabelData(true) & 1) != 0;
    if (box == d.controls().txtGroupLabelCode)
        return d.mlGetGroupLabelData() == 1;
    return d.mlGetPictLabelData() == 1;
}

// An emptied label code shows no label text.
void noLabel(PropertyInputs& d, const QLineEdit* box)
{
    Ui::frm_Properties& c = d.controls();
    if (box == c.txtLabelCode) {
        c.lblLabelDescSOText->clear();
        c.lblLabelDescMOText->clear();
    } else if (box == c.txtGroupLabelCode) {
        d.mResetGroupLabelProps();
    } else {
        c.lblLabelDescTextPict->clear();
    }
}

// A field the host lets the field's reference table be searched with.
bool searchFieldValid(PropertyInputs& d, const QString& text)
{
    QString package, module, number, version, release, customer;
    return d.msGetRefTable(package, module, number)
           && gbGetTableVrc(package, module, number, 0, version, release, customer)
           && glValidateSearchDesc(package, module, number, version, release, customer, text.mid(9)) == 0;
}

bool passes(PropertyInputs& d, const ControlRule& rule, QLineEdit* box)
{
    Ui::frm_Properties& c = d.controls();
    const QString text = box->text();
    const QString trimmed = text.trimmed();
    switch (rule.check) {
    case Check::Number:
        return numberInRange(rule, text);
    case Check::Element: {
        if (text == QLatin1String("-1") && c.chkMultiCurrency->isChecked())
            return true;
        if (!numberInRange(rule, text))
            return false;
        // A column that is no array has one element.
        if (const std::optional<int32_t> elements = d.tableFieldElements();
            elements && numberIn(text) > std::max<int32_t>(1, *elements))
            return refuse(kElementOutsideArray, text);
        return true;
    }
    case Check::MinInput:
    case Check::MaxInput: {
        if (!numberInRange(rule, text))
            return false;
        const std::optional<int32_t> min = numberIn(c.txtMinInpLength->text());
        const std::optional<int32_t> max = numberIn(c.txtMaxInpLen->text());
        if (min && max && *max > 0 && *min > *max)
            return refuse(kMinAboveMax, c.txtMinInpLength->text());
        return true;
    }
    case Check::LabelCode: {
        if (!trimmed.isEmpty() && !gbIsLabelCodeSyntax(trimmed))
            return refuse(kLabelCodeNotValid, trimmed);
        if (trimmed.isEmpty())
            noLabel(d, box);
        else if (!labelFound(d, box))
            return false;
        // The label position depends on the field's label code.
        if (box == c.txtLabelCode) {
            bool enable = !c.chkNoControl->isChecked();
            d.mEnableFields(enable);
        }
        return true;
    }
    case Check::Domain:
        if (trimmed.isEmpty()) {
            // No domain: the field shows a label only.
            d.mResetDomainProps();
            bool enable = !c.chkNoControl->isChecked();
            d.mEnableFields(enable);
            return true;
        }
        return d.mbApplyDomain();
    case Check::Message: {
        if (trimmed.isEmpty())
            return true;
        QString package = gsPackage, message = trimmed;
        return gbMessageExists(package, message) || refuse(kMessageMissing, trimmed);
    }
    case Check::ZoomTarget: {
        if (trimmed.isEmpty())
            return true;
        QString target = trimmed;
        if (isZoomType(c.cboFieldZoom, "session"))
            return gbSessionExists(target) || refuse(kSessionMissing, trimmed);
        if (isZoomType(c.cboFieldZoom, "menu")) {
            QString parameter = c.txtZoomToParallelMenus->text().trimmed();
            return gbMenuExists(target, parameter) || refuse(kMenuMissing, trimmed);
        }
        return refuse(kZoomTargetUnsuited, trimmed, MessageGroup3);
    }
    case Check::Icon:
        if (!trimmed.isEmpty() && !gbValidateIconName(gsPackage + QStringLiteral("form_"), trimmed))
            return refuse(kIconMissing, trimmed);
        d.showIcon(trimmed);
        return true;
    case Check::ParentTable:
        if (trimmed.isEmpty())
            return true;
        return (trimmed.size() == 8 && gbCheckTableExists(trimmed.left(2), trimmed.mid(2, 3), trimmed.mid(5, 3)))
               || refuse(kTableMissing, trimmed);
    case Check::LookUp: {
        if (box == c.txtFieldName) {
            d.mCheckFieldName();
            return true;
        }
        if (trimmed.isEmpty())
            return true;
        if (box == c.txtSearchDesc)
            return searchFieldValid(d, trimmed) || refuse(kSearchFieldNotValid, trimmed);
        properties::TableColumn column;
        return properties::activeTableColumn(trimmed, column) || refuse(kFieldNameNotValid, trimmed);
    }
    case Check::Package:
    case Check::Text:
        return true;
    }
    return true;
}

// The domain is one value in two boxes: it is checked when either box changed.
bool unchanged(PropertyInputs& d, const ControlRule& rule, const QLineEdit* box)
{
    const auto same = [](const QLineEdit* b) {
        const auto it = gsPrevValues.constFind(b->objectName());
        return it != gsPrevValues.cend() && *it == b->text();
    };
    if (rule.check == Check::Domain)
        return same(box) && same(d.controls().txtDomainPackage);
    return same(box);
}

// The main table the host answered for the session the zoom-to box names, moved out of
// the existence test's carrier.
void takeOverSessionTable(const QLineEdit* box)
{
    if (gsZoomSessionTable.isEmpty())
        return;
    gsZoomPackageModule = gsZoomSessionTable;
    gsZoomSessionTable.clear();
    gsLastZoomTarget = box->text().trimmed();
}

bool checkControl(PropertyInputs& d, QLineEdit* box)
{
    QLineEdit* domainPackage = d.controls().txtDomainPackage;
    const ControlRule* rule = ruleOf(box->objectName());
    if (!rule || unchanged(d, *rule, box))
        return true;
    // An emptied number box takes its number back.
    if (isNumeric(rule->check) && box->text().trimmed().isEmpty()) {
        box->setText(gsPrevValues.value(box->objectName()));
        return true;
    }
    if (!passes(d, *rule, box)) {
        box->setText(gsPrevValues.value(box->objectName()));
        if (rule->check == Check::Domain)
            domainPackage->setText(gsPrevValues.value(domainPackage->objectName()));
        return false;
    }
    if (rule->check == Check::ZoomTarget)
        takeOverSessionTable(box);
    // A package alone is no domain: it stays "changed" until its code's check ran.
    if (rule->check != Check::Package)
        gsPrevValues.insert(box->objectName(), box->text());
    if (rule->check == Check::Domain)
        gsPrevValues.insert(domainPackage->objectName(), domainPackage->text());
    return true;
}

bool checkPage(PropertyInputs& d, std::span<const ControlRule> rules)
{
    for (const ControlRule& r : rules) {
        auto* box = d.inputsWidget().findChild<QLineEdit*>(QLatin1String(r.name));
        if (box && !checkControl(d, box)) {
            d.mShowRefusedControl(box);
            return false;
        }
    }
    return true;
}

} // namespace

void gInstallKeyFilters(PropertyInputs& dialog)
{
    static const QRegularExpression kDigits(QStringLiteral("[0-9]*"));
    for (std::span<const ControlRule> rules : {std::span<const ControlRule>(kFieldRules), std::span<const ControlRule>(kPictureRules),
                                               std::span<const ControlRule>(kGroupRules), std::span<const ControlRule>(kSearchRules)})
        for (const ControlRule& r : rules) {
            auto* box = dialog.inputsWidget().findChild<QLineEdit*>(QLatin1String(r.name));
            if (!box)
                continue;
            if (isNumeric(r.check)) {
                // A number too long for its column is refused when the box is left,
                // with a message, rather than cut while typed.
                box->setValidator(new QRegularExpressionValidator(kDigits, box));
            } else if (const int32_t width = columnWidth(r); width > 0) {
                box->setMaxLength(width);
                gKeepWholeCharacters(box);
            }
        }
}

void gDropUnfitNumber(QLineEdit* box)
{
    const ControlRule* rule = ruleOf(box->objectName());
    const auto previous = gsPrevValues.constFind(box->objectName());
    if (!rule || !isNumeric(rule->check) || previous == gsPrevValues.cend() || *previous == box->text())
        return;
    // Multi-currency's element.
    if (rule->check == Check::Element && box->text() == QLatin1String("-1"))
        return;
    if (!numberFits(*rule, box->text()))
        box->setText(*previous);
}

void gKeepWholeCharacters(QLineEdit* box) { box->setValidator(new WholeCharacters(box)); }

void gSaveOldPropValues(PropertyInputs& dialog, const QString&)
{
    for (const QLineEdit* box : dialog.inputsWidget().findChildren<QLineEdit*>())
        gsPrevValues.insert(box->objectName(), box->text());
}

bool gbValidateControl(QWidget* control, int16_t, const QString&)
{
    auto* box = qobject_cast<QLineEdit*>(control);
    auto* dialog = box ? dynamic_cast<PropertyInputs*>(box->window()) : nullptr;
    return !dialog || checkControl(*dialog, box);
}

bool gbCheckFieldControls(PropertyInputs& dialog) { return checkPage(dialog, kFieldRules); }

bool gbCheckGroupControls(PropertyInputs& dialog)
{
    if (!checkPage(dialog, kGroupRules))
        return false;
    Ui::frm_Properties& c = dialog.controls();
    if (c.chkSelection->isChecked() && c.txtParentTable->isEnabled() && c.txtParentTable->text().trimmed().isEmpty()) {
        refuse(kParentTableNeeded, QString());
        dialog.mShowRefusedControl(c.txtParentTable);
        return false;
    }
    return true;
}

bool gbCheckPictureControls(PropertyInputs& dialog) { return checkPage(dialog, kPictureRules); }

bool gbCheckFormControls(PropertyInputs& dialog) { return checkPage(dialog, kFormRules); }

void resetValidation()
{
    gsPrevValues.clear();
    gsZoomPackageModule.clear();
    gsLastZoomTarget.clear();
}
