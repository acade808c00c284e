// The zoom-to box and the session's main table: a session its check finds hands its
// main table to the zoom of the zoom return field, which starts on that table.
#include "test_properties_support.h"

#include "mod_Keys.h"
#include "mod_Validation.h"

#include <QLineEdit>
#include <QPushButton>


namespace {

class ZoomTable : public PropertiesDialog {
protected:
    void SetUp() override
    {
        PropertiesDialog::SetUp();
        host::setSessionPresenter({{}, [this](host::SessionRequest&, const host::LookUpTable& t) -> std::optional<int> {
                                       for (int i = 0; i < t.values.size() && !choose.isEmpty(); ++i)
                                           if (t.values[i].value(QStringLiteral("cses")) == choose)
                                               return i;
                                       return std::nullopt;
                                   },
                                   {}});
    }
    // The table key the zoom of the zoom return field starts on, with that field emptied.
    QString returnFieldZoomStart(frm_Properties& d)
    {
        d.txtZoomReturnField->clear();
        EXPECT_TRUE(gbValidateControl(d.txtZoomReturnField, 2, QString()));
        choose.clear();
        const qsizetype count = host::sessionRequests().size();
        d.cmdZoomSessionTable->click();
        const QList<host::SessionRequest> started = host::sessionRequests().mid(count);
        EXPECT_EQ(started.size(), 1);
        const QString table = QStringLiteral("qxzrn422");
        const QString keys = QStringLiteral("cpac=%1 cmod=%2 flno=%3");
        const QString record = started.value(0).startRecord;
        for (const QString& k : {QStringLiteral("te kwy 001"), QStringLiteral("te kwy 003"),
                                 QStringLiteral("te kwy "), QStringLiteral("  ")}) {
            const QStringList p = k.split(u' ');
            const QString want = keys.arg(p.value(0), p.value(1), p.value(2));
            if (startRecordKeys(table, record, want) == want)
                return k.trimmed();
        }
        return QStringLiteral("?");
    }
    // The zoom-to session chosen with the zoom-to button.
    void chooseSession(frm_Properties& d, const char* session)
    {
        choose = QLatin1String(session);
        d.cmdZoomFieldZoom->click();
        EXPECT_EQ(d.txtFieldZoomTo->text(), QStringLiteral("tekwy") + choose);
    }
    QString choose;
};

// Typed or chosen, a zoom-to session the check finds gives its main table; choosing
// again the session whose table is held keeps the table; a new field starts afresh.
TEST_F(ZoomTable, ZoomReturnFieldStartsOnTheMainTableOfTheSessionFound)
{
    open(QStringLiteral("itemsd"));
    frm_Properties& d = openOn(QStringLiteral("f_9"));  // zooms to session tekwysimple
    EXPECT_EQ(returnFieldZoomStart(d), QString());      // the stored session is not looked up

    d.txtFieldZoomTo->setText(QStringLiteral("tekwyitems"));
    ASSERT_TRUE(gbValidateControl(d.txtFieldZoomTo, 2, QString()));
    EXPECT_EQ(QStringList({gsZoomPackageModule, gsLastZoomTarget, gsZoomSessionTable}),
              QStringList({"tekwy001", "tekwyitems", ""}));
    EXPECT_EQ(returnFieldZoomStart(d), QStringLiteral("te kwy 001"));

    // The same session again: the box's check does not run, the table stays.
    chooseSession(d, "items");
    EXPECT_EQ(returnFieldZoomStart(d), QStringLiteral("te kwy 001"));
    chooseSession(d, "suppl");
    EXPECT_EQ(gsLastZoomTarget, QStringLiteral("tekwysuppl"));
    EXPECT_EQ(returnFieldZoomStart(d), QStringLiteral("te kwy 003"));

    // A menu or an empty box finds no session: nothing is taken over.
    d.txtFieldZoomTo->clear();
    ASSERT_TRUE(gbValidateControl(d.txtFieldZoomTo, 2, QString()));
    EXPECT_EQ(QStringList({gsZoomPackageModule, gsLastZoomTarget}), QStringList({"tekwy003", "tekwysuppl"}));
    d.cmdCancel_Click();

    // f_21 zooms to tekwysuppl: its fill forgot the table and the session it came from,
    // so choosing that session writes its package and module.
    frm_Properties& next = openOn(QStringLiteral("f_21"));
    EXPECT_EQ(QStringList({gsZoomPackageModule, gsLastZoomTarget}), QStringList({"", ""}));
    chooseSession(next, "suppl");
    EXPECT_EQ(returnFieldZoomStart(next), QStringLiteral("te kwy"));
    next.cmdCancel_Click();
}

} // namespace
