#pragma once
// The checks of the property dialog's inputs: the key filters of its text boxes, the
// check of an input when the user leaves it, the checks of a whole page before OK,
// Next and Previous store it, and the previous texts the checks compare with and give
// back.
//
// A check looks at a text only when it differs from the previous one: what the fill
// showed came from the record and is taken as it is. A refused text is replaced by the
// previous one after the check's message.
#include <QHash>
#include <QString>
#include <cstdint>
#include <optional>

class QLineEdit;
class QWidget;
namespace Ui {
class frm_Properties;
}

// What the checks need of the property dialog, which implements it: its controls, the
// field's main-table column, and the dialog's own steps a check passes on to.
class PropertyInputs {
public:
    // The dialog, whose text boxes the checks find by name, and its controls.
    virtual QWidget& inputsWidget() = 0;
    virtual Ui::frm_Properties& controls() = 0;
    // The number of elements of the field's main-table column; none when the field is
    // no table field.
    virtual std::optional<int32_t> tableFieldElements() const = 0;

    virtual int32_t mlGetLabelData(bool lookUp) = 0;
    virtual int32_t mlGetGroupLabelData() = 0;
    virtual int32_t mlGetPictLabelData() = 0;
    virtual void mResetGroupLabelProps() = 0;
    virtual void mResetDomainProps() = 0;
    virtual void mEnableFields(bool& bEnable) = 0;
    virtual bool mbApplyDomain() = 0;
    virtual void showIcon(const QString& name) = 0;
    virtual void mCheckFieldName() = 0;
    virtual bool msGetRefTable(QString& package, QString& module, QString& number) = 0;
    virtual void mShowRefusedControl(QWidget* control) = 0;

protected:
    ~PropertyInputs() = default;
};

// The texts of the dialog's text boxes as the fill or the last check that passed left
// them, by control name.
extern QHash<QString, QString> gsPrevValues;

// Where the table-field zoom of the zoom return field starts: package and module of
// the session last chosen with the zoom-to-session button, or the whole main table
// (package, module, number) of a session the zoom-to box's check found, which the box
// takes over from the host's answer. The fill of a field empties it.
extern QString gsZoomPackageModule;
// The zoom target (the zoom-to box's trimmed text) whose session's main table the box
// took over last: choosing that session again with the button keeps the table. The fill
// of a field empties it.
extern QString gsLastZoomTarget;

// Digits only in the numeric boxes; the code and text boxes no longer than the host
// column that stores them, in whole characters.
void gInstallKeyFilters(PropertyInputs& dialog);

// A number box disabled while it holds a number typed in it that its rule or its
// column refuses: the box's previous number comes back, as the user can no longer
// reach the box to mend it.
void gDropUnfitNumber(QLineEdit* box);

// A box with a maximum length never keeps half of a character that its cut split.
// The box must have no other validator.
void gKeepWholeCharacters(QLineEdit* box);

// Keeps the current texts of the dialog's text boxes as their previous values. caption
// is the dialog's kind.
void gSaveOldPropValues(PropertyInputs& dialog, const QString& caption);

// The check of the dialog control (by its name); flag 2 is what the dialog passes.
// True when it passes. Otherwise its message was shown and the control holds its
// previous text again. A control outside the property dialog passes.
bool gbValidateControl(QWidget* control, int16_t flag, const QString& value);

// The checks of a page before it is stored, each input's in turn: at the first refusal
// its page comes forward, it gets the focus and the answer is false. The group page
// also wants a parent table for a selection group.
bool gbCheckFieldControls(PropertyInputs& dialog);
bool gbCheckGroupControls(PropertyInputs& dialog);
bool gbCheckPictureControls(PropertyInputs& dialog);
bool gbCheckFormControls(PropertyInputs& dialog);

// Forgets the previous values (tests).
void resetValidation();
