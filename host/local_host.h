#pragma once
// The local host: the automation object that runs host functions on our own
// SQLite database instead of a host client.
#include "VrokApplication.h"
#include "dispatcher.h"

#include <memory>

namespace host {

class HostDatabase;

// Automation error numbers of the local host (besides kCannotCreateObject and
// kHostDatabaseDamaged).
inline constexpr int32_t kObjectDisconnected = -2147417848;  // a member called after shutdown()
inline constexpr int32_t kHostCallFailed = -2147352567;      // an injected automation failure
inline constexpr int32_t kHostStartFailed = -2147467259;     // the database cannot be opened

class LocalHost : public VrokApplication {
public:
    // dispatcher must outlive the host; the standard one lives for the program.
    explicit LocalHost(std::unique_ptr<HostDatabase> db,
                       const Dispatcher& dispatcher = Dispatcher::standard());
    ~LocalHost() override;

    // Opens (or creates) the database at path; throws AutomationError kHostDatabaseDamaged
    // for a damaged file, kHostStartFailed for any other failure.
    static std::unique_ptr<LocalHost> open(const QString& path);

    void setLinkState(int32_t state) override;
    int32_t vrokError() const override;
    QString returnValue() const override;
    QString returnCall() const override;
    void setLinkOption(int32_t option) override;
    void shutdown() override;
    void executeFunction(const QString& objectName, const QString& callText, int32_t& n) override;

    int32_t linkState() const;
    int32_t linkOption() const;
    // Why the last call failed; empty after a successful one.
    QString errorText() const;
    bool isShutDown() const { return !db_; }
    HostDatabase& database() const;

private:
    void requireConnected() const;

    std::unique_ptr<HostDatabase> db_;
    const Dispatcher& dispatcher_;
    Outcome last_;
    int32_t linkState_ = 0;
    int32_t linkOption_ = 0;
};

} // namespace host
