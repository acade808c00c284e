#include "frm_Type4.h"

#include "mod_External.h"
#include "mod_Texts.h"
#include "mod_VrokGlobal.h"
#include "Dialogs.h"
#include "Fonts.h"
#include "mod_Global.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A table code: package (2), module (3) and number (3), in lower-case letters and digits.
bool isTableCodeSyntax(const QString& code)
{
    if (code.size() != 8)
        return false;
    for (const QChar c : code)
        if (!((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))))
            return false;
    return true;
}

} // namespace

frm_Type4::frm_Type4(QWidget* owner, bool& bNoSeparateLabels, bool& bTableCodeOk)
    : QDialog(owner), m_noSeparateLabels(bNoSeparateLabels), m_tableCodeOk(bTableCodeOk)
{
    setObjectName(QStringLiteral("frm_Type4"));
    setModal(true);
    // The captions hold their label codes until the load replaces them.
    setWindowTitle(QStringLiteral("pzfrm.Default"));
    lblTable = new QLabel(QStringLiteral("pzprop.table"), this);
    lblTable->setObjectName(QStringLiteral("lblTable"));
    txtTablename = new QLineEdit(this);
    txtTablename->setObjectName(QStringLiteral("txtTablename"));
    lblTable->setBuddy(txtTablename);
    chkSeperate = new QCheckBox(QStringLiteral("pzprop.sepline"), this);
    chkSeperate->setObjectName(QStringLiteral("chkSeperate"));
    cmdOk = new QPushButton(QStringLiteral("pzcmd.Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("pzcmd.Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* code = new QHBoxLayout;
    code->addWidget(lblTable);
    code->addWidget(txtTablename, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(code);
    layout->addWidget(chkSeperate);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    Form_Load();
}

void frm_Type4::Form_Load()
{
    if (goFonts)
        goFonts->SetDefaultFontOfControls(this);
    auto translate = [](const QString& code) {
        int16_t kind = 11;
        return gsGetLabel(code, kind);
    };
    setWindowTitle(translate(windowTitle()));
    chkSeperate->setText(translate(chkSeperate->text()));
    lblTable->setText(translate(lblTable->text()));
    cmdCancel->setText(translate(cmdCancel->text()));
    cmdOk->setText(translate(cmdOk->text()));
    if (!gsTable.isEmpty()) {
        txtTablename->setText(gsTable);
        txtTablename->setReadOnly(true);
        chkSeperate->setFocus();
    }
    // Wide enough for the title and the check box's caption.
    setMinimumWidth(std::max(320, sizeHint().width()));
}

void frm_Type4::cmdOk_Click()
{
    m_noSeparateLabels = !chkSeperate->isChecked();
    const QString code = txtTablename->text();
    if (!isTableCodeSyntax(code) || !gbCheckTableExists(code.mid(0, 2), code.mid(2, 3), code.mid(5, 3))) {
        glShowMessage(MessageGroup2, 21, platform::MbIconExclamation, code);
        txtTablename->setFocus();
        txtTablename->selectAll();
        return;
    }
    gsTable = code;
    m_tableCodeOk = true;
    accept();
}

void frm_Type4::cmdCancel_Click()
{
    m_tableCodeOk = false;
    QDialog::reject();
}

void frm_Type4::reject() { cmdCancel_Click(); }
