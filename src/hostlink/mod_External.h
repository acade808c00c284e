#pragma once
// One wrapper per host function. Every wrapper builds one call text, runs it through
// gbExecuteFunction, copies the out-arguments back into its by-reference parameters
// only when the call succeeded, and turns the return value into its result.
#include "mod_VrokInterface.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// The call text of the last wrapper call and the host's return value of the last
// successful one (16-bit 0 when the host returned nothing).
extern QString msExtCallText;
extern VrokResult mvExtResult;

namespace ext {

// Runs msExtCallText := callText on the object; true when the call succeeded.
bool call(const QString& object, const QString& callText, int16_t firstOut = 0, int16_t lastOut = 0);

// The last return value read as a number (0 when empty or not numeric).
int16_t result16();
int32_t result32();
QString resultText();  // "0" when the host returned nothing

// Argument builders: a quoted text, a quoted placeholder of n blanks, a number.
QString text(const QString& value);
QString blanks(int n);
QString number(int64_t value);
// name( + arguments joined by "," + ")".
QString callText(const QString& name, const QStringList& args);

inline constexpr const char* kDllExtInt = "oqxdllextint";
inline constexpr const char* kDllLabels = "oqxdlllabels";
inline constexpr const char* kScmComm = "oqxscm.dll.comm";
inline constexpr const char* kSamMain = "oqxsammain";

} // namespace ext

void resetExternal();

// Host function wrappers: versions, sessions and the form tools.
// A failed call returns false (or 0) and leaves every by-reference parameter as passed.
// Texts that come back are unquoted once, so a double quote in them reads as one.

// True when the version is a development version (its forms open for editing).
bool gbIsDevVrc(const QString& package, const QString& version, const QString& release, const QString& customer);
// The version in which new components of this version are created.
void gGetOrigVrc(const QString& package, const QString& version, const QString& release, const QString& customer,
                 QString& origPackage, QString& origVersion, QString& origRelease, QString& origCustomer);

// Existence look-ups: true when the host knows the object; the outs name the version
// (version, release, customer) in which it exists.
bool gbGetDomainVrc(const QString& package, const QString& domain, int16_t mode, QString& version, QString& release,
                    QString& customer, QString& description);
bool gbGetMenuVrc(const QString& package, const QString& module, const QString& menu, const QString& parameter,
                  int16_t mode, QString& version, QString& release, QString& customer);
// session padded by the caller to the width of cses. startMode goes out with its value.
bool gbGetSessionVrc(const QString& package, const QString& module, const QString& session, int16_t mode,
                     QString& version, QString& release, QString& customer, QString& tablePackage,
                     QString& tableModule, QString& tableNumber, int16_t& startMode);
// As gbGetSessionVrc, also reading the session's module and program script.
bool gbGetSessionVrcFull(const QString& package, const QString& module, const QString& session, int16_t mode,
                         QString& version, QString& release, QString& customer, QString& tablePackage,
                         QString& tableModule, QString& tableNumber, int16_t& startMode, QString& sessionModule,
                         QString& programScript);
bool gbGetSessionInfo(const QString& package, const QString& module, const QString& session,
                      const QString& sessionVersion, const QString& sessionRelease, const QString& sessionCustomer,
                      QString& tablePackage, QString& tableModule, QString& tableNumber, int16_t& startMode,
                      QString& sessionModule, QString& programScript);
// True when the form is of the editor's own type.
bool gbCheckFormType(const QString& language, const QString& package, const QString& module, const QString& formCode,
                     const QString& version, const QString& release, const QString& customer);
// Message existence in the form language (code padded by the caller to cmes).
bool gbGetMessageVrc(const QString& package, const QString& code);
bool gbGetQuestionVrc(const QString& package, const QString& code, int16_t mode, QString& text,
                      const QString& language);
bool gbGetTableVrc(const QString& package, const QString& module, const QString& number, int16_t mode,
                   QString& version, QString& release, QString& customer);
// True when the host can run the form's session. Nothing is read back: a version the
// host would run it in instead is not the form's, whose identity stays as loaded.
bool gbCheckRuntimeFormVrc(const QString& session, const QString& version, const QString& release,
                           const QString& customer);

// get.script.tiv: the level of the session's program script; 0 when the call failed.
int32_t glGetScriptTiv(const QString& package, const QString& module, const QString& session);
// init.dllextint: the host's bytes per character (out 2) and its DLL version (out 3).
// bytesPerChar goes out with its current value. Returns the host's return value.
int32_t glInitDllExtInt(int32_t& bytesPerChar, QString& dllVersion);

