// Every message, question and label code that the editor names has an English text
// (language "2") in a new host database: those found in the editor's sources, and the
// full list the editor uses, kept in text_codes.txt beside this file.
#include "support/LocalHostFixture.h"

#include "host_database.h"
#include "sqlite_util.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace {

struct CodeUse {
    QString kind;  // "label", "message" (messages and questions alike) or "question"
    QString code;
    int arguments;  // -1: not known
    QString where;
};

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
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
    void SetUp() override
    {
        ASSERT_TRUE(env.ok()) << env.error().toStdString();
        db = openHostDatabase(env.databasePath());
        ASSERT_TRUE(db);
    }

    void expectTexts(const QList<CodeUse>& uses) const
    {
        const QString where = QStringLiteral(" WHERE clan = '2' AND cpac = 'qx' AND ");
        const QString messages = "SELECT mess FROM qxzrn451" + where + "cmes = ?1";
        for (const CodeUse& use : uses) {
            host::Statement st(db->handle(),
                               use.kind == QLatin1String("label")      ? "SELECT desc FROM qxzrn140" + where
                                                                             + "clab = ?1 ORDER BY leng DESC"
                               : use.kind == QLatin1String("question") ? messages
                                   : "SELECT mess FROM qxzrn450" + where + "cmes = ?1 UNION ALL " + messages);
            st.bind(1, use.code);
            const QString text = st.step() ? st.text(0) : QString();
            EXPECT_FALSE(text.trimmed().isEmpty()) << use.kind.toStdString() << " " << use.code.toStdString() << " ("
                                                   << use.where.toStdString() << ") has no English text";
            if (use.arguments >= 0 && !text.isNull()) {
                EXPECT_EQ(placeholders(text), use.arguments) << use.code.toStdString() << ": " << text.toStdString();
            }
        }
    }

    const QString source = qEnvironmentVariable("PALIMOR_SOURCE_DIR");
    LocalHostEnvironment env;
    std::unique_ptr<host::HostDatabase> db;
};

TEST_F(MessageCodesTest, EveryCodeInTheEditorSourcesHasAnEnglishText)
{
    // Message and question codes anywhere in a text; label codes as whole string literals.
    static const QRegularExpression messageCode(QStringLiteral("\\b(plqx\\d{4}|zrnd\\d{4})\\b"));
    static const QRegularExpression labelCode(QStringLiteral("\"(pz[a-z]+\\.[A-Za-z0-9_]+)\""));
    QList<CodeUse> uses;
    QSet<QString> kinds;
    QDirIterator it(source + QStringLiteral("/src"), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next(), text = readFile(path);
        for (const auto& [kind, pattern] : {std::pair{"message", &messageCode}, {"label", &labelCode}})
            for (auto m = pattern->globalMatch(text); m.hasNext(); kinds.insert(kind))
                uses.append({kind, m.next().captured(1), -1, path});
    }
    // Both kinds are named in the sources, so the scan cannot come back without them.
    ASSERT_EQ(kinds, QSet<QString>({"message", "label"})) << "scanned " << source.toStdString();
    expectTexts(uses);
}

TEST_F(MessageCodesTest, EveryCodeTheEditorUsesHasAnEnglishTextWithItsArguments)
{
    QList<CodeUse> uses;
    QSet<QString> seen;
    int lineNumber = 0;
    for (const QString& raw : readFile(source + QStringLiteral("/tests/core/text_codes.txt")).split(u'\n')) {
        ++lineNumber;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
        const bool label = parts[0] == QLatin1String("label") && parts.size() == 2;
        const bool text = (parts[0] == QLatin1String("message") || parts[0] == QLatin1String("question"))
                          && parts.size() == 3;
        ASSERT_TRUE(label || text) << "text_codes.txt:" << lineNumber
                                   << " is not \"label CODE\" or \"message|question CODE N\"";
        EXPECT_FALSE(seen.contains(parts[0] + u' ' + parts[1])) << line.toStdString() << " is listed twice";
        seen.insert(parts[0] + u' ' + parts[1]);
        uses.append({parts[0], parts[1], text ? parts[2].toInt() : -1, QStringLiteral("text_codes.txt:%1").arg(lineNumber)});
    }
    ASSERT_GT(uses.size(), 200);
    expectTexts(uses);
}

} // namespace
