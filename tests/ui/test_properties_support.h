#pragma once
// The property dialog opened through the main window on the demo forms: opening it on
// a node, the records as text.
#include "test_main_window_support.h"

#include "frm_Properties.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMap>
#include <QTabBar>
#include <QTest>

// What a user does in the dialog: click into a box, replace its text, and leave it
// with the tab key.
inline void typeInto(QLineEdit* box, const QString& text)
{
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClicks(box, text);
}

inline void leave(QWidget* box) { QTest::keyClick(box, Qt::Key_Tab); }

// Focus moves only in the active window (on the offscreen platform, a window shown
// for the first time).
inline bool activate(QWidget& window)
{
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window) && window.isActiveWindow();
}

// On the box itself, not on the empty end of a wide check box.
inline void clickBox(QAbstractButton* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

inline void showTab(frm_Properties& d, int page)
{
    QTabBar* bar = d.tabProperties->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page - 1).center());
}

class PropertiesDialog : public MainWindowTest {
protected:
    frm_Properties& openOn(const QString& key)
    {
        EXPECT_TRUE(node(key)) << key.toStdString();
        tree().setSelectedItem(node(key));
        w().mnuEProperties_Click();
        return propertiesDialog();
    }
    // Opens the dialog on every node in tree order and leaves it with OK.
    void okOnEveryNode()
    {
        for (const QString& key : keysInTreeOrder(tree(), QString())) {
            frm_Properties& d = openOn(key);
            d.cmdOk_Click();
            ASSERT_FALSE(d.isVisible()) << key.toStdString() << dialogs->texts().join(u'|').toStdString();
        }
    }
    static QStringList keysInTreeOrder(const NodeTree& t, const QString& prefix)
    {
        QStringList keys;
        for (TreeNode* n = t.firstRoot(); n; n = NodeTree::nextDepthFirst(n))
            if (n->key().startsWith(prefix))
                keys << n->key();
        return keys;
    }
    // Every stored column of every live record, the change marks and what the dialog
    // could touch besides, by "record.column".
    static QMap<QString, QString> recordValues()
    {
        QMap<QString, QString> v;
        for (size_t i = 0; i < gaGroups.size(); ++i) {
            const GroupRecord& g = gaGroups[i];
            const QString r = QStringLiteral("g%1.").arg(i);
            v[r + QStringLiteral("changed")] = QString::number(g.bChanged);
            for (const auto& c : gColumns315())
                v[r + QLatin1String(c.name)] = c.write(g);
        }
        for (int32_t i = 1; i <= gnFieldCount; ++i) {
            const FieldRecord& f = gaFields[size_t(i)];
            const QString r = QStringLiteral("f%1.").arg(i);
            v[r + QStringLiteral("changed")] = QStringLiteral("%1%2%3%4").arg(f.bChanged).arg(f.bChanged301)
                                                   .arg(f.bChanged302).arg(f.bChanged308);
            v[r + QStringLiteral("table")] = QStringLiteral("%1%2%3%4|%5|%6|%7|%8")
                                                 .arg(f.bTableFieldChecked).arg(f.bIsTableField).arg(f.bTableRef)
                                                 .arg(f.bTableMandatory).arg(f.sTableDefault).arg(f.nTableNrOfElements)
                                                 .arg(f.iTableFieldIndex).arg(f.nDomainIndex);
            for (const auto* columns : {&gColumns301(), &gColumns302(), &gColumns308()})
                for (const auto& c : *columns)
                    v[r + QLatin1String(c.name)] = c.write(f);
        }
        return v;
    }
    // "record.column: old -> new" for every value that differs.
    static QStringList changedValues(const QMap<QString, QString>& before, const QMap<QString, QString>& after)
    {
        QStringList out;
        for (auto it = after.cbegin(); it != after.cend(); ++it)
            if (before.value(it.key()) != it.value())
                out << it.key() + QStringLiteral(": ") + before.value(it.key()) + QStringLiteral(" -> ") + it.value();
        return out;
    }
    static QString screenshot(QWidget& window, const QString& name) { return saveScreenshot(window.grab(), name); }
};
