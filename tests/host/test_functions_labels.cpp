// Label, message, documentation and icon functions of the local host.
#include "call_text.h"
#include "data_sets.h"
#include "functions_labels.h"
#include "host_database.h"
#include "host_transaction.h"
#include "local_host.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QString q(const QString& text) { return calltext::quote(text); }

struct Answer {
    int32_t error = 0;
    QString value;
    calltext::Call call;
    QString out(int p) const { return call.arg(p).text(); }
    int64_t number(int p) const { return call.arg(p).value(); }
};

class LabelFunctions : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        host = host::LocalHost::open(databasePath());
    }
    void TearDown() override
    {
        host::resetLabelPresenter();
        host.reset();
        LocalHostFixture::TearDown();
    }
    Answer call(const QString& text, const char* object = "oqxdllextint")
    {
        int32_t n = 0;
        host->executeFunction(QString::fromLatin1(object), text, n);
        return {host->vrokError(), host->returnValue(), *calltext::parse(host->returnCall())};
    }
    QString value(const QString& text) { return call(text).value; }

    std::unique_ptr<host::LocalHost> host;
};

TEST_F(LabelFunctions, GetLabelPicksTheLongestVariantThatFitsAndMessagesTheirLanguage)
{
    // tekwy100.stock has 10x1 "Stock" and 30x1 and 15x2 "Stock levels and storage place".
    const std::tuple<const char*, int, int, int, const char*, int, int> cases[] = {
        {"2", 30, 1, 0, "Stock levels and storage place", 30, 1},
        {"2", 29, 1, 0, "Stock", 10, 1},
        {"2", 20, 2, 0, "Stock levels and storage place", 15, 2},
        {"2", 30, 0, 0, "Stock levels and storage place", 30, 1}, // height 0 counts as 1
        {"2", 9, 1, 2, "", 9, 1},                                 // nothing that short
        {"3", 30, 1, 1, "", 30, 1}};                              // not in language 3
    for (const auto& [language, length, height, answer, text, outLength, outHeight] : cases) {
        const Answer a = call(QStringLiteral("get.label(\"%1\",\"te\",\"tekwy100.stock   \",\"\",%2,%3,1,0,11)")
                                  .arg(QLatin1String(language))
                                  .arg(length)
                                  .arg(height));
        ASSERT_EQ(a.error, 0);
        EXPECT_EQ(QStringLiteral("%1|%2|%3|%4").arg(a.value, a.out(4)).arg(a.number(5)).arg(a.number(6)),
                  QStringLiteral("%1|%2|%3|%4").arg(answer).arg(QLatin1String(text)).arg(outLength).arg(outHeight))
            << language << " " << length << "x" << height;
    }
    EXPECT_EQ(
        value(QStringLiteral("get.label(\"2\",\"te\",%1,\"\",60,1,1,0,1)").arg(q(QStringLiteral("x\" OR \"1\"=\"1")))),
        QStringLiteral("1"));
    EXPECT_EQ(call(QStringLiteral("get.label(\"2\",\"te\",\"x\",\"\",\"30\",1,1,0,1)")).error, host::kErrBadArgument);

    // Messages answer only the language asked, and mark a missing one.
    QStringList messages;
    for (const char* codeAndLanguage : {"qxplqx0401\",\"2", "tekwym0001\",\"2", "qxplqx0402\",\"3", "qx\",\"2"})
        messages << call(QStringLiteral("get.message(\"%1\",\"  \")").arg(QLatin1String(codeAndLanguage))).out(3);
    EXPECT_EQ(messages, (QStringList{"Ready", "Item %s does not exist.", "qxplqx0402     ??????????",
                                     "qx             ??????????"}));
}