// Starts a host session. startRecord is a plain record (quoted here); returnedRecord
// goes out as it stands and comes back with the host's record, the only value read
// back: the language the session may end in is not the form's. With wait the main
// window and the property dialog take no input while the session runs. False when the
// host answers -1 (nothing chosen) or the call failed.
bool gbStartVrokSession(const QString& session, const QString& table, const QString& startRecord,
                        QString& returnedRecord, int16_t mode, const QString& fields, bool wait,
                        const QString& language);

// The current form handed to the host's form tools.
bool gbExtDumpForm();
bool gbExtEditScript();
inline bool gExtDumpForm() { return gbExtDumpForm(); }
inline bool gExtEditScript() { return gbExtEditScript(); }

// Host function wrappers: labels, group labels, messages, technical documentation,
// icons and pictures. A failed call leaves every by-reference parameter as passed.
// Text out-arguments and answer buffers come back with their quotes undone once.

// What the number-result wrappers below return when the call itself failed. The host
// answers 0 for success and positive codes otherwise, never this.
inline constexpr int32_t kLabelCallFailed = -1;

// get.label.set: the "labelset" records of buffer answered in place (out 3). number
// goes to the host unchanged. True when the host answered 0.
bool gbGetLabelSet(int16_t number, QString& buffer);

// comp.seak: the host's search key of a label text; "0" when the host answered
// nothing, "" when the call failed.
QString gsCompSeak(const QString& text);

// comp.label.dims: the length (out 2) and height (out 3) the host gives a label text.
void gCompLabelDims(const QString& text, int16_t& height, int16_t& length);

// get.message: the message text of a code with its package prefix ("qxplqx0201"), in
// language. A code the host lacks comes back as the code, blank-filled to 15
// characters, followed by "??????????".
void gGetMessage(const QString& code, QString& text, const QString& language);

// get.group.labels: tab text (out 5) and frame text (out 6) of a group label code in
// the form language. True when the host found the code.
bool gbGetGroupLabels(const QString& package, const QString& code, QString& tabDesc, QString& frameDesc);

// get.group.labels.set: the "grouplabelset" records of buffer answered in place.
bool gbGetGroupLabelsSet(QString& buffer);

// get.label: the variant of a label code that fits length and height; description,
// length and height take the variant's values. Returns the host's answer (0 found)
// or kLabelCallFailed. A length of 0 asks nothing: description "" and 0.
int32_t glGetLabel(const QString& package, const QString& code, const QString& language, QString& description,
                   int16_t& length, int16_t& height, int16_t flag, int16_t number);

// search.existing.labels: a label whose text is description. first goes out at
// position 6 and second at position 5; each is read back from where it went.
void gSearchExistingLabels(const QString& language, const QString& package, QString& description, QString& code,
                           int16_t& first, int16_t& second, int16_t& third);

// insert.qxzrn140: adds a label in the open host transaction. A refusal of the host
// is shown ("VElq error occurred : " and its answer); false then and when the call failed.
bool gbInsertQxzrn140(const QString& language, const QString& origPackage, const QString& code, int16_t height,
                      int16_t length, const QString& origVersion, const QString& origRelease,
                      const QString& origCustomer, const QString& text, const QString& searchKey);

void gReadTechDoc(const QString& language, const QString& package, const QString& module, const QString& formCode,
                  const QString& version, const QString& release, const QString& customer, const QString& field);
void gWriteTechDoc(const QString& language, const QString& package, const QString& module, const QString& formCode,
                   const QString& version, const QString& release, const QString& customer, const QString& field);
// True when the host holds documentation for the field.
bool gbCheckTechDocExists(const QString& package, const QString& module, const QString& formCode,
                          const QString& version, const QString& release, const QString& customer,
                          const QString& field);

// True when the host answered 1: the icon exists in the group prefix.
bool gbValidateIconName(const QString& prefix, const QString& icon);

// The host's answer (0: the field can serve as search description) or kLabelCallFailed.
int32_t glValidateSearchDesc(const QString& package, const QString& module, const QString& number,
                             const QString& version, const QString& release, const QString& customer,
                             const QString& field);

// get.picture: file takes the path of the local file that holds the icon's picture.
// The host's answer (0 done) or kLabelCallFailed, which leaves file unchanged.
int32_t glGetPicture(const QString& prefix, const QString& icon, QString& file);

// remove.file.from.server: first goes out without its outer blanks.
int32_t glRemoveFileFromServer(const QString& first, const QString& file);

// select.icon: icon goes out blank-filled to the icon width and takes the choice.
int32_t glSelectIcon(const QString& prefix, QString& icon);

