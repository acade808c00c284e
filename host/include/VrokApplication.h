#pragma once
// The host client's automation interface, the only door between the editor and the host.
//
// A member that fails as an automation call (the object is gone, the link broke)
// throws AutomationError; a host function that fails answers through vrokError().
#include <QString>
#include <cstdint>
#include <memory>

struct AutomationError {
    int32_t number = 0;
    QString description;
    QString source;
};

class VrokApplication {
public:
    virtual ~VrokApplication() = default;

    virtual void setLinkState(int32_t state) = 0;
    virtual int32_t vrokError() const = 0;
    virtual QString returnValue() const = 0;
    virtual QString returnCall() const = 0;
    virtual void setLinkOption(int32_t option) = 0;
    virtual void shutdown() = 0;
    // Runs the host function named in callText on the host DLL object objectName.
    virtual void executeFunction(const QString& objectName, const QString& callText, int32_t& n) = 0;
};

// The automation error number for "the class can't be created".
inline constexpr int32_t kCannotCreateObject = 429;
// The automation error number when the host's own database is damaged or cannot be
// read; the description names the file and what is wrong with it.
inline constexpr int32_t kHostDatabaseDamaged = -2147287031;

// Creates the automation object registered under className. Throws AutomationError
// 429 for a class nobody registered, kHostDatabaseDamaged for a damaged database.
std::unique_ptr<VrokApplication> createVrokObject(const QString& className);

namespace host {
// Makes the functions that show the host's own windows (the form browser, a session's
// look-up, the icon chooser, a field's documentation) open them; the host library has
// no widgets. Defined with those windows (palimor_host_gui); the program calls it once.
void installSessionWindows();
// The local host keeps the texts of the calls it runs, newest last, for the tests that
// read them; a program that never reads them turns that off, or a store keeps thousands
// of texts of several thousand characters each alive.
void setCallLogKept(bool kept);
} // namespace host
