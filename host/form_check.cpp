#include "form_check.h"

#include "sqlite_util.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace host {

namespace {

struct GroupRow {
    int64_t pare = 0, prev = 0, next = 0, chld = 0, fld1 = 0, levl = 0;
};

struct FieldRow {
    int64_t sequ = 0, grpi = 0, pare = 0, next = 0, chld = 0, fwup = 2, xpos = 0;
    bool hasLayout = false;
};

// The where-clause of a form's rows, on the table named alias (empty: unqualified).
QString formKey(const QString& alias = QString())
{
    const QString a = alias.isEmpty() ? QString() : alias + QLatin1Char('.');
    return QStringLiteral("%1clan = ?1 AND %1cpac = ?2 AND %1vers = ?3 AND %1rele = ?4 AND %1cust = ?5 "
                          "AND %1cmod = ?6 AND %1cfrm = ?7").arg(a);
}

// sql holds %1 where the where-clause goes.
Statement formQuery(sqlite3* db, const QString& sql, const FormIdentity& form, const QString& alias = QString())
{
    const FormIdentity f = form.trimmed();
    Statement st(db, sql.arg(formKey(alias)));
    st.bind(1, f.language).bind(2, f.package).bind(3, f.version).bind(4, f.release);
    st.bind(5, f.customer).bind(6, f.module).bind(7, f.formCode);
    return st;
}

class Checker {
public:
    Checker(sqlite3* db, const FormIdentity& form) : db_(db), form_(form) {}

    FormCheckReport run()
    {
        load();
        if (groups_.isEmpty() && fields_.isEmpty()) {
            problem(QStringLiteral("the form %1 has no design rows").arg(form_.text()));
            return report_;
        }
        checkGroupNumbers();
        checkLinkTargets();
        if (groups_.contains(1))
            walkGroup(1, 0, 0, 0);
        checkReachedAndOrder();
        checkCommands();
        return report_;
    }

private:
    void problem(const QString& text) { report_.problems.append(text); }

    static QString fieldName(const FieldRow& f) { return QStringLiteral("field %1").arg(f.sequ); }

    void load()
    {
        Statement groups = formQuery(db_, QStringLiteral(
            "SELECT grpi, pare, prev, next, chld, fld1, levl FROM qxzrn315 WHERE %1 ORDER BY grpi"), form_);
        while (groups.step()) {
            groups_.insert(groups.int64(0), GroupRow{groups.int64(1), groups.int64(2), groups.int64(3),
                                                     groups.int64(4), groups.int64(5), groups.int64(6)});
        }
        report_.groups = int(groups_.size());

        Statement fields = formQuery(db_, QStringLiteral(
            "SELECT f.sequ, f.omod, f.xpos, l.sequ IS NOT NULL, l.grpi, l.pare, l.next, l.chld, l.fwup "
            "FROM qxzrn301 f LEFT JOIN qxzrn308 l USING (clan, cpac, vers, rele, cust, cmod, cfrm, sequ) "
            "WHERE %1 ORDER BY f.sequ"), form_, QStringLiteral("f"));
        while (fields.step()) {
            FieldRow f;
            f.sequ = fields.int64(0);
            const int64_t omod = fields.int64(1);
            f.xpos = fields.int64(2);
            f.hasLayout = fields.int64(3) != 0;
            f.grpi = fields.int64(4);
            f.pare = fields.int64(5);
            f.next = fields.int64(6);
            f.chld = fields.int64(7);
            f.fwup = fields.int64(8);
            ++report_.fields;
            if (!f.hasLayout)
                problem(QStringLiteral("%1 has no layout row").arg(fieldName(f)));
            if (omod <= 0) {
                problem(QStringLiteral("%1 has no order number").arg(fieldName(f)));
                continue;
            }
            if (fields_.contains(omod)) {
                problem(QStringLiteral("%1 has the order number %2 of field %3")
                            .arg(fieldName(f)).arg(omod).arg(fields_.value(omod).sequ));
                continue;
            }
            if (f.xpos < 0 || f.xpos > 255)
                problem(QStringLiteral("%1 stands at column %2, outside 0 to 255").arg(fieldName(f)).arg(f.xpos));
            fields_.insert(omod, f);
        }

        Statement loose = formQuery(db_, QStringLiteral(
            "SELECT 'layout', sequ FROM qxzrn308 l WHERE %1 AND NOT EXISTS (SELECT 1 FROM qxzrn301 f "
            "  WHERE f.clan = l.clan AND f.cpac = l.cpac AND f.vers = l.vers AND f.rele = l.rele "
            "  AND f.cust = l.cust AND f.cmod = l.cmod AND f.cfrm = l.cfrm AND f.sequ = l.sequ) "
            "UNION ALL "
            "SELECT 'input-property', sequ FROM qxzrn302 p WHERE %1 AND NOT EXISTS (SELECT 1 FROM qxzrn301 f "
            "  WHERE f.clan = p.clan AND f.cpac = p.cpac AND f.vers = p.vers AND f.rele = p.rele "
            "  AND f.cust = p.cust AND f.cmod = p.cmod AND f.cfrm = p.cfrm AND f.sequ = p.sequ) "
            "ORDER BY 1, 2"), form_);
        while (loose.step())
            problem(QStringLiteral("the %1 row %2 has no field row").arg(loose.text(0)).arg(loose.int64(1)));
    }

