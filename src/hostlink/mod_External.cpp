#include "mod_External.h"

#include <call_text.h>

#include <algorithm>
#include <initializer_list>
#include <optional>

#include "mod_DataSets.h"
#include "mod_VrokGlobal.h"
#include "mod_VrokInterface.h"
#include "mod_Global.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "UiHooks.h"

QString msExtCallText;
VrokResult mvExtResult = int16_t(0);

namespace ext {

bool call(const QString& object, const QString& callText, int16_t firstOut, int16_t lastOut)
{
    msExtCallText = callText;
    return gbExecuteFunction(object, msExtCallText, firstOut, lastOut, mvExtResult);
}

QString resultText()
{
    if (const auto* s = std::get_if<QString>(&mvExtResult))
        return *s;
    return QStringLiteral("0");
}

int16_t result16() { return int16_t(std::clamp<int64_t>(calltext::roundedValue(resultText()), INT16_MIN, INT16_MAX)); }

int32_t result32() { return int32_t(std::clamp<int64_t>(calltext::roundedValue(resultText()), INT32_MIN, INT32_MAX)); }

QString text(const QString& value) { return gsQuote(value); }

QString blanks(int n) { return gsQuote(QString(std::max(0, n), QLatin1Char(' '))); }

QString number(int64_t value) { return QString::number(value); }

QString callText(const QString& name, const QStringList& args)
{
    return name + args.join(QLatin1Char(',')) + QLatin1Char(')');
}

} // namespace ext

namespace {
int16_t g_lastVelqAnswer = 0;
}

int16_t giLastVelqAnswer() { return g_lastVelqAnswer; }

void resetExternal()
{
    msExtCallText.clear();
    mvExtResult = int16_t(0);
    g_lastVelqAnswer = 0;
}

