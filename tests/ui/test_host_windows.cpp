// The local host's form browser, opened by start.vrok.session and driven as a user would.
#include "gui/session_windows_gui.h"
#include "local_host.h"
#include "support/LocalHostFixture.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

namespace {

// Runs act on the modal dialog of type T once it is open; a dialog that never opens
// fails the test and a modal dialog left is closed, so nothing hangs.
template <typename T>
void whenOpen(std::function<void(T*)> act, int triesLeft = 200)
{
    QTimer::singleShot(10, [act, triesLeft] {
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            act(d);
        } else if (triesLeft > 0) {
            whenOpen<T>(act, triesLeft - 1);
        } else {
            ADD_FAILURE() << "the dialog did not open";
            if (auto* any = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                any->reject();
        }
    });
}

void click(QDialog* d, QDialogButtonBox::StandardButton which)
{
    QPushButton* b = d->findChild<QDialogButtonBox*>()->button(which);
    ASSERT_TRUE(b);
    b->click();
}

class HostWindows : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        host::installSessionWindows();
        app = createHost();
    }
    void TearDown() override
    {
        host::resetSessionWindows();
        LocalHostFixture::TearDown();
    }
    // The browser started at the key of olditemd.
    void browse()
    {
        int32_t n = 0;
        app->executeFunction(QStringLiteral("oqxdllextint"),
                             QStringLiteral("start.vrok.session(\"qxzrn3500m000\",\"qxzrn300\",\"2tekwyolditemd\",0,"
                                            "\"cfrm ,desc\",\"\",\"\")"),
                             n);
        ASSERT_EQ(app->vrokError(), 0);
    }
    QString returnedRecord() const { return calltext::parse(app->returnCall())->arg(6).text(); }

    std::unique_ptr<VrokApplication> app;
};

TEST_F(HostWindows, BrowserListsTheDemoFormsAndAnswersTheChosenOneOrNothing)
{
    QStringList rows;
    QString startedAt;
    whenOpen<host::FormChooserDialog>([&](host::FormChooserDialog* d) {
        QTreeWidget* list = d->list();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows << list->topLevelItem(i)->text(2) + u'|' + list->topLevelItem(i)->text(7);
        startedAt = list->currentItem() ? list->currentItem()->text(2) : QString();
        list->setCurrentItem(list->topLevelItem(2));
        click(d, QDialogButtonBox::Ok);
    });
    browse();
    EXPECT_EQ(rows, QStringList({"itemsd|Items", "olditemd|Purchase orders (older layout)", "simpled|Item groups"}));
    EXPECT_EQ(startedAt, QStringLiteral("olditemd"));
    EXPECT_EQ(app->returnValue(), QStringLiteral("0"));
    // clan 1, cpac 2, cmod 3, cfrm 9, vers 4, rele 2, cust 4, lanl 1, desc 60 and its end;
    // only the fields asked for are filled.
    const QString record = returnedRecord();
    ASSERT_EQ(record.size(), 87);
    EXPECT_EQ(record.at(86), QChar(1));
    EXPECT_EQ(record.left(6).trimmed(), QString());
    EXPECT_EQ(record.mid(6, 9), QStringLiteral("simpled  "));
    EXPECT_EQ(record.mid(26, 60).trimmed(), QStringLiteral("Item groups"));

    whenOpen<host::FormChooserDialog>([](host::FormChooserDialog* d) { click(d, QDialogButtonBox::Cancel); });
    browse();
    EXPECT_EQ(app->returnValue(), QStringLiteral("-1"));
    EXPECT_EQ(returnedRecord(), QString());
}

} // namespace
