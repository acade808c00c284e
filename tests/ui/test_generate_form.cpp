// Generating a form from the main table, against the local host: the generated groups
// and fields stored and loaded again, the refusals that leave the form as it was, the
// insert of the picked fields, and the form-code dialog.
#include "test_main_window_support.h"

#include "frm_Properties.h"
#include "frm_TableFields.h"
#include "frm_Type4.h"
#include "mod_StructureChecks.h"
#include "mod_ModelessErrors.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <map>

namespace {

class GenerateForm : public MainWindowTest {
protected:
    void TearDown() override
    {
        *m_waiting = false;
        resetTableFieldsWindow();
        MainWindowTest::TearDown();
    }
    // The session of a demo form in the host: its main table and start mode decide
    // what is generated.
    void session(const char* code, const char* table, int startMode)
    {
        const QString t = QLatin1String(table);
        hostExec(QStringLiteral("UPDATE qxzrn200 SET mpac = '%1', mmod = '%2', mfln = '%3', stsc = %4 WHERE cses = '%5'")
                     .arg(t.mid(0, 2), t.mid(2, 3), t.mid(5, 3))
                     .arg(startMode)
                     .arg(QLatin1String(code)));
    }
    // The field names under a node, without the main table's prefix, each followed by
    // the names under it in brackets; "-" without the node.
    QString children(const QString& key)
    {
        QStringList names;
        if (!tree().node(key))
            return QStringLiteral("-");
        for (const TreeNode* c = tree().node(key)->child(); c; c = c->next()) {
            const QString name = QString(gaFields[size_t(c->keyNumber())].sFieldName).remove(QStringLiteral("tekwy001."));
            names << (c->child() ? name + u'(' + children(c->key()) + u')' : name);
        }
        return names.join(u' ');
    }
    // Runs act on every form-code dialog that opens until the next onDialog or the end of
    // the test; a dialog act leaves open is cancelled, so that nothing waits for ever.
    void onDialog(std::function<void(frm_Type4&)> act)
    {
        *m_waiting = false;
        m_waiting = std::make_shared<bool>(true);
        poll(m_waiting, std::move(act));
    }
    static void poll(std::shared_ptr<bool> waiting, std::function<void(frm_Type4&)> act)
    {
        QTimer::singleShot(10, [waiting, act] {
            if (!*waiting)
                return;
            if (auto* d = qobject_cast<frm_Type4*>(QApplication::activeModalWidget())) {
                act(*d);
                if (d->isVisible())
                    d->reject();
            }
            poll(waiting, act);
        });
    }
    // In the shown picker: clicks the top-level entry named reference, expands it
    // (Alt+Right), clicks its entry named name and Apply. The index of the field made,
    // -1 for none.
    int32_t pickByHand(const QString& reference, const QString& name)
    {
        frm_TableFields& picker = tableFieldsWindow();
        NodeTreeWidget* list = picker.tvwFields;
        auto click = [list](const TreeNode* n) {
            list->scrollToItem(list->itemOf(n));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->itemOf(n)).center());
        };
        auto named = [](const TreeNode* n, const QString& field) {
            const TableFieldRecord& e = gaTableFields[size_t(n->keyNumber())];
            return e.sTableCode + u'.' + e.sFieldName == field;
        };
        TreeNode* top = list->nodes().firstRoot();
        while (top && !named(top, reference))
            top = top->next();
        if (!top)
            return -1;
        click(top);
        if (!top->child())
            QTest::keyClick(list, Qt::Key_Right, Qt::AltModifier);
        TreeNode* entry = top->child();
        while (entry && !named(entry, name))
            entry = entry->next();
        if (!entry)
            return -1;
        click(entry);
        if (list->nodes().selectedItem() != entry)
            return -1;
        std::vector<bool> live;
        for (int32_t i = 0; i <= gnFieldCount; ++i)
            live.push_back(gaFields[size_t(i)].lFieldId != -1);
        QTest::mouseClick(picker.cmdApply, Qt::LeftButton);
        for (int32_t i = 1; i <= gnFieldCount; ++i)
            if ((size_t(i) >= live.size() || !live[size_t(i)]) && gaFields[size_t(i)].lFieldId != -1)
                return i;
        return -1;
    }
    std::shared_ptr<bool> m_waiting = std::make_shared<bool>(false);
};