namespace {

const QString kDllExtInt = QString::fromLatin1(ext::kDllExtInt);
const QString kDllLabels = QString::fromLatin1(ext::kDllLabels);
const QString kScmComm = QString::fromLatin1(ext::kScmComm);

bool call(const QString& object, const QString& name, const QStringList& args, int16_t firstOut = 0,
          int16_t lastOut = 0)
{
    return ext::call(object, ext::callText(name, args), firstOut, lastOut);
}

// A text out-argument as a plain text.
QString outText(int32_t n) { return gsUnquote(gsGetStringArg(n)); }

int16_t outNumber16(int32_t n) { return int16_t(std::clamp<int32_t>(glGetLongArg(n), INT16_MIN, INT16_MAX)); }

QStringList texts(std::initializer_list<QString> values)
{
    QStringList out;
    for (const QString& v : values)
        out << ext::text(v);
    return out;
}

struct SessionOuts {
    QString version, release, customer, tablePackage, tableModule, tableNumber, sessionModule, programScript;
    int16_t startMode = 0;
};

// get.session.vrc with position 13 as wide as asked. nullopt when the call failed
// (nothing read), else whether the host found the session.
std::optional<bool> sessionVrc(const QString& package, const QString& module, const QString& session, int16_t mode,
                               int scriptWidth, SessionOuts& o)
{
    QStringList args = texts({package, module, session});
    args << ext::number(mode) << ext::blanks(4) << ext::blanks(2) << ext::blanks(4) << ext::blanks(2)
         << ext::blanks(3) << ext::blanks(3) << ext::number(o.startMode) << ext::blanks(3)
         << ext::blanks(scriptWidth);
    if (!call(kDllExtInt, QStringLiteral("get.session.vrc("), args, 5, 13))
        return std::nullopt;
    o.version = outText(5);
    o.release = outText(6);
    o.customer = outText(7);
    o.tablePackage = outText(8);
    o.tableModule = outText(9);
    o.tableNumber = outText(10);
    o.startMode = outNumber16(11);
    o.sessionModule = outText(12);
    o.programScript = outText(13);
    return ext::result16() == 0;
}

void copySessionOuts(const SessionOuts& o, QString& version, QString& release, QString& customer,
                     QString& tablePackage, QString& tableModule, QString& tableNumber, int16_t& startMode)
{
    version = o.version;
    release = o.release;
    customer = o.customer;
    tablePackage = o.tablePackage;
    tableModule = o.tableModule;
    tableNumber = o.tableNumber;
    startMode = o.startMode;
}

QString width(const char* set, const char* field)
{
    return ext::blanks(glFieldLength(QString::fromLatin1(set), QString::fromLatin1(field)));
}

// A number-result call: the host's answer as a 16-bit number, or the failure value.
int32_t numberResult(bool ok) { return ok ? ext::result16() : kLabelCallFailed; }

// The buffer the picker hands to the field-list calls: 32 records of 18 characters.
constexpr int kFieldListBlanks = 576;

bool callDll(const QString& name, const QStringList& args, int16_t firstOut = 0, int16_t lastOut = 0)
{
    return ext::call(kDllExtInt, ext::callText(name, args), firstOut, lastOut);
}

QString blankText(int32_t width) { return QString(std::max(0, width), QLatin1Char(' ')); }

// One buffer in, the filled buffer back at position `at`.
bool bufferCall(const QString& name, QStringList args, QString& buffer, std::optional<int16_t>* hostAnswer)
{
    args << ext::text(buffer);
    const int16_t at = int16_t(args.size());
    if (!callDll(name, args, at, at))
        return false;
    buffer = outText(at);
    if (hostAnswer)
        *hostAnswer = ext::result16();
    return ext::result16() == 0;
}

int32_t fieldListCall(const QString& name, QStringList args, QString& buffer)
{
    args << ext::text(buffer);
    const int16_t at = int16_t(args.size());
    if (!callDll(name, args, at, at))
        return 0;
    buffer = outText(at);
    return ext::result16();
}

// The update-set answers: 0 is done; anything else is the host's error, shown here
// unless the caller puts it in words.
bool velqAnswer()
{
    g_lastVelqAnswer = ext::result16();
    if (g_lastVelqAnswer == 0)
        return true;
    if (!gsHostWriteRefusal(g_lastVelqAnswer).isEmpty())
        return false;
    platform::dialogs().messageBox(QStringLiteral("VElq error occurred : ") + ext::resultText(), platform::MbOk,
                                   platform::applicationTitle());
    return false;
}

bool write302(const QString& name, const QString& language, const QString& package, const QString& module,
              const QString& formCode, const QString& version, const QString& release, const QString& customer,
              int32_t fieldId, bool syncField, const QString& inpRefExpr, const QString& defaultValue)
{
    QStringList args = texts({language, package, module, formCode, version, release, customer});
    // A Boolean goes to the host as its value plus 2: 1 yes, 2 no.
    args << ext::number(fieldId) << ext::number(syncField ? 1 : 2) << ext::text(inpRefExpr)
         << ext::text(defaultValue);
    g_lastVelqAnswer = 0;
    return callDll(name, args) && velqAnswer();
}

} // namespace

bool gbIsDevVrc(const QString& package, const QString& version, const QString& release, const QString& customer)
{
    return call(kScmComm, QStringLiteral("qxscm.dll.comm.is.dev.vrc("), texts({package, version, release, customer}))
           && ext::result16() != 0;
}

void gGetOrigVrc(const QString& package, const QString& version, const QString& release, const QString& customer,
                 QString& origPackage, QString& origVersion, QString& origRelease, QString& origCustomer)
{
    QStringList args = texts({package, version, release, customer});
    args << ext::blanks(2) << ext::blanks(4) << ext::blanks(2) << ext::blanks(4);
    if (!call(kScmComm, QStringLiteral("qxscm.dll.comm.get.orig.vrc("), args, 5, 8))
        return;
    origPackage = outText(5);
    origVersion = outText(6);
    origRelease = outText(7);
    origCustomer = outText(8);
}

bool gbGetDomainVrc(const QString& package, const QString& domain, int16_t mode, QString& version, QString& release,
                    QString& customer, QString& description)
{
    QStringList args = texts({package, domain});
    args << ext::number(mode) << ext::blanks(4) << ext::blanks(2) << ext::blanks(4)
         << ext::blanks(glFieldLength(QStringLiteral("qxzrn400"), QStringLiteral("desc")));
    if (!call(kDllExtInt, QStringLiteral("get.domain.vrc("), args, 4, 7))
        return false;
    version = outText(4);
    release = outText(5);
    customer = outText(6);
    description = outText(7);
    return ext::result16() == 0;
}