TEST_F(LabelFunctions, BulkAnswersFollowTheRequestsAndTheBufferLimit)
{
    const datasets::DataSetLayout& set = *datasets::findLayout(QStringLiteral("labelset"));
    QString request;
    for (const char* code : {"tekwy100.stock", "nothing.here", "tekwy001.stoc"}) {
        datasets::RecordBuilder b(set, 1);
        b.set(QStringLiteral("cpac"), QStringLiteral("te"));
        b.set(QStringLiteral("clab"), QLatin1String(code));
        b.set(QStringLiteral("leng"), QStringLiteral("020"));
        b.set(QStringLiteral("lhgt"), QStringLiteral("002"));
        request += b.record();
    }
    Answer a = call(QStringLiteral("get.label.set(\"2\",-1,%1)").arg(q(request)));
    datasets::RecordReader r(set, 1, a.out(3));
    QStringList rows;
    while (r.next())
        rows << QStringList{r.value(QStringLiteral("clab")), r.value(QStringLiteral("leng")),
                            r.value(QStringLiteral("lhgt")), r.value(QStringLiteral("desc"))}
                    .join(u'|');
    EXPECT_EQ(rows, (QStringList{QStringLiteral("tekwy100.stock|15|2|Stock levels and storage place"),
                                 QStringLiteral("nothing.here|20|2|"),
                                 QStringLiteral("tekwy001.stoc|15|2|Quantity in stock")}));

    const QString groups =
        QStringLiteral("tenothing.here").leftJustified(161) + QStringLiteral("tetekwy100.stock").leftJustified(161);
    a = call(QStringLiteral("get.group.labels.set(\"2\", 40,%1)").arg(q(groups)));
    EXPECT_EQ(
        a.out(3),
        QStringLiteral("tenothing.here     \x01\x01tetekwy100.stock   Stock\x01Stock levels and storage place\x01"));

    const QString tooLong = q(QString(4051, u' '));
    EXPECT_EQ(call(QStringLiteral("get.label.set(\"2\",1,%1)").arg(tooLong)).error, host::kErrBadArgument);
    EXPECT_EQ(call(QStringLiteral("get.group.labels.set(\"2\", 40,%1)").arg(tooLong)).error, host::kErrBadArgument);
}

TEST_F(LabelFunctions, SearchFindsTheTextAndInsertJoinsTheHostTransaction)
{
    const QString search = QStringLiteral("search.existing.labels(\"2\",\"te\",%1,\"\",%2,%3,0)");
    Answer a = call(search.arg(q(QStringLiteral(" quantity IN stock "))).arg(0).arg(70), "oqxdlllabels");
    EXPECT_EQ(
        QStringLiteral("%1|%2|%3|%4|%5").arg(a.out(3), a.out(4)).arg(a.number(5)).arg(a.number(6)).arg(a.number(7)),
        QStringLiteral("Quantity in stock|tekwy001.stoc|1|30|1"));
    a = call(search.arg(q(QStringLiteral("quantity in stock"))).arg(2).arg(20), "oqxdlllabels");
    EXPECT_EQ(a.number(5) * 100 + a.number(6), 215);
    a = call(search.arg(q(QStringLiteral("No such text"))).arg(0).arg(70), "oqxdlllabels");
    EXPECT_EQ(a.out(3) + a.out(4) + QString::number(a.number(7)), QStringLiteral("No such text0"));

    const QString insert = QStringLiteral(
        "insert.qxzrn140(\"2\",\"te\",\"tekwy001.new\",%1,1,\"7.6\",\"a3\",\"dev\",\"New text\",\"NEWTEXT\")");
    const QString get = QStringLiteral("get.label(\"2\",\"te\",\"tekwy001.new\",\"\",60,1,1,0,1)");
    EXPECT_EQ(value(insert.arg(7)), QStringLiteral("2")); // the text needs 8
    EXPECT_FALSE(host::hostTransactionOpen(host->database()));
    EXPECT_EQ(value(insert.arg(8)), QStringLiteral("0"));
    EXPECT_TRUE(host::hostTransactionOpen(host->database()));
    EXPECT_EQ(value(insert.arg(8)), QStringLiteral("1"));
    EXPECT_EQ(call(get).out(4), QStringLiteral("New text"));
    host::abortHostTransaction(host->database());
    EXPECT_EQ(value(get), QStringLiteral("1"));
}

TEST_F(LabelFunctions, TechnicalDocumentationThroughThePresenter)
{
    const QString keys = QStringLiteral("\"te\",\"kwy\",\"itemsd   \",\"7.6 \",\"a3\",\"dev \",\"tekwy001.%1\")");
    const QString exists = QStringLiteral("check.tech.doc.exists(") + keys;
    EXPECT_EQ(value(exists.arg(QStringLiteral("item"))) + value(exists.arg(QStringLiteral("dsca"))),
              QStringLiteral("10"));
    EXPECT_EQ(value(QStringLiteral("write.tech.doc(\"2\",") + keys.arg(QStringLiteral("dsca"))), QStringLiteral("1"));

    QStringList shown;
    host::setLabelPresenter({{}, [&](const host::TechDocRequest& r, const QString& text, bool editable) {
                                 shown << r.field + u':' + text.left(13) + (editable ? u'*' : u' ');
                                 return editable ? std::optional(QStringLiteral("Short text")) : std::nullopt;
                             }});
    EXPECT_EQ(value(QStringLiteral("read.tech.doc(\"2\",") + keys.arg(QStringLiteral("item"))), QStringLiteral("0"));
    EXPECT_EQ(value(QStringLiteral("read.tech.doc(\"3\",") + keys.arg(QStringLiteral("item"))), QStringLiteral("1"));
    EXPECT_EQ(value(QStringLiteral("write.tech.doc(\"2\",") + keys.arg(QStringLiteral("dsca"))), QStringLiteral("0"));
    EXPECT_EQ(value(exists.arg(QStringLiteral("dsca"))), QStringLiteral("1"));
    EXPECT_EQ(shown, (QStringList{QStringLiteral("tekwy001.item:The item code "), QStringLiteral("tekwy001.dsca:*")}));
}