TEST_F(GenerateForm, TheKeyGoesIntoARepeatingGroupTheRestFollowsWithDescriptionsAndIsStored)
{
    open(QStringLiteral("itemsd"));  // its session runs on tekwy001 in start mode 1
    // A field with a form command deleted, the command with it.
    TreeNode* withCommand = nullptr;
    for (TreeNode* n = tree().firstRoot(); n && !withCommand; n = NodeTree::nextDepthFirst(n))
        if (gbIsFieldKey(n->key()) && n->image().endsWith(QLatin1String("button")))
            withCommand = n;
    ASSERT_TRUE(withCommand);
    tree().setSelectedItem(withCommand);
    dialogs->queueAnswer(platform::IdYes);
    dialogs->queueAnswer(platform::IdYes);
    w().mDeleteSelectedNode();

    dialogs->queueAnswer(platform::IdYes);
    w().mnuOGenerateForm_Click();
    EXPECT_TRUE(tree().selectedItem() == node("g_0") && node("g_0")->children() == 2);
    EXPECT_TRUE(gaGroups[1].bRepeatingGroup && !gaGroups[2].bRepeatingGroup);
    // Slots the host holds rows of: the store writes them by their change mark, also
    // when the link update finds nothing to compare (a group left without fields).
    EXPECT_TRUE(gaGroups[1].bChanged && gaGroups[2].bChanged);
    EXPECT_EQ(children(QStringLiteral("g_1")), QStringLiteral("item"));
    // Field-number order, references with their description; no picture and no set; no
    // combined field.
    EXPECT_EQ(children(QStringLiteral("g_2")),
              QStringLiteral("dsca seak ityp citg(tekwy002.dsca) cuni suno(tekwy003.nama) pric cost wght stoc rord "
                             "mxst actv urgn lpdt crdt usag usag usag usag usag usag usag usag usag usag usag usag "
                             "prtr prtr prtr disc note txta cwar loca oldp lorn rnot seqn icls"));

    w().mnuFSave_Click();
    ASSERT_FALSE(gbFormChanged) << dialogs->texts().join(u'|').toStdString();
    const QString form = QStringLiteral(" WHERE cfrm = 'itemsd'");
    EXPECT_EQ(rows(QStringLiteral("SELECT grpi, labl, repe FROM qxzrn315") + form), QStringList({"1||2", "2||1", "3||2"}));
    // The commands left belong to the form; the deleted one stays deleted.
    EXPECT_EQ(rows(QStringLiteral("SELECT sequ FROM qxzrn316") + form), QStringList({"0", "0", "0"}));
    restart();
    open(QStringLiteral("itemsd"));
    EXPECT_EQ(node("g_0")->children(), 2);
}

// What the store keeps of a field, as one text: its name, domain and the domain's data
// type, label, display settings and control, and whether it is a column of the main
// table (whose domain the store leaves to the dictionary).
QString storedProperties(int32_t i)
{
    const FieldRecord& f = gaFields[size_t(i)];
    int16_t domain = f.nDomainIndex;
    QStringList properties{f.sFieldName, f.sDomainPackage + u'/' + f.sDomainCode, gsDomainTypeText(domain),
                           f.sLabelCode.trimmed(), f.sDisplayFormat};
    for (const int v :
         {int(f.bIsTableField), int(f.lFieldType), int(f.bLinkDisplFormatToDomain), int(f.iMinInpLen),
          int(f.iMaxDispLen), int(f.bLinkMaxDisplLenToDomain), int(f.iMaxInpLen), int(f.bLinkMaxInpLenToDomain),
          int(f.iFieldLength), int(f.iFieldHeight), int(f.iDataAli), int(f.lControl), int(f.iYesValue)})
        properties << QString::number(v);
    return properties.join(u'|');
}