bool gbGetMenuVrc(const QString& package, const QString& module, const QString& menu, const QString& parameter,
                  int16_t mode, QString& version, QString& release, QString& customer)
{
    QStringList args = texts({gsLanguage, package, module, menu, parameter});
    args << ext::number(mode) << ext::blanks(4) << ext::blanks(2) << ext::blanks(4);
    if (!call(kDllExtInt, QStringLiteral("get.menu.vrc("), args, 7, 9))
        return false;
    version = outText(7);
    release = outText(8);
    customer = outText(9);
    return ext::result16() == 0;
}

bool gbGetSessionVrc(const QString& package, const QString& module, const QString& session, int16_t mode,
                     QString& version, QString& release, QString& customer, QString& tablePackage,
                     QString& tableModule, QString& tableNumber, int16_t& startMode)
{
    SessionOuts o;
    o.startMode = startMode;
    // Position 13 goes out 5 wide and is not read back.
    const std::optional<bool> found = sessionVrc(package, module, session, mode, 5, o);
    if (!found)
        return false;
    copySessionOuts(o, version, release, customer, tablePackage, tableModule, tableNumber, startMode);
    return *found;
}

bool gbGetSessionVrcFull(const QString& package, const QString& module, const QString& session, int16_t mode,
                         QString& version, QString& release, QString& customer, QString& tablePackage,
                         QString& tableModule, QString& tableNumber, int16_t& startMode, QString& sessionModule,
                         QString& programScript)
{
    SessionOuts o;
    o.startMode = startMode;
    const std::optional<bool> found = sessionVrc(package, module, session, mode, 9, o);
    if (!found)
        return false;
    copySessionOuts(o, version, release, customer, tablePackage, tableModule, tableNumber, startMode);
    sessionModule = o.sessionModule;
    programScript = o.programScript;
    return *found;
}

bool gbGetSessionInfo(const QString& package, const QString& module, const QString& session,
                      const QString& sessionVersion, const QString& sessionRelease, const QString& sessionCustomer,
                      QString& tablePackage, QString& tableModule, QString& tableNumber, int16_t& startMode,
                      QString& sessionModule, QString& programScript)
{
    QStringList args = texts({package, module, session, sessionVersion, sessionRelease, sessionCustomer});
    args << ext::blanks(2) << ext::blanks(3) << ext::blanks(3) << ext::number(startMode) << ext::blanks(3)
         << ext::blanks(9);
    if (!call(kDllExtInt, QStringLiteral("get.session.info("), args, 7, 12))
        return false;
    tablePackage = outText(7);
    tableModule = outText(8);
    tableNumber = outText(9);
    startMode = outNumber16(10);
    sessionModule = outText(11);
    programScript = outText(12);
    return ext::result16() == 0;
}

bool gbCheckFormType(const QString& language, const QString& package, const QString& module, const QString& formCode,
                     const QString& version, const QString& release, const QString& customer)
{
    return call(kDllExtInt, QStringLiteral("check.form.type("),
                texts({language, package, module, formCode, version, release, customer}))
           && ext::result16() == 0;
}

bool gbGetMessageVrc(const QString& package, const QString& code)
{
    // Positions 5 to 8 are asked for and dropped.
    QStringList args = texts({gsLanguage, package, code});
    args << QStringLiteral("0") << ext::blanks(4) << ext::blanks(2) << ext::blanks(4)
         << ext::blanks(glFieldLength(QStringLiteral("qxzrn450"), QStringLiteral("mess")));
    return call(kDllExtInt, QStringLiteral("get.message.vrc("), args, 5, 8) && ext::result16() == 0;
}

bool gbGetQuestionVrc(const QString& package, const QString& code, int16_t mode, QString& text,
                      const QString& language)
{
    QStringList args = texts({language, package, code});
    args << ext::number(mode) << ext::blanks(4) << ext::blanks(2) << ext::blanks(4)
         << ext::blanks(glFieldLength(QStringLiteral("qxzrn450"), QStringLiteral("mess")));
    if (!call(kDllExtInt, QStringLiteral("get.question.vrc("), args, 5, 8))
        return false;
    text = outText(8);
    return ext::result16() == 0;
}