    void checkGroupNumbers()
    {
        int64_t expected = 1;
        for (auto it = sortedGroups().cbegin(); it != sortedGroups().cend(); ++it, ++expected) {
            if (*it != expected) {
                problem(QStringLiteral("group numbers are not dense: %1 follows %2").arg(*it).arg(expected - 1));
                break;
            }
        }
        if (!groups_.contains(1)) {
            problem(QStringLiteral("the form has no group 1"));
            return;
        }
        const GroupRow& root = groups_[1];
        if (root.pare != 0 || root.prev != 0 || root.next != 0)
            problem(QStringLiteral("group 1 has a parent or a sibling"));
    }

    const QList<int64_t>& sortedGroups()
    {
        if (sorted_.isEmpty()) {
            sorted_ = groups_.keys();
            std::sort(sorted_.begin(), sorted_.end());
        }
        return sorted_;
    }

    void checkLinkTargets()
    {
        for (int64_t grpi : sortedGroups()) {
            const GroupRow& g = groups_[grpi];
            const std::pair<const char*, int64_t> links[] = {
                {"parent", g.pare}, {"previous", g.prev}, {"next", g.next}, {"child", g.chld}};
            for (const auto& [what, target] : links) {
                if (target != 0 && !groups_.contains(target))
                    problem(QStringLiteral("group %1: %2 group %3 does not exist")
                                .arg(grpi).arg(QLatin1String(what)).arg(target));
            }
            if (g.fld1 != 0 && !fields_.contains(g.fld1))
                problem(QStringLiteral("group %1: first field %2 does not exist").arg(grpi).arg(g.fld1));
            if (g.chld != 0 && g.fld1 != 0)
                problem(QStringLiteral("group %1 links both subgroups and fields").arg(grpi));
        }
        for (const FieldRow& f : std::as_const(fields_)) {
            if (!f.hasLayout)
                continue;
            if (!groups_.contains(f.grpi))
                problem(QStringLiteral("%1: group %2 does not exist").arg(fieldName(f)).arg(f.grpi));
            const std::pair<const char*, int64_t> links[] = {
                {"parent", f.pare}, {"next", f.next}, {"child", f.chld}};
            for (const auto& [what, target] : links) {
                if (target != 0 && !fields_.contains(target))
                    problem(QStringLiteral("%1: %2 field %3 does not exist")
                                .arg(fieldName(f), QLatin1String(what)).arg(target));
            }
        }
    }

    void walkGroup(int64_t grpi, int64_t parent, int64_t level, int64_t previous)
    {
        if (reachedGroups_.contains(grpi)) {
            problem(QStringLiteral("group %1 is reached twice").arg(grpi));
            return;
        }
        reachedGroups_.insert(grpi);
        const GroupRow g = groups_.value(grpi);
        if (grpi != 1) {
            if (g.pare != parent)
                problem(QStringLiteral("group %1 has parent %2 but hangs under group %3").arg(grpi).arg(g.pare).arg(parent));
            if (g.prev != previous)
                problem(QStringLiteral("group %1 has previous group %2 but follows %3").arg(grpi).arg(g.prev).arg(previous));
            if (g.levl != level)
                problem(QStringLiteral("group %1 has level %2 but stands at level %3").arg(grpi).arg(g.levl).arg(level));
        }
        walkFields(g.fld1, grpi, 0);
        int64_t before = 0;
        for (int64_t child = g.chld; child != 0 && groups_.contains(child);) {
            if (reachedGroups_.contains(child)) {
                problem(QStringLiteral("group %1 is reached twice").arg(child));
                break;
            }
            walkGroup(child, grpi, level + 1, before);
            before = child;
            child = groups_.value(child).next;
        }
    }

