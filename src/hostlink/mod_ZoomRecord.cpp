#include "mod_ZoomRecord.h"

#include "mod_DataSets.h"
#include "mod_External.h"
#include "mod_VrokGlobal.h"
#include "mod_Global.h"

#include <initializer_list>

namespace {

// Characters from the 1-based start for len, as many as there are.
QString mid1(const QString& text, int32_t start, int32_t len)
{
    if (start < 1 || len <= 0 || start > text.size())
        return QString();
    return text.mid(start - 1, len);
}

struct KeyField {
    const char* field;
    QString text;
    QString second = QString();
    int32_t startChar = 1;
};

void fill(const char* table, QString& buffer, bool noTerminators, std::initializer_list<KeyField> fields)
{
    const QString t = QLatin1String(table);
    for (const KeyField& k : fields)
        mFillRecBuf(t, QLatin1String(k.field), k.startChar, buffer, k.text, k.second, noTerminators);
}

// Label height and length of a key: a box holding 0 (or nothing) gives 1.
QString labelNumber(const QString& box)
{
    const int32_t n = valueOfText<int32_t>(box);
    return QString::number(n == 0 ? 1 : n);
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

struct TableVersion {
    QString version, release, customer;
};

// The version in which a table exists, or the form's own when the host knows none.
TableVersion tableVersion(const QString& package, const QString& module, const QString& number)
{
    TableVersion v{gsVersion, gsRelease, gsCustomer};
    QString version, release, customer;
    if (gbGetTableVrc(package, module, number, 1, version, release, customer))
        v = {version, release, customer};
    return v;
}

// Package, module and table number cut from the front of a table text, by the widths
// and places of the table layout.
TableVersion versionOfTableText(const QString& k)
{
    const QString t = QStringLiteral("qxzrn422");
    const QString cmod = QStringLiteral("cmod");
    const QString flno = QStringLiteral("flno");
    return tableVersion(k.left(glFieldLength(t, QStringLiteral("cpac"))),
                        mid1(k, glFieldOffset(t, cmod, true), glFieldLength(t, cmod)),
                        mid1(k, glFieldOffset(t, flno, true), glFieldLength(t, flno)));
}

// Consecutive pieces of one text into package, module and code fields. With the text
// empty the package and module come from the form.
int32_t fillSlices(const char* table, QString& buffer, const QString& text, const char* codeField)
{
    const QString t = QLatin1String(table);
    int32_t start = 1;
    start += mFillRecBuf(t, QStringLiteral("cpac"), start, buffer, text, gsPackage, true);
    start += mFillRecBuf(t, QStringLiteral("cmod"), text.isEmpty() ? 1 : start, buffer, text, gsModule, true);
    start += mFillRecBuf(t, QLatin1String(codeField), start, buffer, text, QString(), true);
    return start;
}

void fillTableField(QString& buffer, bool fromFieldName, const ZoomDialogValues& d)
{
    const QString t = QStringLiteral("qxzrn422");
    QString key;
    QString search;
    if (fromFieldName) {
        const QString& n = d.txtFieldName;
        const int32_t width = glFieldLength(t, QStringLiteral("cpac")) + glFieldLength(t, QStringLiteral("cmod"))
                              + glFieldLength(t, QStringLiteral("flno"));
        bool tableCode = n.size() >= width && n.size() >= 6 && isDigit(n[5]);
        for (int i = 0; i < 5 && tableCode; ++i)
            tableCode = !isDigit(n[i]);
        key = tableCode ? datasets::leftWhole(n, width) : gsTable;
    } else {
        key = d.gsZoomPackageModule;
        search = d.txtZoomReturnField;
    }
    const QString& source = search.isEmpty() ? key : search;
    int32_t start = 1;
    for (const char* field : {"cpac", "cmod", "flno"})
        start += mFillRecBuf(t, QLatin1String(field), start, buffer, source, QString(), true);
    // A separator stands between the table code and the field name.
    mFillRecBuf(t, QStringLiteral("fdnm"), start + 1, buffer, search, QString(), true);
    const TableVersion v = versionOfTableText(key);
    fill("qxzrn422", buffer, true, {{"vers", v.version}, {"rele", v.release}, {"cust", v.customer}});
}

} // namespace

int32_t mFillRecBuf(const QString& table, const QString& field, int32_t startChar, QString& buffer,
                    const QString& textValue, const QString& secondValue, bool bNoTerminators)
{
    const int32_t p = glFieldOffset(table, field, bNoTerminators);
    const int32_t len = glFieldLength(table, field);
    if (p < 1 || len <= 0)
        return 0;
    QString second = secondValue;
    if (startChar == 0) {
        const int64_t n = valueOfText<int64_t>(second);
        second = QLatin1Char('+') + (n < 0 ? QStringLiteral("-") : QString())
                 + QString::number(n < 0 ? -n : n).rightJustified(len - 1, QLatin1Char('0'));
        startChar = 1;
    }
    if (second.isEmpty())
        second = QString(len, QLatin1Char(' '));
    const QString& source = textValue.isEmpty() ? second : textValue;
    // One character more, so that the cut sees a pair it would split.
    const QString segment = datasets::fixedWidth(mid1(source, startChar, len + 1), len);
    // Fields land at their places also in a buffer that is shorter than the record.
    if (buffer.size() < p - 1)
        buffer = buffer.leftJustified(p - 1, QLatin1Char(' '));
    buffer = buffer.left(p - 1) + segment + buffer.mid(p - 1 + len);
    return len;
}

void mSetKeyInBuf(const QString& set, QString& buffer, bool bFromFieldName, const ZoomDialogValues& d)
{
    if (set == QLatin1String("qxzrn140_2")) {
        QString code = d.txtLabelCodePict;
        QString height = QStringLiteral("1");
        QString length = QStringLiteral("1");
        if (d.kind == ZoomDialogKind::Field) {
            code = d.txtLabelCode;
            height = labelNumber(d.txtLabelHeightSO);
            length = labelNumber(d.txtLabelLengthSO);
        } else if (d.kind == ZoomDialogKind::Group) {
            code = d.txtGroupLabelCode;
        }
        fill("qxzrn140", buffer, true,
             {{"clan", gsLanguage}, {"cpac", gsPackage}, {"clab", code}, {"lhgt", QString(), height, 0},
              {"leng", QString(), length, 0}});
    } else if (set == QLatin1String("qxzrn400_2")) {
        fill("qxzrn400", buffer, true, {{"cpac", d.txtDomainPackage, gsPackage}, {"cdom", d.txtDomainCode}});
    } else if (set == QLatin1String("qxzwk903")) {
        fill("qxzwk903", buffer, true, {{"icgp", gsPackage + QStringLiteral("form_")}, {"icon", d.txtIcon}});
    } else if (set == QLatin1String("qxzrn450_2")) {
        fill("qxzrn450", buffer, true, {{"clan", gsLanguage}, {"cpac", gsPackage}, {"cmes", d.txtMessage}});
    } else if (set == QLatin1String("qxzrn200_2")) {
        fillSlices("qxzrn200", buffer, d.txtFieldZoomTo, "cses");
    } else if (set == QLatin1String("qxzrn200_1")) {
        fill("qxzrn200", buffer, true,
             {{"cpac", gsPackage}, {"cmod", gsModule}, {"cses", gsSession}, {"vers", gsSessionVersion},
              {"rele", gsSessionRelease}, {"cust", gsSessionCustomer}});
    } else if (set == QLatin1String("qxzrn300_1")) {
        fill("qxzrn300", buffer, true,
             {{"clan", gsLanguage}, {"cpac", gsPackage}, {"cmod", gsModule}, {"cfrm", gsFormCode},
              {"vers", gsVersion}, {"rele", gsRelease}, {"cust", gsCustomer}});
    } else if (set == QLatin1String("qxzrn300")) {
        fill("qxzrn300", buffer, false,
             {{"clan", gsLanguage}, {"cpac", gsPackage}, {"vers", gsVersion}, {"rele", gsRelease},
              {"cust", gsCustomer}, {"cmod", gsModule}, {"cfrm", gsFormCode}});
    } else if (set == QLatin1String("qxzrn230_1")) {
        fill("qxzrn230", buffer, true,
             {{"cpac", gsPackage}, {"cmod", gsSessionModule}, {"cprs", gsProgramScript}});
    } else if (set == QLatin1String("qxzrn360_2")) {
        fill("qxzrn360", buffer, true, {{"clan", gsLanguage}});
        fillSlices("qxzrn360", buffer, d.txtFieldZoomTo, "cmen");
        fill("qxzrn360", buffer, true, {{"parm", d.txtZoomToParallelMenus}});
    } else if (set == QLatin1String("qxzrn422_2")) {
        fillTableField(buffer, bFromFieldName, d);
    } else if (set == QLatin1String("searchdesc")) {
        const TableVersion v = tableVersion(d.sRefPackage, d.sRefModule, d.sRefNumber);
        fill("qxzrn422", buffer, true,
             {{"cpac", d.sRefPackage}, {"cmod", d.sRefModule}, {"flno", d.sRefNumber}, {"fdnm", QString()},
              {"vers", v.version}, {"rele", v.release}, {"cust", v.customer}});
    } else if (set == QLatin1String("qxzrn420_1")) {
        const QString& t = d.txtParentTable;
        fill("qxzrn420", buffer, true,
             {{"cpac", mid1(t, 1, 2)}, {"cmod", mid1(t, 3, 3)}, {"flno", mid1(t, 6, 3)}, {"vers", gsVersion},
              {"rele", gsRelease}, {"cust", gsCustomer}});
    }
}
