#pragma once
// The form-code dialog of Insert, Generate Form: the main table to generate from, when
// the host passed none that the generation can use, and whether labels get lines of
// their own. It answers through its owner's bNoSeparateLabels and bTableCodeOk and
// through gsTable.
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frm_Type4 : public QDialog {
    Q_OBJECT
public:
    // The answers go to bNoSeparateLabels and bTableCodeOk, which outlive the dialog.
    frm_Type4(QWidget* owner, bool& bNoSeparateLabels, bool& bTableCodeOk);

    QLabel* lblTable = nullptr;
    QLineEdit* txtTablename = nullptr;
    QCheckBox* chkSeperate = nullptr;
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Fonts and captions; a table the host passed is shown and cannot be changed.
    void Form_Load();
    // Accepts a code of 8 lower-case letters and digits naming a table the host knows;
    // another code gives message 2/21 and the dialog stays.
    void cmdOk_Click();
    void cmdCancel_Click();

    // Esc and the close box are Cancel.
    void reject() override;

private:
    bool& m_noSeparateLabels;
    bool& m_tableCodeOk;
};