// The stored properties of every live field, by record index.
std::map<int32_t, QString> storedFields()
{
    std::map<int32_t, QString> out;
    for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i)
        if (gaFields[size_t(i)].lFieldId != -1)
            out[i] = storedProperties(i);
    return out;
}

// A description follow-up is shown, not typed, also when the reference is to the
// main table itself: no input field stands twice on the form. Whatever the form held
// before (itemsd shows its groups as tab pages, olditemd is of an older level), the
// generated one passes the checks, with a session table and without one. Every field
// opens again as it was generated, and the description a reference brings along is
// the field a user picks by hand from the picker.
TEST_F(GenerateForm, AFormOfEveryDemoTableSavesWithoutStructureErrors)
{
    const std::pair<const char*, const char*> forms[] = {{"simpled", "simple"}, {"itemsd", "items"},
                                                         {"olditemd", "olditem"}};
    QSet<QString> descriptionsPicked;
    for (const auto& [form, code] : forms)
        for (const char* table : {"tekwy001", "tekwy002", "tekwy003", "tekwy004", "tekwy005", "tekwy006"})
            for (const int startMode : {1, 4}) {
                SCOPED_TRACE(std::string(form) + " " + table + " start mode " + std::to_string(startMode));
                restart();
                session(code, table, startMode);
                open(QLatin1String(form));
                onDialog([](frm_Type4& d) { d.cmdOk->click(); });
                dialogs->queueAnswer(platform::IdYes);
                w().mnuOGenerateForm_Click();
                ASSERT_GT(glLiveFieldCount(), 1);
                // The descriptions made from the entries of expanded references, with
                // the reference field each follows.
                struct Description {
                    QString name, reference, properties;
                };
                std::vector<Description> descriptions;
                for (int32_t i = 1; i <= gnFieldCount; ++i) {
                    const FieldRecord& f = gaFields[size_t(i)];
                    if (f.lFieldId == -1 || f.iTableFieldIndex < 1
                        || gaTableFields[size_t(f.iTableFieldIndex)].iParentEntry < 1)
                        continue;
                    const TreeNode* reference = node(f.sNodeKey)->parent();
                    ASSERT_TRUE(reference && gbIsFieldKey(reference->key())) << f.sFieldName.toStdString();
                    descriptions.push_back(
                        {f.sFieldName, gaFields[size_t(reference->keyNumber())].sFieldName, storedProperties(i)});
                }
                const std::map<int32_t, QString> generated = storedFields();
                w().mnuFSave_Click();
                EXPECT_TRUE(!gbFormChanged && gModelessErrors().empty())
                    << (gModelessErrors().empty() ? std::string() : gModelessErrors()[0].sText.toStdString());
                // What was stored passes them too, and holds what was generated.
                restart();
                open(QLatin1String(form));
                bool ok = false;
                mCheckStructure(tree().firstRoot(), ok);
                EXPECT_TRUE(ok && gModelessErrors().empty())
                    << (gModelessErrors().empty() ? std::string() : gModelessErrors()[0].sText.toStdString());
                const std::map<int32_t, QString> opened = storedFields();
                EXPECT_EQ(opened.size(), generated.size());
                for (const auto& [i, properties] : generated)
                    EXPECT_EQ(opened.count(i) ? opened.at(i) : QStringLiteral("-"), properties) << i;

                // Each description picked by hand, as the user does, after its reference.
                w().mnuOOneTableField_Click();
                for (const Description& d : descriptions) {
                    SCOPED_TRACE(d.name.toStdString());
                    const int32_t made = pickByHand(d.reference, d.name);
                    ASSERT_GT(made, 0) << "nothing inserted";
                    EXPECT_EQ(storedProperties(made), d.properties);
                    const TreeNode* under = node(gaFields[size_t(made)].sNodeKey)->parent();
                    EXPECT_EQ(gaFields[size_t(under->keyNumber())].sFieldName, d.reference);
                    descriptionsPicked << d.name;
                }
            }
    // The references of the items and of the item groups brought their descriptions.
    for (const char* name : {"tekwy002.dsca", "tekwy003.nama"})
        EXPECT_TRUE(descriptionsPicked.contains(QLatin1String(name))) << name;
}

