#include "form_identity.h"

#include "sqlite_util.h"

#include <QStringList>

#include <algorithm>

namespace host {

namespace {

struct PartRule {
    const char* name;
    int minLength;
    int maxLength;
};

// In the order of text().
constexpr PartRule kParts[] = {
    {"package", 1, 2}, {"module", 1, 3},  {"form code", 1, 9}, {"language", 1, 1},
    {"version", 1, 4}, {"release", 1, 2}, {"customer", 0, 4},
};

QString* part(FormIdentity& id, int index)
{
    QString* parts[] = {&id.package, &id.module,  &id.formCode, &id.language,
                        &id.version, &id.release, &id.customer};
    return parts[index];
}

} // namespace

QString FormIdentity::text() const
{
    const FormIdentity t = trimmed();
    return QStringList{t.package, t.module, t.formCode, t.language, t.version, t.release, t.customer}
        .join(QLatin1Char('/'));
}

FormIdentity FormIdentity::trimmed() const
{
    return FormIdentity{trimBlanks(package), trimBlanks(module),  trimBlanks(formCode),
                        trimBlanks(language), trimBlanks(version), trimBlanks(release),
                        trimBlanks(customer)};
}

std::optional<FormIdentity> FormIdentity::parse(const QString& text, QString* error)
{
    const QStringList items = text.split(QLatin1Char('/'));
    if (items.size() != 7) {
        if (error)
            *error = QStringLiteral("a form identity has seven parts separated by \"/\" "
                                    "(package/module/form/language/version/release/customer), not \"%1\"")
                         .arg(text);
        return std::nullopt;
    }
    FormIdentity id;
    for (int i = 0; i < 7; ++i) {
        const QString value = trimBlanks(items.at(i));
        if (value.size() < kParts[i].minLength || value.size() > kParts[i].maxLength) {
            if (error)
                *error = QStringLiteral("the %1 \"%2\" of \"%3\" must have %4 to %5 characters")
                             .arg(QLatin1String(kParts[i].name), value, text)
                             .arg(kParts[i].minLength)
                             .arg(kParts[i].maxLength);
            return std::nullopt;
        }
        *part(id, i) = value;
    }
    return id;
}

QList<FormIdentity> findForms(sqlite3* db, const FormIdentity& pattern, bool anyCustomer)
{
    const FormIdentity p = pattern.trimmed();
    // An empty part of the pattern matches anything.
    Statement st(db, QStringLiteral(
        "SELECT DISTINCT cpac, cmod, cfrm, clan, vers, rele, cust FROM ("
        "  SELECT cpac, cmod, cfrm, clan, vers, rele, cust FROM qxzrn300"
        "  UNION SELECT cpac, cmod, cfrm, clan, vers, rele, cust FROM qxzrn315) "
        "WHERE (?1 = '' OR cpac = ?1) AND (?2 = '' OR cmod = ?2) AND (?3 = '' OR cfrm = ?3)"
        "  AND (?4 = '' OR clan = ?4) AND (?5 = '' OR vers = ?5) AND (?6 = '' OR rele = ?6)"
        "  AND (?7 OR cust = ?8)"));
    st.bind(1, p.package).bind(2, p.module).bind(3, p.formCode).bind(4, p.language);
    st.bind(5, p.version).bind(6, p.release).bind(7, anyCustomer ? 1 : 0).bind(8, p.customer);
    QList<FormIdentity> found;
    while (st.step())
        found.append(FormIdentity{st.text(0), st.text(1), st.text(2), st.text(3), st.text(4),
                                  st.text(5), st.text(6)});
    std::sort(found.begin(), found.end(),
              [](const FormIdentity& a, const FormIdentity& b) { return a.text() < b.text(); });
    return found;
}

} // namespace host