bool gbGetTableVrc(const QString& package, const QString& module, const QString& number, int16_t mode,
                   QString& version, QString& release, QString& customer)
{
    QStringList args = texts({package, module, number});
    args << ext::number(mode) << ext::blanks(4) << ext::blanks(2) << ext::blanks(4);
    if (!call(kDllExtInt, QStringLiteral("get.table.vrc("), args, 5, 7))
        return false;
    version = outText(5);
    release = outText(6);
    customer = outText(7);
    return ext::result16() == 0;
}

bool gbCheckRuntimeFormVrc(const QString& session, const QString& version, const QString& release,
                           const QString& customer)
{
    return call(kDllExtInt, QStringLiteral("check.runtime.form.vrc("), texts({session, version, release, customer}))
           && ext::result16() != 0;
}

int32_t glGetScriptTiv(const QString& package, const QString& module, const QString& session)
{
    if (!call(kDllExtInt, QStringLiteral("get.script.tiv("), texts({package, module, session})))
        return 0;
    return ext::result32();
}

int32_t glInitDllExtInt(int32_t& bytesPerChar, QString& dllVersion)
{
    // The one call text with blanks between its arguments.
    const QString callText = QStringLiteral("init.dllextint(") + ext::number(giToolsVersion) + QStringLiteral(", ")
                             + ext::number(bytesPerChar) + QStringLiteral(", ") + ext::blanks(4)
                             + QStringLiteral(" )");
    if (!ext::call(kDllExtInt, callText, 2, 3))
        return 0;
    bytesPerChar = glGetLongArg(2);
    dllVersion = outText(3);
    return ext::result32();
}

bool gbStartVrokSession(const QString& session, const QString& table, const QString& startRecord,
                        QString& returnedRecord, int16_t mode, const QString& fields, bool wait,
                        const QString& language)
{
    QStringList args = texts({session, table, startRecord});
    args << ext::number(mode) << ext::text(fields) << ext::text(returnedRecord) << ext::text(language);
    const QString callText = ext::callText(QStringLiteral("start.vrok.session("), args);

    platform::setMousePointer(platform::Pointer::Hourglass);
    if (wait && ui::hooks().setWindowsEnabled)
        ui::hooks().setWindowsEnabled(false);

    const bool ok = ext::call(kDllExtInt, callText, 6, 6);
    if (ok)
        returnedRecord = outText(6);

    if (wait) {
        if (ui::hooks().setWindowsEnabled)
            ui::hooks().setWindowsEnabled(true);
        if (ui::hooks().focusMainWindow)
            ui::hooks().focusMainWindow();
    }
    platform::setMousePointer(platform::Pointer::Default);
    return ok && ext::result16() != -1;
}

bool gbExtDumpForm()
{
    return call(kDllExtInt, QStringLiteral("ext.dump.form("),
                texts({gsPackage, gsModule, gsFormCode, gsLanguage, gsVersion, gsRelease, gsCustomer}))
           && ext::result16() == 0;
}

bool gbExtEditScript()
{
    return call(kDllExtInt, QStringLiteral("ext.edit.script("), texts({gsPackage, gsSessionModule, gsProgramScript}))
           && ext::result16() == 0;
}

bool gbGetLabelSet(int16_t number, QString& buffer)
{
    QStringList args = texts({gsLanguage});
    args << ext::number(number) << ext::text(buffer);
    if (!call(kDllExtInt, QStringLiteral("get.label.set("), args, 3, 3))
        return false;
    buffer = outText(3);
    return ext::result16() == 0;
}

QString gsCompSeak(const QString& text)
{
    if (!call(kDllLabels, QStringLiteral("comp.seak("), texts({text})))
        return QString();
    return ext::resultText();
}

void gCompLabelDims(const QString& text, int16_t& height, int16_t& length)
{
    QStringList args = texts({text});
    args << ext::number(length) << ext::number(height);
    if (!call(kDllLabels, QStringLiteral("comp.label.dims("), args, 2, 3))
        return;
    length = outNumber16(2);
    height = outNumber16(3);
}

void gGetMessage(const QString& code, QString& text, const QString& language)
{
    QStringList args = texts({code, language});
    args << width("qxzrn450", "mess");
    if (call(kDllExtInt, QStringLiteral("get.message("), args, 3, 3))
        text = outText(3);
}