// The description a reference brought along shows its domain in the property dialog,
// and OK there changes nothing, before the save and after it; also where the reference
// is to the main table itself (the item groups of simpled).
TEST_F(GenerateForm, TheDescriptionOfAReferenceKeepsItsDomainInThePropertyDialog)
{
    const std::tuple<const char*, const char*, const char*, const char*> rows[] = {
        {"itemsd", "tekwy001.citg", "tekwy002.dsca", "te|dsca|String (30)|0"},
        {"itemsd", "tekwy001.suno", "tekwy003.nama", "te|name|String (35)|0"},
        {"simpled", "tekwy002.pgrp", "tekwy002.dsca", "te|dsca|String (30)|0"},
    };
    // The node of the field named name that follows the reference.
    auto description = [this](const char* reference, const char* name) -> TreeNode* {
        for (TreeNode* n = tree().firstRoot(); n; n = NodeTree::nextDepthFirst(n))
            if (gbIsFieldKey(n->key()) && gaFields[size_t(n->keyNumber())].sFieldName == QLatin1String(name)
                && n->parent() && gbIsFieldKey(n->parent()->key())
                && gaFields[size_t(n->parent()->keyNumber())].sFieldName == QLatin1String(reference))
                return n;
        return nullptr;
    };
    // The field's domain and its data type, label, control and whether it is a column
    // of the main table.
    auto domainOf = [](int32_t i) {
        const FieldRecord& f = gaFields[size_t(i)];
        int16_t domain = f.nDomainIndex;
        return f.sDomainPackage + u'|' + f.sDomainCode + u'|' + gsDomainTypeText(domain) + u'|' + f.sLabelCode + u'|'
               + QString::number(int(f.lControl)) + u'|' + QString::number(f.bIsTableField);
    };
    // What the dialog shows of the field's domain, then OK.
    auto shownAndOk = [this](TreeNode* n) {
        tree().setSelectedItem(n);
        w().mnuEProperties_Click();
        frm_Properties& d = propertiesDialog();
        const QString shown = QStringList{d.txtDomainPackage->text(), d.txtDomainCode->text(),
                                          d.lblDataTypeText->text(), QString::number(d.chkNoControl->isChecked())}
                                  .join(u'|');
        QTest::mouseClick(d.cmdOk, Qt::LeftButton);
        EXPECT_FALSE(d.isVisible()) << dialogs->texts().join(u'|').toStdString();
        return shown;
    };
    for (const auto& [form, reference, name, expected] : rows) {
        SCOPED_TRACE(std::string(form) + " " + name);
        restart();
        open(QLatin1String(form));
        dialogs->queueAnswer(platform::IdYes);
        w().mnuOGenerateForm_Click();
        TreeNode* n = description(reference, name);
        ASSERT_TRUE(n);
        const int32_t i = n->keyNumber();
        const QString generated = domainOf(i);
        EXPECT_EQ(shownAndOk(n), QString::fromLatin1(expected));
        EXPECT_EQ(domainOf(i), generated);
        EXPECT_NE(n->image(), QStringLiteral("label"));

        saveAndReopen(QLatin1String(form));
        n = description(reference, name);
        ASSERT_TRUE(n);
        EXPECT_EQ(domainOf(n->keyNumber()), generated);
        EXPECT_EQ(shownAndOk(n), QString::fromLatin1(expected));
    }
}

