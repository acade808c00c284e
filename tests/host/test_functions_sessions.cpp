// The local host's form dump seen from the call text. (Sessions, look-ups and the
// script requests are tested through the editor's wrappers.)
#include "form_dump.h"
#include "host_database.h"
#include "session_windows.h"
#include "support/LocalHostFixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class FormTools : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        app = createHost();
        dumps = tempDir() + QStringLiteral("/dumps");
        qputenv("PALIMOR_HOST_DUMP_DIR", dumps.toLocal8Bit());
    }
    void TearDown() override
    {
        host::resetSessionWindows();
        qunsetenv("PALIMOR_HOST_DUMP_DIR");
        LocalHostFixture::TearDown();
    }
    int32_t call(const QString& callText)
    {
        int32_t n = 0;
        app->executeFunction(QStringLiteral("oqxdllextint"), callText, n);
        return app->vrokError();
    }

    std::unique_ptr<VrokApplication> app;
    QString dumps;
};

TEST_F(FormTools, DumpWritesTheFormsRowsInsideTheDumpDirectory)
{
    ASSERT_EQ(call(QStringLiteral("ext.dump.form(\"te\",\"kwy\",\"simpled\",\"2\",\"7.6 \",\"a3\",\"dev \")")), 0);
    EXPECT_EQ(app->returnValue(), QStringLiteral("0"));
    QFile file(dumps + QStringLiteral("/te_kwy_simpled_2_7.6_a3_dev.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    auto db = openDatabase();
    ASSERT_TRUE(db);
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              host::dumpForm(db->handle(), {"te", "kwy", "simpled", "2", "7.6", "a3", "dev"}));

    // No rows: 1 and no file. Parts that look like a path stay in the directory.
    ASSERT_EQ(call(QStringLiteral("ext.dump.form(\"..\",\"/..\",\"x/../y\",\"2\",\"7.6\",\"a3\",\"\")")), 0);
    EXPECT_EQ(app->returnValue(), QStringLiteral("1"));
    EXPECT_EQ(QDir(dumps).entryList(QDir::Files), QStringList{"te_kwy_simpled_2_7.6_a3_dev.txt"});
    EXPECT_TRUE(QDir(tempDir()).entryList({"*.txt"}, QDir::Files).isEmpty());
}

} // namespace