TEST_F(LabelFunctions, PicturesAreWrittenAndRemovedOnlyInTheirDirectory)
{
    EXPECT_EQ(value(QStringLiteral("get.picture(\"teform_\",\"nothing\",\"\",\"\")")), QStringLiteral("1"));
    const Answer a = call(QStringLiteral("get.picture(\"teform_\",\"box\",\"\",\"\")"));
    ASSERT_EQ(a.value, QStringLiteral("0"));
    EXPECT_EQ(a.out(4), QDir(host::pictureDirectory(host->database())).filePath(QStringLiteral("teform_box.png")));
    QFile picture(a.out(4));
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    host::Statement st(host->database().handle(), QStringLiteral("SELECT hex(pict) FROM qxzwk903 WHERE icon = 'box'"));
    ASSERT_TRUE(st.step());
    EXPECT_EQ(picture.readAll().toHex().toUpper(), st.text(0).toLatin1());

    QFile outside(QDir(tempDir()).filePath(QStringLiteral("keep.png")));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.close();
    const QString remove = QStringLiteral("remove.file.from.server(%1,%2)");
    for (const QString& path : {outside.fileName(), QStringLiteral("../keep.png"), QStringLiteral("../keep")})
        EXPECT_EQ(value(remove.arg(q(QString()), q(path))), QStringLiteral("2")) << path.toStdString();
    EXPECT_EQ(value(remove.arg(q(tempDir()), q(QStringLiteral("keep.png")))), QStringLiteral("2"));
    EXPECT_TRUE(outside.exists());
    // Asked without the extension, as the editor does when it ends.
    EXPECT_EQ(value(remove.arg(q(a.out(3)), q(a.out(4).chopped(4)))), QStringLiteral("0"));
    EXPECT_FALSE(picture.exists());
    EXPECT_EQ(value(remove.arg(q(QString()), q(QStringLiteral("teform_box.png")))), QStringLiteral("1"));
}

TEST_F(LabelFunctions, IconsAndSearchFieldsAreChecked)
{
    EXPECT_EQ(value(QStringLiteral("validate.iconname(\"teform_\",\"truck\")")), QStringLiteral("1"));
    EXPECT_EQ(value(QStringLiteral("validate.iconname(\"qxform_\",\"truck\")")), QStringLiteral("0"));
    const QString select = QStringLiteral("select.icon(\"teform_\",\"box             \")");
    QString offered;
    host::setLabelPresenter({[&](const QString&, const QList<host::IconEntry>& icons, const QString& current) {
                                 for (const host::IconEntry& e : icons)
                                     offered += e.icon + u' ';
                                 return std::optional(current == QLatin1String("box") ? QStringLiteral("tag")
                                                                                      : QStringLiteral("none"));
                             },
                             {}});
    const Answer a = call(select);
    EXPECT_EQ(a.value + u'|' + a.out(2), QStringLiteral("0|tag             "));
    EXPECT_EQ(offered, QStringLiteral("box tag truck warning wrench "));
    EXPECT_EQ(value(QStringLiteral("select.icon(\"teform_\",\"truck\")")), QStringLiteral("1")); // not offered
    EXPECT_EQ(value(QStringLiteral("select.icon(\"qxform_\",\"\")")), QStringLiteral("2"));

    const QString search = QStringLiteral("validate.searchdesc(\"te\",\"kwy\",\"%1\",\"7.6\",\"a3\",\"dev\",\"%2\")");
    EXPECT_EQ(value(search.arg(QStringLiteral("002"), QStringLiteral("dsca")))
                  + value(search.arg(QStringLiteral("002"), QStringLiteral("none")))
                  + value(search.arg(QStringLiteral("009"), QStringLiteral("dsca"))),
              QStringLiteral("012"));
}

} // namespace
