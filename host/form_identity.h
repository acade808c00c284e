#pragma once
// The identity of a stored form, as every design row of the host is keyed: package,
// module, form code, language, version, release and customer.
#include <QList>
#include <QString>
#include <optional>

struct sqlite3;

namespace host {

struct FormIdentity {
    QString package;   // cpac, up to 2 characters
    QString module;    // cmod, up to 3
    QString formCode;  // cfrm, 1 to 9
    QString language;  // clan, 1
    QString version;   // vers, up to 4
    QString release;   // rele, up to 2
    QString customer;  // cust, up to 4; the standard customer is empty

    bool operator==(const FormIdentity&) const = default;

    // "te/kwy/simpled/2/7.6/a3/dev": the seven parts without their padding blanks.
    QString text() const;
    // Reads text() back; nullopt (and error) for a text that is not seven parts of the
    // right widths. Blanks around a part are ignored.
    static std::optional<FormIdentity> parse(const QString& text, QString* error = nullptr);

    // The same with every part trimmed of its padding blanks.
    FormIdentity trimmed() const;
};

// The forms stored in the database (with a form row or with design rows) whose parts
// equal the non-empty parts of pattern, sorted by their text. The customer is compared
// unless anyCustomer is set: the standard customer is the empty one.
QList<FormIdentity> findForms(sqlite3* db, const FormIdentity& pattern, bool anyCustomer);

} // namespace host