bool gbGetGroupLabels(const QString& package, const QString& code, QString& tabDesc, QString& frameDesc)
{
    QStringList args = texts({gsLanguage, package, code});
    args << QStringLiteral("40") << width("grouplabelset", "tdsc") << width("grouplabelset", "fdsc");
    if (!call(kDllExtInt, QStringLiteral("get.group.labels("), args, 5, 6))
        return false;
    tabDesc = outText(5);
    frameDesc = outText(6);
    return ext::result16() == 0;
}

bool gbGetGroupLabelsSet(QString& buffer)
{
    // The one call text of this area with a blank before a number: ", 40,".
    const QString callText = QStringLiteral("get.group.labels.set(") + ext::text(gsLanguage) + QStringLiteral(", 40,")
                             + ext::text(buffer) + QLatin1Char(')');
    if (!ext::call(kDllExtInt, callText, 3, 3))
        return false;
    buffer = outText(3);
    return ext::result16() == 0;
}

int32_t glGetLabel(const QString& package, const QString& code, const QString& language, QString& description,
                   int16_t& length, int16_t& height, int16_t flag, int16_t number)
{
    if (length == 0) {
        description.clear();
        return 0;
    }
    QStringList args = texts({language, package, code});
    args << width("qxzrn140", "desc") << ext::number(length) << ext::number(height) << QStringLiteral("1")
         << ext::number(flag) << ext::number(number);
    if (!call(kDllExtInt, QStringLiteral("get.label("), args, 4, 6))
        return kLabelCallFailed;
    description = outText(4);
    length = outNumber16(5);
    height = outNumber16(6);
    return ext::result32();
}

void gSearchExistingLabels(const QString& language, const QString& package, QString& description, QString& code,
                           int16_t& first, int16_t& second, int16_t& third)
{
    QStringList args = texts({language, package, description});
    args << width("qxzrn140", "clab") << ext::number(second) << ext::number(first) << ext::number(third);
    if (!call(kDllLabels, QStringLiteral("search.existing.labels("), args, 3, 7))
        return;
    description = outText(3);
    code = outText(4);
    second = outNumber16(5);
    first = outNumber16(6);
    third = outNumber16(7);
}

bool gbInsertQxzrn140(const QString& language, const QString& origPackage, const QString& code, int16_t height,
                      int16_t length, const QString& origVersion, const QString& origRelease,
                      const QString& origCustomer, const QString& text, const QString& searchKey)
{
    QStringList args = texts({language, origPackage, code});
    args << ext::number(length) << ext::number(height)
         << texts({origVersion, origRelease, origCustomer, text, searchKey});
    if (!call(kDllExtInt, QStringLiteral("insert.qxzrn140("), args))
        return false;
    const int16_t answer = ext::result16();
    if (answer == 0)
        return true;
    platform::dialogs().messageBox(QStringLiteral("VElq error occurred : ") + QString::number(answer), platform::MbOk,
                                   platform::applicationTitle());
    return false;
}

void gReadTechDoc(const QString& language, const QString& package, const QString& module, const QString& formCode,
                  const QString& version, const QString& release, const QString& customer, const QString& field)
{
    call(kDllExtInt, QStringLiteral("read.tech.doc("),
         texts({language, package, module, formCode, version, release, customer, field}));
}

void gWriteTechDoc(const QString& language, const QString& package, const QString& module, const QString& formCode,
                   const QString& version, const QString& release, const QString& customer, const QString& field)
{
    call(kDllExtInt, QStringLiteral("write.tech.doc("),
         texts({language, package, module, formCode, version, release, customer, field}));
}

bool gbCheckTechDocExists(const QString& package, const QString& module, const QString& formCode,
                          const QString& version, const QString& release, const QString& customer, const QString& field)
{
    return call(kDllExtInt, QStringLiteral("check.tech.doc.exists("),
                texts({package, module, formCode, version, release, customer, field}))
           && ext::result16() != 0;
}

bool gbValidateIconName(const QString& prefix, const QString& icon)
{
    return call(kDllExtInt, QStringLiteral("validate.iconname("), texts({prefix, icon})) && ext::result16() == 1;
}

int32_t glValidateSearchDesc(const QString& package, const QString& module, const QString& number,
                             const QString& version, const QString& release, const QString& customer,
                             const QString& field)
{
    return numberResult(call(kDllExtInt, QStringLiteral("validate.searchdesc("),
                             texts({package, module, number, version, release, customer, field})));
}

