#pragma once
// Errors inside the local host. They never leave it: the dispatcher turns each one
// into the VrokError of the call that raised it.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <exception>

namespace host {

// VrokError codes of the local host itself (a handler may answer others of its own).
inline constexpr int32_t kErrMalformedCall = 101;   // the call text is not name(arg,...)
inline constexpr int32_t kErrUnknownObject = 102;   // no host DLL object of that name
inline constexpr int32_t kErrUnknownFunction = 103; // the object has no such function
inline constexpr int32_t kErrBadArgument = 104;     // an argument is missing or of the wrong kind
inline constexpr int32_t kErrDatabase = 105;        // the database refused a statement
inline constexpr int32_t kErrInternal = 106;        // any other failure inside a function

class HostError : public std::exception {
public:
    HostError(int32_t code, const QString& message);

    int32_t code() const { return code_; }
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return what_.constData(); }

private:
    int32_t code_;
    QString message_;
    QByteArray what_;
};

// A failed SQLite call; sqliteCode is the SQLite result code.
class SqliteError : public HostError {
public:
    SqliteError(int sqliteCode, const QString& message);
    int sqliteCode() const { return sqliteCode_; }

private:
    int sqliteCode_;
};

} // namespace host