TEST_F(GenerateForm, RefusalsLeaveTheFormAsItWas)
{
    // Start mode 4 without the yes/no domain of the attachment fields.
    session("items", "tekwy001", 4);
    open(QStringLiteral("itemsd"));
    QString before = treeText(tree());
    for (const char* table : {"qxzrn402", "qxzrn401", "qxzrn400"})
        hostExec(QStringLiteral("DELETE FROM %1 WHERE cdom = 'yeno'").arg(QLatin1String(table)));
    tableFieldsWindow();
    dialogs->clear();
    w().mGenerateForm();
    EXPECT_EQ(dialogs->texts(),
              QStringList{QStringLiteral("Domain teyeno does not exist; the attachment fields cannot be generated.")});
    // No, and a question without text, stop before anything is asked or changed.
    bool opened = false;
    onDialog([&](frm_Type4&) { opened = true; });
    dialogs->queueAnswer(platform::IdNo);
    w().mnuOGenerateForm_Click();
    // The text gone from the host and from the registry's copy.
    hostExec(QStringLiteral("DELETE FROM qxzrn451 WHERE cmes = 'plqx0010'"));
    gbSaveRegString(HKEY_LOCAL_MACHINE, gsTextCacheKey(gsUserLanguage), QStringLiteral("plqx0010"), QString());
    w().mnuOGenerateForm_Click();
    EXPECT_FALSE(opened) << dialogs->texts().join(u'|').toStdString();
    EXPECT_TRUE(treeText(tree()) == before && !gbFormChanged);

    // A main table without fields: nothing to generate from, the form is not emptied.
    restart();
    session("items", "tekwy099", 1);
    open(QStringLiteral("itemsd"));
    before = treeText(tree());
    tableFieldsWindow();
    w().mGenerateForm();
    EXPECT_TRUE(dialogs->texts().contains(QStringLiteral("tekwy099 has no fields that can be placed on the form.")));
    EXPECT_TRUE(treeText(tree()) == before && !gbFormChanged);
}

// Without a session table the index fields become ranges in a selection group, in the
// order of the index (loca before cwar here), each under its label or all under common
// headings; start mode 4 adds a yes/no field for each multi-line text in a group of its own.
TEST_F(GenerateForm, RangesOfTheIndexAndAttachmentsWithoutASessionTable)
{
    // Table, common headings, the first group's ranges and the second's attachments.
    const std::tuple<const char*, bool, const char*, const char*> rows[] = {
        {"tekwy001", false, "label.only(item.f item.t)", "note.txt rnot.txt"},
        {"tekwy004", false, "label.only(loca.f loca.t) label.only(cwar.f cwar.t)", "note.txt"},
        {"tekwy004", true, "label.only(label.only) loca.f(loca.t) cwar.f(cwar.t)", "note.txt"},
    };
    hostExec(QStringLiteral("UPDATE qxzrn421 SET fdnm = iif(fdnm = 'cwar', 'loca', 'cwar') WHERE flno = '004'"));
    for (const auto& [table, commonHeadings, ranges, attachments] : rows) {
        SCOPED_TRACE(table + std::string(commonHeadings ? " common headings" : ""));
        restart();
        session("items", table, 4);
        open(QStringLiteral("itemsd"));
        tableFieldsWindow();
        w().bNoSeparateLabels = commonHeadings;
        w().mGenerateForm();
        EXPECT_EQ(gaGroups[1].sLabelCode + u' ' + gaGroups[2].sLabelCode, QStringLiteral("tegen.select tegen.attachments"));
        EXPECT_EQ(children(QStringLiteral("g_1")) + u'|' + children(QStringLiteral("g_2")),
                  QLatin1String(ranges) + u'|' + QLatin1String(attachments));
    }
}