int32_t glGetPicture(const QString& prefix, const QString& icon, QString& file)
{
    QStringList args = texts({prefix, icon});
    args << ext::blanks(768) << ext::blanks(256);
    if (!call(kDllExtInt, QStringLiteral("get.picture("), args, 3, 4))
        return kLabelCallFailed;
    file = outText(4);
    return ext::result16();
}

int32_t glRemoveFileFromServer(const QString& first, const QString& file)
{
    return numberResult(call(kDllExtInt, QStringLiteral("remove.file.from.server("), texts({first.trimmed(), file})));
}

int32_t glSelectIcon(const QString& prefix, QString& icon)
{
    const int iconWidth = glFieldLength(QStringLiteral("qxzwk903"), QStringLiteral("icon"));
    if (!call(kDllExtInt, QStringLiteral("select.icon("),
              texts({prefix, icon.leftJustified(iconWidth, QLatin1Char(' '))}), 2, 2))
        return kLabelCallFailed;
    icon = outText(2);
    return ext::result16();
}

bool gbGetDomains(QString& buffer, std::optional<int16_t>* hostAnswer)
{
    return bufferCall(QStringLiteral("get.domains("), {}, buffer, hostAnswer);
}

bool gbGetEnumSet(QString& buffer, std::optional<int16_t>* hostAnswer)
{
    return bufferCall(QStringLiteral("get.enum.set("), {}, buffer, hostAnswer);
}

bool gbGetTableFieldSet(const QString& package, const QString& module, const QString& number, QString& buffer)
{
    return bufferCall(QStringLiteral("get.tablefield.set("), texts({package, module, number}), buffer, nullptr);
}

int32_t giGetIndexFields(const QString& package, const QString& module, const QString& number,
                         const QString& version, const QString& release, const QString& customer, QString& buffer)
{
    return fieldListCall(QStringLiteral("get.index.fields("),
                         texts({package, module, number, version, release, customer}), buffer);
}

int32_t giGetViewFields(const QString& package, const QString& module, const QString& session,
                        const QString& tablePackage, const QString& tableModule, const QString& tableNumber,
                        const QString& sessionVersion, const QString& sessionRelease,
                        const QString& sessionCustomer, QString& buffer)
{
    return fieldListCall(QStringLiteral("get.view.fields("),
                         texts({package, module, session, tablePackage, tableModule, tableNumber, sessionVersion,
                                sessionRelease, sessionCustomer}),
                         buffer);
}

int32_t giGetCombinedFields(const QString& field, QString& buffer)
{
    buffer = blankText(kFieldListBlanks);
    return fieldListCall(QStringLiteral("get.combined.fields("), texts({field}), buffer);
}

int32_t glVrokFormat(int32_t value, const QString& format, int32_t first, int32_t second)
{
    if (!callDll(QStringLiteral("vrok.format("),
              {ext::number(value), ext::text(format), ext::number(first), ext::number(second)}))
        return 0;
    return ext::result32();
}

bool gbGetTableFieldInfo(const QString& package, const QString& module, const QString& number, const QString& field,
                         QString& domainPackage, QString& domainCode, int32_t& mandatory, QString& label,
                         QString& reference, int32_t& elements, int32_t& fourteenth, int32_t& fifteenth,
                         QString& initialValue, const QString& version, const QString& release,
                         const QString& customer)
{
    const QString table = QStringLiteral("qxzrn422");
    domainPackage = blankText(glFieldLength(table, QStringLiteral("pacd")));
    domainCode = blankText(glFieldLength(table, QStringLiteral("cdom")));
    label = blankText(glFieldLength(table, QStringLiteral("clab")));
    initialValue = blankText(glFieldLength(table, QStringLiteral("iniv")));
    reference = blankText(glFieldLength(table, QStringLiteral("rfpa")));

    QStringList args = texts({package, module, number, version, release, customer, field, domainPackage, domainCode});
    args << ext::number(mandatory) << ext::text(label) << ext::text(reference) << ext::number(elements)
         << ext::number(fourteenth) << ext::number(fifteenth) << ext::text(initialValue);
    if (!callDll(QStringLiteral("get.tablefield.info("), args, 8, 16))
        return false;
    domainPackage = outText(8);
    domainCode = outText(9);
    mandatory = glGetLongArg(10);
    label = outText(11);
    reference = outText(12);
    elements = glGetLongArg(13);
    fourteenth = glGetLongArg(14);
    fifteenth = glGetLongArg(15);
    initialValue = outText(16);
    return ext::result16() == 0;
}

