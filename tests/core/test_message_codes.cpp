// Every message, question and label code that the editor names has an English text
// (language "2") in a new host database: those found in the editor's sources, and the
// full list the editor uses, kept in text_codes.txt beside this file.
#include "support/LocalHostFixture.h"

#include "host_database.h"
#include "sqlite_util.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <memory>

namespace {

QString sourceDir()
{
    const QString fromEnvironment = qEnvironmentVariable("PALIMOR_SOURCE_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../..");
}

struct CodeUse {
    QString kind;  // "label", "message" (messages and questions alike) or "question"
    QString code;
    int arguments = -1;  // -1: not known
    QString where;
};

// Message and question codes anywhere in a text; label codes as whole string literals.
QList<CodeUse> scanText(const QString& text, const QString& where)
{
    static const QRegularExpression messageCode(QStringLiteral("\\b(plqx\\d{4}|zrnd\\d{4})\\b"));
    static const QRegularExpression labelCode(QStringLiteral("\"(pz[a-z]+\\.[A-Za-z0-9_]+)\""));
    QList<CodeUse> uses;
    for (auto it = messageCode.globalMatch(text); it.hasNext();)
        uses.append(CodeUse{QStringLiteral("message"), it.next().captured(1), -1, where});
    for (auto it = labelCode.globalMatch(text); it.hasNext();)
        uses.append(CodeUse{QStringLiteral("label"), it.next().captured(1), -1, where});
    return uses;
}

QList<CodeUse> scanSources()
{
    QList<CodeUse> uses;
    const QString root = sourceDir() + QStringLiteral("/src");
    QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            uses += scanText(QString::fromUtf8(file.readAll()), path.mid(root.size() + 1));
    }
    return uses;
}

QList<CodeUse> readCodeList(QString* error)
{
    QFile file(sourceDir() + QStringLiteral("/tests/core/text_codes.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read ") + file.fileName();
        return {};
    }
    QList<CodeUse> uses;
    int lineNumber = 0;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        ++lineNumber;
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const bool label = parts.first() == QLatin1String("label") && parts.size() == 2;
        const bool text = (parts.first() == QLatin1String("message") || parts.first() == QLatin1String("question"))
                          && parts.size() == 3;
        if (!label && !text) {
            *error = QStringLiteral("text_codes.txt line %1 is not \"label CODE\" or \"message|question CODE N\"")
                         .arg(lineNumber);
            return {};
        }
        uses.append(CodeUse{parts[0], parts[1], text ? parts[2].toInt() : -1,
                            QStringLiteral("text_codes.txt:%1").arg(lineNumber)});
    }
    return uses;
}

// Placeholders a text carries: "%s" each, or the distinct "%1$s" to "%3$s".
int placeholders(const QString& text)
{
    if (text.contains(QLatin1String("%s")))
        return int(text.count(QLatin1String("%s")));
    static const QRegularExpression numbered(QStringLiteral("%([1-3])\\$s"));
    QSet<QString> seen;
    for (auto it = numbered.globalMatch(text); it.hasNext();)
        seen.insert(it.next().captured(1));
    return int(seen.size());
}

class MessageCodesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        env_ = new LocalHostEnvironment();
        ASSERT_TRUE(env_->ok()) << env_->error().toStdString();
        QString why;
        db_ = host::HostDatabase::open(env_->databasePath(), &why).release();
        ASSERT_NE(db_, nullptr) << why.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete db_;
        db_ = nullptr;
        delete env_;
        env_ = nullptr;
    }

    // The English text of a code of the editor's package, or a null QString.
    static QString englishText(const QString& kind, const QString& code)
    {
        QString sql;
        if (kind == QLatin1String("label"))
            sql = QStringLiteral("SELECT desc FROM qxzrn140 WHERE clan = '2' AND cpac = 'qx' AND clab = ?1 ORDER BY leng DESC");
        else if (kind == QLatin1String("question"))
            sql = QStringLiteral("SELECT mess FROM qxzrn451 WHERE clan = '2' AND cpac = 'qx' AND cmes = ?1");
        else
            sql = QStringLiteral("SELECT mess FROM qxzrn450 WHERE clan = '2' AND cpac = 'qx' AND cmes = ?1 UNION ALL "
                                 "SELECT mess FROM qxzrn451 WHERE clan = '2' AND cpac = 'qx' AND cmes = ?1");
        host::Statement st(db_->handle(), sql);
        st.bind(1, code);
        return st.step() ? st.text(0) : QString();
    }

    static void expectTexts(const QList<CodeUse>& uses)
    {
        for (const CodeUse& use : uses) {
            const QString text = englishText(use.kind, use.code);
            EXPECT_FALSE(text.trimmed().isEmpty())
                << use.kind.toStdString() << " " << use.code.toStdString() << " (" << use.where.toStdString()
                << ") has no English text";
            if (use.arguments >= 0 && !text.isNull()) {
                EXPECT_EQ(placeholders(text), use.arguments)
                    << use.code.toStdString() << ": \"" << text.toStdString() << "\"";
            }
        }
    }

    static LocalHostEnvironment* env_;
    static host::HostDatabase* db_;
};

LocalHostEnvironment* MessageCodesTest::env_ = nullptr;
host::HostDatabase* MessageCodesTest::db_ = nullptr;

TEST_F(MessageCodesTest, EveryCodeInTheEditorSourcesHasAnEnglishText)
{
    const QList<CodeUse> uses = scanSources();
    // The message service names its codes in the sources, so the scan cannot come back empty.
    ASSERT_TRUE(std::any_of(uses.begin(), uses.end(), [](const CodeUse& u) { return u.kind == QLatin1String("message"); }))
        << "no message code found under " << sourceDir().toStdString();
    expectTexts(uses);
}

TEST_F(MessageCodesTest, EveryCodeTheEditorUsesHasAnEnglishTextWithItsArguments)
{
    QString why;
    const QList<CodeUse> uses = readCodeList(&why);
    ASSERT_TRUE(why.isEmpty()) << why.toStdString();
    ASSERT_GT(uses.size(), 200);
    QSet<QString> seen;
    for (const CodeUse& use : uses) {
        const QString key = use.kind + QLatin1Char(' ') + use.code;
        EXPECT_FALSE(seen.contains(key)) << key.toStdString() << " is listed twice";
        seen.insert(key);
    }
    expectTexts(uses);
}

TEST(MessageCodeScan, FindsCodesOnlyWhereTheEditorWritesThem)
{
    const QString sample = QStringLiteral(
        "glShowMessage(2, 29); // \"plqx0128\"\n"
        "static const char* kCodes[] = {\"plqx0401\", \"zrnd0014\"};\n"
        "QString caption = gsGetLabel(QStringLiteral(\"pzmnu.File\"), 11);\n"
        "QString column = QStringLiteral(\"qxzrn315.grpi\");\n"
        "QString prefix = QStringLiteral(\"pzmnu.\") + name;\n"
        "QString longer = QStringLiteral(\"xplqx01234\");\n");
    QStringList found;
    for (const CodeUse& use : scanText(sample, QStringLiteral("sample")))
        found.append(use.kind + QLatin1Char(' ') + use.code);
    EXPECT_EQ(found, (QStringList{"message plqx0128", "message plqx0401", "message zrnd0014", "label pzmnu.File"}));
}

TEST(MessageCodeScan, CountsPlaceholdersAsTheMessageServiceFillsThem)
{
    EXPECT_EQ(placeholders(QStringLiteral("Field %s stands at %s")), 2);
    EXPECT_EQ(placeholders(QStringLiteral("Field %2$s stands at column %1$s")), 2);
    EXPECT_EQ(placeholders(QStringLiteral("%1$s and %1$s again")), 1);
    EXPECT_EQ(placeholders(QStringLiteral("Ready")), 0);
}

} // namespace