    void walkFields(int64_t first, int64_t grpi, int64_t parentField)
    {
        for (int64_t omod = first; omod != 0 && fields_.contains(omod);) {
            if (reachedFields_.contains(omod)) {
                problem(QStringLiteral("%1 is reached twice").arg(fieldName(fields_.value(omod))));
                return;
            }
            reachedFields_.insert(omod);
            treeOrder_.append(omod);
            const FieldRow f = fields_.value(omod);
            if (f.grpi != grpi)
                problem(QStringLiteral("%1 belongs to group %2 but hangs under group %3")
                            .arg(fieldName(f)).arg(f.grpi).arg(grpi));
            if (f.pare != parentField)
                problem(QStringLiteral("%1 has parent field %2 but hangs under %3")
                            .arg(fieldName(f)).arg(f.pare).arg(parentField));
            if (parentField != 0 && f.fwup != 1)
                problem(QStringLiteral("%1 hangs under a field but is not marked follow-up").arg(fieldName(f)));
            walkFields(f.chld, grpi, omod);
            omod = f.next;
        }
    }

    void checkReachedAndOrder()
    {
        for (int64_t grpi : sortedGroups()) {
            if (!reachedGroups_.contains(grpi))
                problem(QStringLiteral("group %1 cannot be reached from the form").arg(grpi));
        }
        QList<int64_t> omods = fields_.keys();
        std::sort(omods.begin(), omods.end());
        for (int64_t omod : omods) {
            if (!reachedFields_.contains(omod))
                problem(QStringLiteral("%1 cannot be reached from the form").arg(fieldName(fields_.value(omod))));
        }
        for (qsizetype i = 1; i < treeOrder_.size(); ++i) {
            if (treeOrder_[i] <= treeOrder_[i - 1]) {
                problem(QStringLiteral("order numbers do not rise in tree order: %1 has %2 after %3")
                            .arg(fieldName(fields_.value(treeOrder_[i])))
                            .arg(treeOrder_[i])
                            .arg(treeOrder_[i - 1]));
            }
        }
    }

    void checkCommands()
    {
        // Kinds by the constant names of the editor's enum domain of command links.
        QHash<int64_t, QString> kinds;
        Statement names(db_, QStringLiteral(
            "SELECT cnst, ctnm FROM qxzrn401 WHERE cpac = 'qx' AND cdom = 'zrn.btyp' ORDER BY vers, rele, cust"));
        while (names.step())
            kinds.insert(names.int64(0), names.text(1));

        Statement commands = formQuery(db_, QStringLiteral(
            "SELECT sern, btyp, sequ FROM qxzrn316 WHERE %1 ORDER BY sern"), form_);
        while (commands.step()) {
            ++report_.commands;
            const int64_t sern = commands.int64(0);
            const QString kind = kinds.value(commands.int64(1));
            const int64_t link = commands.int64(2);
            if (kind == QLatin1String("group") && !groups_.contains(link))
                problem(QStringLiteral("command %1 links to group %2, which does not exist").arg(sern).arg(link));
            else if (kind == QLatin1String("field") && !fields_.contains(link))
                problem(QStringLiteral("command %1 links to field order number %2, which does not exist")
                            .arg(sern).arg(link));
            else if (kind == QLatin1String("session") && link != 0)
                problem(QStringLiteral("command %1 links to the form but carries %2").arg(sern).arg(link));
        }
    }

    sqlite3* db_;
    FormIdentity form_;
    FormCheckReport report_;
    QHash<int64_t, GroupRow> groups_;
    QHash<int64_t, FieldRow> fields_;  // by omod
    QList<int64_t> sorted_;
    QSet<int64_t> reachedGroups_;
    QSet<int64_t> reachedFields_;
    QList<int64_t> treeOrder_;
};

} // namespace

FormCheckReport checkForm(sqlite3* db, const FormIdentity& form)
{
    return Checker(db, form).run();
}

} // namespace host