bool gbGetFieldInfo(const QString& name, int32_t& position, int32_t& length, int16_t& type)
{
    if (!callDll(QStringLiteral("get.field.info("),
              {ext::text(name), ext::number(position), ext::number(length), QStringLiteral("0")}, 2, 4))
        return false;
    position = glGetLongArg(2);
    length = glGetLongArg(3);
    type = outNumber16(4);
    return ext::result16() == 0;
}

void gGetDomainInfo(const QString& domain, int16_t& dataType, bool& flag, QString& format, int16_t& fifth,
                    int16_t& sixth, int16_t& seventh, int32_t& eighth)
{
    // Written out rather than built: the host expects the zeros as they stand here.
    const QString text = QStringLiteral("get.domain.info(") + ext::text(domain) + QStringLiteral(",0,0,")
                         + ext::blanks(glFieldLength(QStringLiteral("qxzrn400"), QStringLiteral("difo")))
                         + QStringLiteral(",0,0,0,0)");
    if (!ext::call(kDllExtInt, text, 2, 8))
        return;
    dataType = outNumber16(2);
    flag = glGetLongArg(3) != 0;
    format = outText(4);
    fifth = outNumber16(5);
    sixth = outNumber16(6);
    seventh = outNumber16(7);
    eighth = glGetLongArg(8);
    if (dataType == 7 || dataType == 8)
        seventh = 12;
}

bool gbExecuteVelqSet(const QString& buffer, int16_t mode)
{
    g_lastVelqAnswer = 0;
    // Made in one piece: a store sends hundreds of parts of some thousand characters.
    const QString function = QStringLiteral("execute.velq.set(");
    const QString number = ext::number(mode);
    QString text;
    text.reserve(function.size() + buffer.size() + number.size() + 6);
    text.append(function).append(u'"').append(buffer).append(u'"').append(u',').append(number);
    text.append(QLatin1String(",0)"));
    if (!ext::call(kDllExtInt, text, 3, 3))
        return false;
    // The host gives its reason for a part it did not take in place of the 0.
    if (ext::result16() != 0 && !gabOutArgIsNumber(3))
        gWriteLog(QStringLiteral("VElq answer ") + ext::resultText() + QStringLiteral(": ") + outText(3));
    return velqAnswer();
}

QString gsHostWriteRefusal(int16_t answer)
{
    switch (answer) {
    case kVelqHostBusy:
        return QStringLiteral("the host's database is in use by another program; save again when it is free");
    case kVelqHostCannotWrite:
        return QStringLiteral(
            "the host's database cannot be written: this user may not write its file, its folder or a file beside it");
    case kVelqHostDiskFull:
        return QStringLiteral("the disk that holds the host's database is full");
    case kVelqHostDiskError:
        return QStringLiteral("the host's database could not be written: the disk failed or the file is damaged");
    default:
        return QString();
    }
}

bool gbCheckTableExists(const QString& package, const QString& module, const QString& number)
{
    return callDll(QStringLiteral("check.table.exists("), texts({package, module, number})) && ext::result16() == 1;
}

bool gbUpdateQxzrn302(const QString& language, const QString& package, const QString& module,
                      const QString& formCode, const QString& version, const QString& release,
                      const QString& customer, int32_t fieldId, bool syncField, const QString& inpRefExpr,
                      const QString& defaultValue)
{
    return write302(QStringLiteral("update.qxzrn302("), language, package, module, formCode, version, release,
                    customer, fieldId, syncField, inpRefExpr, defaultValue);
}

bool gbInsertQxzrn302(const QString& language, const QString& package, const QString& module,
                      const QString& formCode, const QString& version, const QString& release,
                      const QString& customer, int32_t fieldId, bool syncField, const QString& inpRefExpr,
                      const QString& defaultValue)
{
    return write302(QStringLiteral("insert.qxzrn302("), language, package, module, formCode, version, release,
                    customer, fieldId, syncField, inpRefExpr, defaultValue);
}
