#include "mod_FormChoice.h"

#include "mod_DataSets.h"
#include "mod_External.h"
#include "mod_Texts.h"
#include "mod_VrokGlobal.h"
#include "mod_ZoomRecord.h"
#include "Dialogs.h"
#include "Process.h"
#include "mod_Global.h"

namespace {

bool isBlank(const QString& text) { return QString(text).remove(QLatin1Char(' ')).isEmpty(); }

// The session globals are fixed-width texts.
void fixWidth(QString& text, int width) { text = datasets::fixedWidth(text, width); }

void setDefaultForm()
{
    const DefaultForm d;
    gsPackage = d.package;
    gsModule = d.module;
    gsFormCode = QString::fromLatin1(d.formCode);
    gsLanguage = d.language;
    gsUserLanguage = QString::fromLatin1(d.userLanguage);
    gsVersion = d.version;
    gsRelease = d.release;
    gsCustomer = d.customer;
}

int recordLength(const QString& set)
{
    QString language = QStringLiteral("0");
    int16_t labelKind = 0;
    const QString text = gsGetDescription(set, 2, language, labelKind);
    if (!text.isEmpty())
        return valueOfText<int32_t>(text);
    int16_t length = 0;
    gGetRecordLength(set, length);
    return length;
}

QString field(const QString& record, const char* code)
{
    int32_t next = 0;
    return gGetBufferField(QString::fromLatin1(kFormTable), QString::fromLatin1(code), record, next)
        .value_or(QString());
}

// One round of the browser: the chosen form goes into the identity globals; a browser
// left without a choice leaves the module blank.
void browseForms()
{
    setDefaultForm();
    QString buffer(recordLength(QString::fromLatin1(kFormTable)), QLatin1Char(' '));
    QString key;
    mSetKeyInBuf(QString::fromLatin1(kFormTable), key, false);
    gbStartVrokSession(QString::fromLatin1(kFormBrowserSession), QString::fromLatin1(kFormTable), key, buffer, 0,
                       QString::fromLatin1(kFormBrowserFields), false, QString());
    gsPackage = field(buffer, "cpac");
    gsModule = field(buffer, "cmod");
    gsFormCode = field(buffer, "cfrm");
    gsLanguage = field(buffer, "clan");
    gsLabelLanguage = field(buffer, "lanl");
    gsVersion = field(buffer, "vers");
    gsRelease = field(buffer, "rele");
    gsCustomer = field(buffer, "cust");
    gsHeader = field(buffer, "desc");
    gsUndecodableIdentity.clear();  // the identity is the host's now
}

void fixSessionWidths()
{
    fixWidth(gsSessionRelease, 2);
    fixWidth(gsSessionCustomer, 4);
    fixWidth(gsTablePackage, 2);
    fixWidth(gsTableModule, 3);
    fixWidth(gsTableNumber, 3);
    fixWidth(gsSessionModule, 3);
    fixWidth(gsProgramScript, 9);
    gsTable = (gsTablePackage + gsTableModule + gsTableNumber).trimmed();
}

} // namespace

void gSelectForm()
{
    // Open mode "i" shows no window, so neither the browser: no form is chosen.
    const bool windowless = gsOpenMode == "i";
    while (isBlank(gsModule)) {
        if (!windowless)
            browseForms();
        if (isBlank(gsModule)) {
            const int answer = platform::dialogs().messageBox(
                QStringLiteral("You didn't select a form; Do you want to select another?"),
                platform::MbYesNo | platform::MbIconExclamation, platform::applicationTitle());
            if (answer == platform::IdNo || windowless) {
                gCloseVrok(kNoFormChosenExit);
                // Without a link to close the run still ends here.
                platform::endProgram(kNoFormChosenExit);
            }
            continue;
        }
        gsOpenMode = gbIsDevVrc(gsPackage, gsVersion, gsRelease, gsCustomer) ? " " : "r";
    }

    gsSession = gsFormCode.left(gsFormCode.size() - 1);
    fixWidth(gsSession, 8);
    gbFormTypeChecked = false;

    if (gbCheckFormType(gsLanguage, gsPackage, gsModule, gsFormCode, gsVersion, gsRelease, gsCustomer)) {
        gbFormTypeChecked = true;
        gsSessionVersion = gsVersion;
        gsSessionRelease = gsRelease;
        gsSessionCustomer = gsCustomer;
        if (gbGetSessionInfo(gsPackage, gsModule, gsSession, gsSessionVersion, gsSessionRelease, gsSessionCustomer,
                             gsTablePackage, gsTableModule, gsTableNumber, giStartMode, gsSessionModule,
                             gsProgramScript))
            fixSessionWidths();
    }
    if (!gbFormTypeChecked) {
        if (gbGetSessionVrcFull(gsPackage, gsModule, gsSession, 0, gsSessionVersion, gsSessionRelease,
                                gsSessionCustomer, gsTablePackage, gsTableModule, gsTableNumber, giStartMode,
                                gsSessionModule, gsProgramScript))
            fixSessionWidths();
    }

    gsDesignLanguage = isBlank(gsLabelLanguage) ? gsLanguage.str() : gsLabelLanguage.str();
    gWriteLog(QStringLiteral("Form Data Loaded"));
}