// Host function wrappers: the data dictionary, the update set and the field-input
// records. Record buffers go to the host quoted and come back unquoted once, so they
// hold plain text whose widths count plain characters.
// A failed call returns false (or 0) and leaves the by-reference parameters as passed,
// except where said otherwise.

// Bulk requests: the host fills the answer slots of the request records in buffer.
// hostAnswer, when given, receives the host's return value whenever the call itself
// came back, so a caller can tell a refusal from a failed call.
bool gbGetDomains(QString& buffer, std::optional<int16_t>* hostAnswer = nullptr);
bool gbGetEnumSet(QString& buffer, std::optional<int16_t>* hostAnswer = nullptr);
bool gbGetTableFieldSet(const QString& package, const QString& module, const QString& number, QString& buffer);

// Lists of 18-character records of table-qualified field names; the result is their
// number (0 when the call failed).
int32_t giGetIndexFields(const QString& package, const QString& module, const QString& number,
                         const QString& version, const QString& release, const QString& customer, QString& buffer);
int32_t giGetViewFields(const QString& package, const QString& module, const QString& session,
                        const QString& tablePackage, const QString& tableModule, const QString& tableNumber,
                        const QString& sessionVersion, const QString& sessionRelease,
                        const QString& sessionCustomer, QString& buffer);
// buffer is set to 576 blanks before the call and keeps them when it fails.
int32_t giGetCombinedFields(const QString& field, QString& buffer);

// The length of a value laid out in a display format; 0 when the call failed or the
// host answered nothing.
int32_t glVrokFormat(int32_t value, const QString& format, int32_t first, int32_t second);

// A table field's dictionary data. domainPackage, domainCode, label, reference and
// initialValue are set to blanks of their column widths before the call and keep
// them when it fails. fourteenth is the field's active flag (2 inactive), fifteenth
// its combined flag (1 combined).
bool gbGetTableFieldInfo(const QString& package, const QString& module, const QString& number, const QString& field,
                         QString& domainPackage, QString& domainCode, int32_t& mandatory, QString& label,
                         QString& reference, int32_t& elements, int32_t& fourteenth, int32_t& fifteenth,
                         QString& initialValue, const QString& version, const QString& release,
                         const QString& customer);
// name is "set.field"; position and length go out with their values.
bool gbGetFieldInfo(const QString& name, int32_t& position, int32_t& length, int16_t& type);
// domain is package and code as one text. Enumerates and sets (data types 7 and 8)
// always get 12 in seventh.
void gGetDomainInfo(const QString& domain, int16_t& dataType, bool& flag, QString& format, int16_t& fifth,
                    int16_t& sixth, int16_t& seventh, int32_t& eighth);

// Sends an update-set buffer whose texts are quoted already (it goes out enclosed,
// not quoted again); mode 1 commits the set. A non-zero host answer shows
// "VElq error occurred : " with the answer and returns false; an answer that
// gsHostWriteRefusal puts in words returns false without a box. The host's reason for
// a non-zero answer goes to the log.
bool gbExecuteVelqSet(const QString& buffer, int16_t mode);

// The host's answers when its database could not take a sound set: nothing of the set
// was written, and nothing in the set was wrong. The caller, who knows what was not
// stored, says so.
inline constexpr int16_t kVelqHostBusy = -405;         // another program held the write lock as long as it waits
inline constexpr int16_t kVelqHostCannotWrite = -406;  // the user may not write the file, its folder or its log
inline constexpr int16_t kVelqHostDiskFull = -407;
inline constexpr int16_t kVelqHostDiskError = -408;  // the disk failed, or the file is damaged
// Such an answer in words for the user; empty for any other answer.
QString gsHostWriteRefusal(int16_t answer);
// The host's answer to the last update-set call it answered (0 when taken); 0 after a
// call that failed.
int16_t giLastVelqAnswer();
// True when the table exists (the host answers 1).
bool gbCheckTableExists(const QString& package, const QString& module, const QString& number);

// Writes a field's input record directly, inside the open host transaction. Like
// gbExecuteVelqSet, a non-zero host answer is shown and returns false.
bool gbUpdateQxzrn302(const QString& language, const QString& package, const QString& module,
                      const QString& formCode, const QString& version, const QString& release,
                      const QString& customer, int32_t fieldId, bool syncField, const QString& inpRefExpr,
                      const QString& defaultValue);
bool gbInsertQxzrn302(const QString& language, const QString& package, const QString& module,
                      const QString& formCode, const QString& version, const QString& release,
                      const QString& customer, int32_t fieldId, bool syncField, const QString& inpRefExpr,
                      const QString& defaultValue);
