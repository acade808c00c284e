#pragma once
// Start records of host look-up sessions: a record of the target table's layout,
// blanks except for the key fields that tell the session where to start.
//
// Works without the property dialog: whatever the dialog would supply (the texts of
// its boxes, its kind, the zoom-to package and module chosen last, the reference
// table of the field) comes in through ZoomDialogValues; the form identity comes
// from the globals of mod_VrokGlobal.
#include <QString>
#include <cstdint>

enum class ZoomDialogKind { Form, Group, Field, Picture };

struct ZoomDialogValues {
    ZoomDialogKind kind = ZoomDialogKind::Form;
    // Labels: the field's label code and its height and length in single occurrence;
    // the group's and the picture's label codes.
    QString txtLabelCode;
    QString txtLabelHeightSO;
    QString txtLabelLengthSO;
    QString txtGroupLabelCode;
    QString txtLabelCodePict;
    QString txtDomainPackage;
    QString txtDomainCode;
    QString txtIcon;
    QString txtMessage;
    // Zoom-to session or menu: package (2), module (3) and code in one text.
    QString txtFieldZoomTo;
    QString txtZoomToParallelMenus;
    QString txtFieldName;
    // Table code, a separator and a field name.
    QString txtZoomReturnField;
    // Package, module and number of a table in one text.
    QString txtParentTable;
    // Package and module of the session chosen last with the zoom-to-session button.
    QString gsZoomPackageModule;
    // Reference table of the field: package, module, number.
    QString sRefPackage;
    QString sRefModule;
    QString sRefNumber;
};

// Writes the key fields of a target into buffer. Targets: "qxzrn140_2", "qxzrn400_2",
// "qxzwk903", "qxzrn450_2", "qxzrn200_2", "qxzrn200_1", "qxzrn300_1", "qxzrn300",
// "qxzrn230_1", "qxzrn360_2", "qxzrn422_2", "searchdesc", "qxzrn420_1"; any other name
// leaves the buffer as it is. bFromFieldName is read only by "qxzrn422_2". A buffer
// shorter than a field's place is first filled up with blanks, so an empty buffer
// gives the key fields at their places too.
void mSetKeyInBuf(const QString& set, QString& buffer, bool bFromFieldName,
                  const ZoomDialogValues& dialog = ZoomDialogValues());

// Writes one field of a host table's layout into buffer and returns its length (0
// for a field that is not registered, buffer unchanged). The text value wins when it
// is not empty; otherwise the second value, which with startChar 0 is written as a
// number: "+" and length - 1 digits, zero-padded. startChar (1-based) is where the
// field's piece of the value begins.
int32_t mFillRecBuf(const QString& table, const QString& field, int32_t startChar, QString& buffer,
                    const QString& textValue, const QString& secondValue, bool bNoTerminators);