TEST_F(GenerateForm, PickedFieldsAreAppendedOnceAndSingleOccurrenceFieldsCopied)
{
    open(QStringLiteral("itemsd"));
    const int32_t live = glLiveFieldCount();
    w().mInsertPickedTableFields();
    const int32_t added = glLiveFieldCount() - live;
    EXPECT_GT(added, 12);
    auto count = [](const char* name) {
        int n = 0;
        for (int32_t i = 1; i <= gnFieldCount; ++i)
            n += gaFields[size_t(i)].lFieldId != -1 && gaFields[size_t(i)].sFieldName == QLatin1String(name);
        return n;
    };
    EXPECT_EQ(count("tekwy001.usag") * 10 + count("tekwy001.prtr"), 123);
    w().mInsertPickedTableFields();
    EXPECT_EQ(glLiveFieldCount(), live + added);

    // A field shown only in single occurrence is copied to the end of the form; the
    // clipboard keeps the user's text.
    gaFields[3].bFieldInMultiOcc = false;
    platform::clipboard().setText(QStringLiteral("mine"));
    w().mCopyOneViewFields();
    const TreeNode* copy = node("g_0")->lastChild();
    EXPECT_EQ(gaFields[size_t(copy->keyNumber())].sFieldName, QStringLiteral("tekwy001.seak"));
    EXPECT_TRUE(tree().selectedItem() == copy && glLiveFieldCount() == live + added + 1);
    EXPECT_EQ(platform::clipboard().text(), QStringLiteral("mine"));
}

TEST_F(GenerateForm, TheFormCodeDialogTakesOnlyAKnownTableAndItsCloseBoxIsCancel)
{
    // simpled without its fields: only the form's own node.
    const auto db = openHostDatabase(host.databasePath());
    for (const char* sql : {"DELETE FROM qxzrn308 WHERE cfrm = 'simpled'", "DELETE FROM qxzrn301 WHERE cfrm = 'simpled'",
                            "UPDATE qxzrn315 SET fld1 = 0 WHERE cfrm = 'simpled'"})
        db->exec(QLatin1String(sql));
    session("simple", "", 0);
    open(QStringLiteral("simpled"));
    ASSERT_EQ(tree().count(), 1);

    QStringList refused;
    onDialog([&](frm_Type4& d) {
        EXPECT_TRUE(!d.txtTablename->isReadOnly() && d.windowTitle() == QStringLiteral("Generate Form"));
        for (const char* code : {"tekwy00", "tekwy0011", "TEKWY001", "tekwy009"}) {
            d.txtTablename->setText(QLatin1String(code));
            d.cmdOk->click();
            if (d.isVisible())
                refused << QLatin1String(code);
        }
        saveScreenshot(d.grab(), QStringLiteral("form_code_dialog.png"));
        d.txtTablename->setText(QStringLiteral("tekwy002"));
        d.chkSeperate->setChecked(true);
        d.cmdOk->click();
    });
    dialogs->clear();
    w().mnuOGenerateForm_Click();
    EXPECT_EQ(refused, QStringList({"tekwy00", "tekwy0011", "TEKWY001", "tekwy009"}));
    EXPECT_EQ(dialogs->texts().first(), QStringLiteral("Table tekwy00 does not exist.")) << "no question first";
    EXPECT_EQ(gsTablePackage + u'|' + gsTableModule + u'|' + gsTableNumber, QStringLiteral("te|kwy|002"));
    EXPECT_TRUE(w().bTableCodeOk && !w().bNoSeparateLabels);
    // A selection form: the key as a range under a label of its own.
    EXPECT_EQ(gaGroups[1].sLabelCode, QStringLiteral("tegen.select"));
    EXPECT_EQ(children(QStringLiteral("g_1")), QStringLiteral("label.only(citg.f citg.t)"));

    // The close box, with the table now fixed: the form stays as it is.
    const QString before = treeText(tree());
    onDialog([](frm_Type4& d) {
        EXPECT_TRUE(d.txtTablename->isReadOnly());
        d.close();
    });
    dialogs->queueAnswer(platform::IdYes);
    w().mnuOGenerateForm_Click();
    EXPECT_FALSE(w().bTableCodeOk);
    EXPECT_EQ(treeText(tree()), before);
}

} // namespace
