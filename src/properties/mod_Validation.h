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

class QWidget;
class frm_Properties;

// The texts of the dialog's text boxes as the fill or the last check that passed left
// them, by control name.
extern QHash<QString, QString> gsPrevValues;

// Package and module of the session last chosen with the zoom-to-session button; the
// table-field zoom of the zoom return field starts there. The fill of a field empties it.
extern QString gsZoomPackageModule;

// Digits only in the numeric boxes; the code and text boxes no longer than the host
// column that stores them.
void gInstallKeyFilters(frm_Properties& dialog);

// Keeps the current texts of the dialog's text boxes as their previous values. caption
// is the dialog's kind.
void gSaveOldPropValues(const QString& caption);

// The check of the dialog control (by its name); flag 2 is what the dialog passes.
// True when it passes. Otherwise its message was shown and the control holds its
// previous text again.
bool gbValidateControl(QWidget* control, int16_t flag, const QString& value);

// The checks of a page before it is stored, each input's in turn: at the first refusal
// its page comes forward, it gets the focus and the answer is false. The group page
// also wants a parent table for a selection group.
bool gbCheckFieldControls();
bool gbCheckGroupControls();
bool gbCheckPictureControls();
bool gbCheckFormControls();

// Forgets the previous values (tests).
void resetValidation();
