#pragma once
// The local host with its own windows installed, as the editor's session and look-up
// calls meet them; each test starts without windows or label presenter left over.
#include "LocalHostFixture.h"
#include "gui/session_windows_gui.h"
#include "local_host.h"

#include <memory>

class HostWindowsFixture : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        host::installSessionWindows();
        app = createHost();
    }
    void TearDown() override
    {
        host::resetSessionWindows();
        host::resetLabelPresenter();
        LocalHostFixture::TearDown();
    }
    // One host function call, as the editor sends it.
    void call(const QString& callText)
    {
        int32_t n = 0;
        app->executeFunction(QStringLiteral("oqxdllextint"), callText, n);
    }

    std::unique_ptr<VrokApplication> app;
};
