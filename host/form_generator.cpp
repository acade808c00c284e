#include "form_generator.h"

#include "data_sets.h"
#include "host_database.h"
#include "sqlite_util.h"

#include <QSet>

#include <algorithm>
#include <iterator>

namespace host {

namespace {

constexpr int kFieldsPerSubsection = 20;
constexpr int kSubsectionsPerSection = 10;
constexpr int kFollowUpEvery = 5;  // every fifth field follows up the one before
constexpr int kLabelLength = 10;
constexpr int kFieldLength = 30;
// A session without a program script is edited at this level.
constexpr int kFormLevel = 10;

// Positions as the editor's layout computes them for this shape: the form's left column
// and first row, two group boxes around each subsection (a box's line and one blank to
// the left, its line above and below), one label column as wide as the labels, a
// blank after a label and between fields of a row.
constexpr int kFormLeft = 2;
constexpr int kFirstRow = 1;
constexpr int kFrameIndent = 2;
constexpr int kGap = 1;
constexpr int kLabelX = kFormLeft + 2 * kFrameIndent;
constexpr int kFieldX = kLabelX + kLabelLength + kGap;
constexpr int kFollowUpX = kFieldX + kFieldLength + kGap;

const FormIdentity kHome{QStringLiteral("te"), QStringLiteral("kwy"), QString(), QStringLiteral("2"),
                         QStringLiteral("7.6"), QStringLiteral("a3"), QStringLiteral("dev")};

QString freeFormCode(sqlite3* db)
{
    QSet<QString> used;
    Statement st(db, QStringLiteral(
        "SELECT cfrm FROM qxzrn300 WHERE cpac = ?1 AND cmod = ?2 AND cfrm LIKE 'gen_____d' "
        "UNION SELECT cfrm FROM qxzrn315 WHERE cpac = ?1 AND cmod = ?2 AND cfrm LIKE 'gen_____d'"));
    st.bind(1, kHome.package).bind(2, kHome.module);
    while (st.step())
        used.insert(st.text(0));
    for (int n = 1; n <= 99999; ++n) {
        QString code = QStringLiteral("gen%1d").arg(n, 5, 10, QLatin1Char('0'));
        if (!used.contains(code))
            return code;
    }
    throw HostError(kErrInternal, QStringLiteral("every generated form code is taken"));
}

// Binds the form identity to parameters 1 to 7 in the order clan, cpac, vers, rele, cust,
// cmod, cfrm.
void bindForm(Statement& st, const FormIdentity& id)
{
    st.bind(1, id.language).bind(2, id.package).bind(3, id.version).bind(4, id.release);
    st.bind(5, id.customer).bind(6, id.module).bind(7, id.formCode);
}

struct GroupPlan {
    int grpi = 0;
    int parent = 0, previous = 0, next = 0, child = 0, firstField = 0, level = 0;
};

} // namespace

std::optional<FormIdentity> generateForm(HostDatabase& db, const GenerateOptions& options, QString* error)
{
    const int total = options.fields;
    if (total < 1 || total > kMaxGeneratedFields) {
        if (error)
            *error = QStringLiteral("a generated form has 1 to %1 fields, not %2").arg(kMaxGeneratedFields).arg(total);
        return std::nullopt;
    }
    sqlite3* h = db.handle();
    try {
        HostDatabase::Transaction tx(db);
        FormIdentity id = kHome;
        id.formCode = freeFormCode(h);
        const QString session = id.formCode.left(id.formCode.size() - 1);

        Statement form(h, QStringLiteral(
            "INSERT INTO qxzrn300 (clan, cpac, vers, rele, cust, cmod, cfrm, lanl, desc, ftyp) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, '', ?8, 1)"));
        bindForm(form, id);
        form.bind(8, QStringLiteral("Generated form of %1 fields").arg(total));
        form.exec();
        Statement ses(h, QStringLiteral(
            "INSERT INTO qxzrn200 (cpac, cmod, cses, vers, rele, cust, stsc, cmop, desc) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0, ?2, ?7)"));
        ses.bind(1, id.package).bind(2, id.module).bind(3, session).bind(4, id.version);
        ses.bind(5, id.release).bind(6, id.customer).bind(7, QStringLiteral("Generated form %1").arg(id.formCode));
        ses.exec();

        // The groups, numbered in tree order: the form, then each section followed by its
        // subsections.
        const int subsections = (total + kFieldsPerSubsection - 1) / kFieldsPerSubsection;
        const int sections = (subsections + kSubsectionsPerSection - 1) / kSubsectionsPerSection;
        QList<GroupPlan> groups{GroupPlan{1, 0, 0, 0, 0, 0, 0}};
        QList<int> subsectionGroups;  // grpi of each subsection
        int previousSection = 0;
        for (int s = 0; s < sections; ++s) {
            GroupPlan section{int(groups.size()) + 1, 1, previousSection, 0, 0, 0, 1};
            if (previousSection)
                groups[previousSection - 1].next = section.grpi;
            else
                groups[0].child = section.grpi;
            previousSection = section.grpi;
            groups.append(section);
            const int count = std::min(kSubsectionsPerSection, subsections - s * kSubsectionsPerSection);
            int previousSub = 0;
            for (int k = 0; k < count; ++k) {
                GroupPlan sub{int(groups.size()) + 1, section.grpi, previousSub, 0, 0, 0, 2};
                if (previousSub)
                    groups[previousSub - 1].next = sub.grpi;
                else
                    groups[section.grpi - 1].child = sub.grpi;
                previousSub = sub.grpi;
                groups.append(sub);
                subsectionGroups.append(sub.grpi);
            }
        }
        for (int j = 0; j < subsections; ++j)
            groups[subsectionGroups[j] - 1].firstField = (j * kFieldsPerSubsection + 1) * 10;

        Statement group(h, QStringLiteral(
            "INSERT INTO qxzrn315 (clan, cpac, vers, rele, cust, cmod, cfrm, grpi, levl, labl, fram, pare, prev, "
            "next, chld, fld1, algr, virt, za_revi) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, "
            "?14, ?15, ?16, ?17, ?18, ?19)"));
        for (const GroupPlan& g : std::as_const(groups)) {
            const bool root = g.grpi == 1;
            group.reset();
            bindForm(group, id);
            group.bind(8, g.grpi).bind(9, g.level);
            group.bind(10, root ? QString() : QStringLiteral("tekwy000.gengrp"));
            group.bind(11, root ? 2 : 1).bind(12, g.parent).bind(13, g.previous).bind(14, g.next);
            group.bind(15, g.child).bind(16, g.firstField);
            // The form aligns equally, the others each on their own default.
            group.bind(17, root ? 1 : -g.grpi).bind(18, root ? 1 : 2).bind(19, kFormLevel);
            group.exec();
        }

        Statement field(h, QStringLiteral(
            "INSERT INTO qxzrn301 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ, xpos, ypos, fldn, pacd, cdom, "
            "difl, maxd, maxi, flen, labl, omod) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, 'te', "
            "'dsca', 2, ?12, ?12, ?12, ?13, ?14)"));
        Statement layout(h, QStringLiteral(
            "INSERT INTO qxzrn308 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ, grpi, pare, next, chld, fwup, "
            "behi, lxpo, llso, xend, colu, ctrl, za_adju) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, "
            "?13, ?14, ?15, ?16, ?17, 1, 6, 0)"));
        // Tops of the current section in the form and of the subsection in its section.
        int sectionTop = 0;
        int subsectionTop = 0;
        for (int j = 0; j < subsections; ++j) {
            if (j % kSubsectionsPerSection == 0) {
                if (j > 0)
                    sectionTop += subsectionTop + 1;
                subsectionTop = 1;
            }
            // Each line of fields one row, inside the lines of the two boxes.
            const int top = kFirstRow + sectionTop + subsectionTop;
            int row = top;
            const int first = j * kFieldsPerSubsection + 1;
            const int last = std::min(total, first + kFieldsPerSubsection - 1);
            for (int n = first; n <= last; ++n) {
                const int k = n - first;
                const bool followUp = k % kFollowUpEvery == kFollowUpEvery - 1;
                const bool hasFollowUp = !followUp && k % kFollowUpEvery == kFollowUpEvery - 2 && n < last;
                // The next field on the group's own level skips a follow-up.
                int nextOnLevel = 0;
                if (!followUp) {
                    const int after = hasFollowUp ? n + 2 : n + 1;
                    if (after <= last)
                        nextOnLevel = after * 10;
                }
                if (!followUp)
                    ++row;
                const int labelX = followUp ? 0 : kLabelX;
                const int x = followUp ? kFollowUpX : kFieldX;
                field.reset();
                bindForm(field, id);
                field.bind(8, n).bind(9, x).bind(10, row);
                field.bind(11, QStringLiteral("gen.f%1").arg(n, 5, 10, QLatin1Char('0')));
                field.bind(12, kFieldLength);
                field.bind(13, followUp ? QString() : QStringLiteral("tekwy000.genfld"));
                field.bind(14, n * 10);
                field.exec();
                layout.reset();
                bindForm(layout, id);
                layout.bind(8, n).bind(9, subsectionGroups[j]);
                layout.bind(10, followUp ? (n - 1) * 10 : 0);
                layout.bind(11, nextOnLevel);
                layout.bind(12, hasFollowUp ? (n + 1) * 10 : 0);
                layout.bind(13, followUp ? 1 : 2).bind(14, hasFollowUp ? 1 : 2);
                layout.bind(15, labelX).bind(16, followUp ? 0 : kLabelLength);
                layout.bind(17, x + kFieldLength - 1);
                layout.exec();
            }
            subsectionTop += row - top + 2;
            if (options.afterBatch)
                options.afterBatch(last);
        }
        tx.commit();
        return id;
    } catch (const HostError& e) {
        if (error)
            *error = e.message();
        return std::nullopt;
    }
}

std::optional<QString> generateTable(HostDatabase& db, int columns, QString* error)
{
    if (columns < 1 || columns > kMaxGeneratedColumns) {
        if (error)
            *error = QStringLiteral("a generated table has 1 to %1 columns, not %2").arg(kMaxGeneratedColumns).arg(columns);
        return std::nullopt;
    }
    // Domains of the demo package taken in turn; every tenth column is a reference.
    static const char* const kDomains[] = {"qty", "dsca", "date", "unit", "yeno", "amnt", "pct", "ordno", "weight"};
    constexpr int kReferenceEvery = 10;
    sqlite3* h = db.handle();
    try {
        HostDatabase::Transaction tx(db);
        Statement last(h, QStringLiteral("SELECT max(CAST(flno AS INTEGER)) FROM qxzrn420 WHERE cpac = ?1 AND cmod = 'gen'"));
        last.bind(1, kHome.package);
        const int number = (last.step() ? int(last.int64(0)) : 0) + 1;
        if (number > 999)
            throw HostError(kErrInternal, QStringLiteral("every generated table code is taken"));
        const QString flno = QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
        const QString code = kHome.package + QStringLiteral("gen") + flno;

        auto bindTable = [&](Statement& st) {
            st.bind(1, kHome.package).bind(2, flno).bind(3, kHome.version).bind(4, kHome.release);
            st.bind(5, kHome.customer);
        };
        Statement table(h, QStringLiteral("INSERT INTO qxzrn420 (cpac, cmod, flno, vers, rele, cust, desc) "
                                          "VALUES (?1, 'gen', ?2, ?3, ?4, ?5, ?6)"));
        bindTable(table);
        table.bind(6, QStringLiteral("Generated table of %1 columns").arg(columns));
        table.exec();
        Statement field(h, QStringLiteral(
            "INSERT INTO qxzrn422 (cpac, cmod, flno, vers, rele, cust, fdnm, fdno, pacd, cdom, mand, rfpa, rfmo, rffn, "
            "rffd, clab) VALUES (?1, 'gen', ?2, ?3, ?4, ?5, ?6, ?7, ?1, ?8, ?9, ?10, ?11, ?12, ?13, ?14)"));
        Statement label(h, QStringLiteral(
            "INSERT INTO qxzrn140 (clan, cpac, clab, lhgt, leng, vers, rele, cust, desc, expi, seak) "
            "VALUES ('2', ?1, ?2, 1, 10, ?3, ?4, ?5, ?6, 2, ?7)"));
        for (int c = 1; c <= columns; ++c) {
            const QString name = QStringLiteral("c%1").arg(c, 4, 10, QLatin1Char('0'));
            const bool reference = c % kReferenceEvery == 0;
            const QString labelCode = code + QLatin1Char('.') + name;
            field.reset();
            bindTable(field);
            field.bind(6, name).bind(7, c);
            field.bind(8, reference ? QStringLiteral("code") : QLatin1String(kDomains[(c - 1) % std::size(kDomains)]));
            field.bind(9, c == 1 ? 1 : 2);
            field.bind(10, reference ? QStringLiteral("te") : QString()).bind(11, reference ? QStringLiteral("kwy") : QString());
            field.bind(12, reference ? QStringLiteral("002") : QString()).bind(13, reference ? QStringLiteral("citg") : QString());
            field.bind(14, labelCode);
            field.exec();
            label.reset();
            label.bind(1, kHome.package).bind(2, labelCode).bind(3, kHome.version).bind(4, kHome.release);
            const QString text = QStringLiteral("Col %1").arg(c);
            label.bind(5, kHome.customer)
                .bind(6, text)
                .bind(7, datasets::leftWhole(text.toUpper().remove(QLatin1Char(' ')), 10));
            label.exec();
        }
        Statement index(h, QStringLiteral("INSERT INTO qxzrn421 (cpac, cmod, flno, vers, rele, cust, indx, sequ, fdnm) "
                                          "VALUES (?1, 'gen', ?2, ?3, ?4, ?5, 1, 1, 'c0001')"));
        bindTable(index);
        index.exec();
        tx.commit();
        return code;
    } catch (const HostError& e) {
        if (error)
            *error = e.message();
        return std::nullopt;
    }
}

} // namespace host
