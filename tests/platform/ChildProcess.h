#pragma once
// Runs one disabled test of this very binary as a child process, with extra
// environment variables; the disabled tests are the children's bodies.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <map>
#include <memory>

namespace platform_test {

inline std::unique_ptr<QProcess> startChild(const QString& testName,
                                            const std::map<QString, QString>& env)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env)
        environment.insert(name, value);
    process->setProcessEnvironment(environment);
    process->setProgram(QCoreApplication::applicationFilePath());
    process->setArguments({QStringLiteral("--gtest_also_run_disabled_tests"),
                           QStringLiteral("--gtest_filter=") + testName});
    process->start();
    return process;
}

} // namespace platform_test
