// The local host's windows, opened by its functions and driven as a user would: the
// form browser, the look-up window of a session, the icon chooser and the window of a
// field's technical documentation.
#include "support/HostWindowsFixture.h"
#include "test_main_window_support.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

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

class HostWindows : public HostWindowsFixture {
protected:
    QString run(const QString& callText)
    {
        call(callText);
        EXPECT_EQ(app->vrokError(), 0);
        return app->returnValue();
    }
    QString out(int position) const { return calltext::parse(app->returnCall())->arg(position).text(); }
    // The browser started at the key of olditemd; its answer.
    QString browse()
    {
        return run(QStringLiteral("start.vrok.session(\"qxzrn3500m000\",\"qxzrn300\",\"2tekwyolditemd\",0,"
                                  "\"cfrm ,desc\",\"\",\"\")"));
    }
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
        saveScreenshot(d->grab(), QStringLiteral("host_form_browser.png"));
        list->setCurrentItem(list->topLevelItem(2));
        click(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(browse(), QStringLiteral("0"));
    EXPECT_EQ(rows, QStringList({"itemsd|Items", "olditemd|Purchase orders (older layout)", "simpled|Item groups"}));
    EXPECT_EQ(startedAt, QStringLiteral("olditemd"));
    // clan 1, cpac 2, cmod 3, cfrm 9, vers 4, rele 2, cust 4, lanl 1, desc 60 and its end;
    // only the fields asked for are filled.
    EXPECT_EQ(out(6), QStringLiteral("      simpled  ") + QString(11, u' ') + QStringLiteral("Item groups").leftJustified(60)
                          + QChar(1));

    whenOpen<host::FormChooserDialog>([](host::FormChooserDialog* d) { click(d, QDialogButtonBox::Cancel); });
    EXPECT_EQ(browse(), QStringLiteral("-1"));
    EXPECT_EQ(out(6), QString());
}

TEST_F(HostWindows, LookUpWindowListsItsTableFiltersAndAnswersTheChosenRow)
{
    QStringList shown;
    whenOpen<host::LookUpDialog>([&](host::LookUpDialog* d) {
        QTreeWidget* list = d->list();
        shown << list->currentItem()->text(2) + u'|' + QString::number(list->topLevelItemCount());
        saveScreenshot(d->grab(), QStringLiteral("host_lookup.png"));
        d->filter()->setText(QStringLiteral("SUPP"));
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (!list->topLevelItem(i)->isHidden())
                shown << list->topLevelItem(i)->text(6);
        shown << list->currentItem()->text(2);
        click(d, QDialogButtonBox::Ok);
    });
    // Started on table 002; only the fields asked for come back.
    EXPECT_EQ(run(QStringLiteral("start.vrok.session(\"qxzrn2530m000\",\"qxzrn420\",\"tekwy002\",0,"
                                 "\"cpac ,flno\",\"\",\"\")")),
              QStringLiteral("0"));
    EXPECT_EQ(shown, QStringList({"002|6", "Suppliers", "003"}));
    EXPECT_EQ(out(6), QStringLiteral("te   003          "));
}

// A session started in a language shows it in a box; the session answers the language
// left there, chosen or not. A session started in none has no box.
TEST_F(HostWindows, SessionWindowsAnswerTheLanguageLeftInTheirBox)
{
    const auto start = [&](const char* table, const char* language) {
        return run(QStringLiteral("start.vrok.session(\"qxzrn2100s000\",\"%1\",\"\",0,\"cses\",\"\",\"%2\")")
                       .arg(QLatin1String(table), QLatin1String(language)));
    };
    const auto switchTo = [](QDialog* d, const char* language, QDialogButtonBox::StandardButton button) {
        auto* box = d->findChild<QLineEdit*>(QStringLiteral("language"));
        ASSERT_TRUE(box);
        box->setText(QLatin1String(language));
        click(d, button);
    };
    QString shown;
    whenOpen<host::LookUpDialog>([&](host::LookUpDialog* d) {
        shown = d->findChild<QLineEdit*>(QStringLiteral("language"))->text();
        saveScreenshot(d->grab(), QStringLiteral("host_lookup_language.png"));
        switchTo(d, "3", QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(start("qxzrn200", "2"), QStringLiteral("-1"));
    EXPECT_EQ(shown + out(7), QStringLiteral("23"));

    whenOpen<host::LookUpDialog>([&](host::LookUpDialog* d) { switchTo(d, "4", QDialogButtonBox::Ok); });
    EXPECT_EQ(start("qxzrn200", "3"), QStringLiteral("0"));
    EXPECT_EQ(out(7), QStringLiteral("4"));

    whenOpen<host::SessionWindow>([&](host::SessionWindow* d) { switchTo(d, "5", QDialogButtonBox::Close); });
    EXPECT_EQ(start("", "4"), QStringLiteral("-1"));
    EXPECT_EQ(out(7), QStringLiteral("5"));

    bool box = true;
    whenOpen<host::LookUpDialog>([&](host::LookUpDialog* d) {
        box = d->findChild<QLineEdit*>(QStringLiteral("language")) != nullptr;
        click(d, QDialogButtonBox::Cancel);
    });
    EXPECT_EQ(start("qxzrn200", ""), QStringLiteral("-1"));
    EXPECT_FALSE(box);
    EXPECT_EQ(out(7), QString());
}

// The script editor that Tools > Edit Program Script asks for: the program scripts with
// the script asked for picked out. A choice there answers nothing.
TEST_F(HostWindows, ScriptEditorShowsTheProgramScriptsWithTheScriptPickedOut)
{
    QStringList shown;
    const auto look = [&](host::LookUpDialog* d) {
        shown << d->windowTitle() + u'|' + d->list()->currentItem()->text(2) + u'|'
                     + QString::number(d->list()->topLevelItemCount());
        saveScreenshot(d->grab(), QStringLiteral("host_program_script.png"));
        click(d, QDialogButtonBox::Ok);
    };
    whenOpen<host::LookUpDialog>(look);
    EXPECT_EQ(run(QStringLiteral("ext.edit.script(\"te\",\"kwy\",\"olditem  \")")), QStringLiteral("0"));
    EXPECT_EQ(out(3), QStringLiteral("olditem  "));
    // A script the host does not know: the scripts all the same, answered 1.
    whenOpen<host::LookUpDialog>([&](host::LookUpDialog* d) { click(d, QDialogButtonBox::Cancel); });
    EXPECT_EQ(run(QStringLiteral("ext.edit.script(\"te\",\"kwy\",\"nosuch   \")")), QStringLiteral("1"));
    EXPECT_EQ(shown, QStringList{"Program script olditem - table qxzrn230|olditem|4"});
}

TEST_F(HostWindows, IconChooserShowsThePicturesAndAnswersTheChosenOne)
{
    QStringList shown;
    whenOpen<host::IconChooserDialog>([&](host::IconChooserDialog* d) {
        QListWidget* icons = d->icons();
        for (int i = 0; i < icons->count(); ++i)
            shown << icons->item(i)->text() + (icons->item(i)->icon().isNull() ? QStringLiteral("?") : QString());
        shown << d->findChild<QLabel*>(QStringLiteral("description"))->text();
        saveScreenshot(d->grab(), QStringLiteral("host_icons.png"));
        icons->setCurrentRow(4);
        click(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(run(QStringLiteral("select.icon(\"teform_\",\"box             \")")), QStringLiteral("0"));
    EXPECT_EQ(shown, QStringList({"box", "tag", "truck", "warning", "wrench", "box: Packed goods"}));
    EXPECT_EQ(out(2), QStringLiteral("wrench          "));
}

TEST_F(HostWindows, DocumentationWindowSavesItsTextAndShowsItReadOnly)
{
    const QString keys = QStringLiteral("(\"2\",\"te\",\"kwy\",\"itemsd\",\"7.6\",\"a3\",\"dev\",\"tekwy001.dsca\")");
    whenOpen<host::TechDocDialog>([](host::TechDocDialog* d) {
        d->editor()->setPlainText(QStringLiteral("The description the item lists show.\nAt most 30 characters."));
        saveScreenshot(d->grab(), QStringLiteral("host_documentation.png"));
        click(d, QDialogButtonBox::Save);
    });
    EXPECT_EQ(run(QStringLiteral("write.tech.doc") + keys), QStringLiteral("0"));
    QString read;
    whenOpen<host::TechDocDialog>([&](host::TechDocDialog* d) {
        read = d->editor()->toPlainText() + (d->editor()->isReadOnly() ? QStringLiteral("|read-only") : QString());
        click(d, QDialogButtonBox::Close);
    });
    EXPECT_EQ(run(QStringLiteral("read.tech.doc") + keys), QStringLiteral("0"));
    EXPECT_EQ(read, QStringLiteral("The description the item lists show.\nAt most 30 characters.|read-only"));
}

} // namespace
