// Wrappers of the label, message, documentation and icon functions: their call texts,
// what they read back, and what a failed call leaves.
#include "call_hooks.h"
#include "data_sets.h"
#include "host_database.h"
#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_External.h"
#include "support/CoreTestSupport.h"
#include "support/LocalHostFixture.h"

#include <QFileInfo>

namespace {

QString blanks(int n) { return QLatin1Char('"') + QString(n, u' ') + QLatin1Char('"'); }

class LabelWrappers : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(host.ok()) << host.error().toStdString();
        resetDataSets();
        gInitDataSets();
        goVrokApp = createVrokObject(QStringLiteral("Vrok.Application"));
        gsLanguage = "2";
        gsUserLanguage = QStringLiteral("2");
    }
    void TearDown() override
    {
        CoreTest::TearDown();
        resetDataSets();
        resetExternal();
    }
    // A "labelset" request for each code, 30 long on one line.
    static QString labelRequest(const QStringList& codes)
    {
        QString buffer;
        for (const QString& code : codes) {
            datasets::RecordBuilder b(*datasets::findLayout(QStringLiteral("labelset")), 1);
            b.set(QStringLiteral("cpac"), QStringLiteral("te"));
            b.set(QStringLiteral("clab"), code);
            b.set(QStringLiteral("leng"), QStringLiteral("030"));
            b.set(QStringLiteral("lhgt"), QStringLiteral("001"));
            buffer += b.record();
        }
        return buffer;
    }

    LocalHostEnvironment host;
};

TEST_F(LabelWrappers, LabelsAreAskedAndReadByPosition)
{
    QString desc = QStringLiteral("keep");
    int16_t length = 29, height = 1;
    EXPECT_EQ(glGetLabel(QStringLiteral("te"), QStringLiteral("tekwy100.stock"), QStringLiteral("2"), desc, length,
                         height, 0, 1),
              0);
    EXPECT_EQ(msExtCallText,
              QStringLiteral("get.label(\"2\",\"te\",\"tekwy100.stock\",%1,29,1,1,0,1)").arg(blanks(70)));
    EXPECT_EQ(desc + QStringLiteral("|%1|%2").arg(length).arg(height), QStringLiteral("Stock|10|1"));

    length = 0;
    const int calls = host::callCount(QStringLiteral("get.label("));
    EXPECT_EQ(glGetLabel(QStringLiteral("te"), QStringLiteral("x"), QStringLiteral("2"), desc, length, height, 0, 1),
              0);
    EXPECT_EQ(desc, QString());
    EXPECT_EQ(host::callCount(QStringLiteral("get.label(")), calls);

    // The fifth parameter goes out at position 6, the sixth at 5, and each comes back from there.
    desc = QStringLiteral("quantity in stock");
    QString code;
    int16_t first = 70, second = 0, third = 0;
    gSearchExistingLabels(QStringLiteral("2"), QStringLiteral("te"), desc, code, first, second, third);
    EXPECT_EQ(msExtCallText,
              QStringLiteral("search.existing.labels(\"2\",\"te\",\"quantity in stock\",%1,0,70,0)").arg(blanks(17)));
    EXPECT_EQ(QStringLiteral("%1|%2|%3|%4|%5").arg(desc, code).arg(first).arg(second).arg(third),
              QStringLiteral("Quantity in stock|tekwy001.stoc|30|1|1"));

    gGetMessage(QStringLiteral("qxplqx0401"), desc, QStringLiteral("3"));
    EXPECT_EQ(msExtCallText, QStringLiteral("get.message(\"qxplqx0401\",\"3\",%1)").arg(blanks(132)));
    EXPECT_EQ(desc, QStringLiteral("Bereit"));

    QString tab = QStringLiteral("t"), frame = QStringLiteral("f");
    EXPECT_TRUE(gbGetGroupLabels(QStringLiteral("te"), QStringLiteral("tekwy100.stock   "), tab, frame));
    EXPECT_EQ(msExtCallText,
              QStringLiteral("get.group.labels(\"2\",\"te\",\"tekwy100.stock   \",40,%1,%1)").arg(blanks(70)));
    QString buffer = QStringLiteral("tetekwy100.stock   ").leftJustified(161);
    EXPECT_TRUE(gbGetGroupLabelsSet(buffer));
    EXPECT_TRUE(msExtCallText.startsWith(QStringLiteral("get.group.labels.set(\"2\", 40,\"tetekwy100.stock ")));
}

TEST_F(LabelWrappers, ALabelWithQuotesSurvivesTheLabelSetBuffer)
{
    auto db = openHostDatabase(host.databasePath());
    db->exec(
        QStringLiteral("INSERT INTO qxzrn140 VALUES ('2','te','tequote.x',1,30,'7.6','a3','dev',"
                       "'The \"big\" item',2,'THE\"BIG\"IT')"));
    QString buffer = labelRequest({QStringLiteral("tequote.x"), QStringLiteral("tekwy001.stoc")});
    EXPECT_TRUE(gbGetLabelSet(1, buffer));
    EXPECT_TRUE(msExtCallText.startsWith(QStringLiteral("get.label.set(\"2\",1,\"tetequote.x")));
    int32_t next = 0;
    EXPECT_EQ(gGetBufferField(QStringLiteral("labelset"), QStringLiteral("desc"), buffer, next),
              QStringLiteral("The \"big\" item"));
    const QString second = buffer.mid(next - 1);
    EXPECT_EQ(gGetBufferField(QStringLiteral("labelset"), QStringLiteral("clab"), second, next),
              QStringLiteral("tekwy001.stoc"));
    EXPECT_EQ(gGetBufferField(QStringLiteral("labelset"), QStringLiteral("desc"), second, next),
              QStringLiteral("Quantity in stock"));
}

TEST_F(LabelWrappers, InsertMeasureAndSearchKey)
{
    int16_t height = 0, length = 0;
    gCompLabelDims(QStringLiteral("Say \"x\""), height, length);
    EXPECT_EQ(msExtCallText, QStringLiteral("comp.label.dims(\"Say \"\"x\"\"\",0,0)"));
    EXPECT_EQ(length * 10 + height, 71);
    EXPECT_EQ(gsCompSeak(QStringLiteral("Say \"x\"")), QStringLiteral("SAY\"X\""));
    EXPECT_EQ(gsCompSeak(QString()), QStringLiteral("0")); // the host answered nothing

    auto insert = [&] {
        return gbInsertQxzrn140(QStringLiteral("2"), QStringLiteral("te"), QStringLiteral("tekwy001.ins"), height,
                                length, QStringLiteral("7.6"), QStringLiteral("a3"), QStringLiteral("dev"),
                                QStringLiteral("Say \"x\""), QStringLiteral("SAY\"X\""));
    };
    EXPECT_TRUE(insert());
    EXPECT_EQ(msExtCallText, QStringLiteral("insert.qxzrn140(\"2\",\"te\",\"tekwy001.ins\",7,1,\"7.6\",\"a3\",\"dev\","
                                            "\"Say \"\"x\"\"\",\"SAY\"\"X\"\"\")"));
    EXPECT_TRUE(dialogs->shown().empty());
    EXPECT_FALSE(insert()); // the host has that variant now
    EXPECT_EQ(dialogs->texts(), QStringList{QStringLiteral("VElq error occurred : 1")});
}

TEST_F(LabelWrappers, DocumentsIconsAndPictures)
{
    const QString keys = QStringLiteral("\"te\",\"kwy\",\"itemsd\",\"7.6\",\"a3\",\"dev\",\"tekwy001.item\")");
    EXPECT_TRUE(gbCheckTechDocExists(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("itemsd"),
                                     QStringLiteral("7.6"), QStringLiteral("a3"), QStringLiteral("dev"),
                                     QStringLiteral("tekwy001.item")));
    EXPECT_EQ(msExtCallText, QStringLiteral("check.tech.doc.exists(") + keys);
    QString file = QStringLiteral("keep");
    EXPECT_EQ(glGetPicture(QStringLiteral("teform_"), QStringLiteral("box"), file), 0);
    EXPECT_EQ(msExtCallText, QStringLiteral("get.picture(\"teform_\",\"box\",%1,%2)").arg(blanks(768), blanks(256)));
    EXPECT_TRUE(QFileInfo(file).isFile());
    EXPECT_EQ(glRemoveFileFromServer(QStringLiteral(" "), file.chopped(4)), 0);
    EXPECT_EQ(msExtCallText, QStringLiteral("remove.file.from.server(\"\",\"%1\")").arg(file.chopped(4)));
    EXPECT_FALSE(QFileInfo::exists(file));

    QString icon = QStringLiteral("box");
    EXPECT_EQ(glSelectIcon(QStringLiteral("teform_"), icon), 1);  // no chooser in the host
    EXPECT_EQ(msExtCallText, QStringLiteral("select.icon(\"teform_\",\"box             \")"));
}

TEST_F(LabelWrappers, AFailedCallKeepsEveryParameterAndTellsFromTheHostsZero)
{
    for (const char* f : {"get.label(", "get.label.set(", "get.message(", "search.existing.labels(", "comp.seak(",
                          "comp.label.dims(", "get.picture(", "select.icon(", "validate.searchdesc(",
                          "remove.file.from.server(", "insert.qxzrn140(", "get.group.labels("})
        host::injectError(QLatin1String(f), 105);
    QString text = QStringLiteral("keep"), code = QStringLiteral("keep"), other = QStringLiteral("keep");
    int16_t a = 7, b = 8, c = 9;
    EXPECT_EQ(glGetLabel(QStringLiteral("te"), QStringLiteral("tekwy100.stock"), QStringLiteral("2"), text, a, b, 0, 1),
              kLabelCallFailed);
    EXPECT_FALSE(gbGetLabelSet(1, text));
    EXPECT_FALSE(gbGetGroupLabels(QStringLiteral("te"), QStringLiteral("tekwy100.stock"), code, other));
    gGetMessage(QStringLiteral("qxplqx0401"), text, QStringLiteral("2"));
    gSearchExistingLabels(QStringLiteral("2"), QStringLiteral("te"), text, code, a, b, c);
    gCompLabelDims(QStringLiteral("x"), a, b);
    EXPECT_EQ(gsCompSeak(QStringLiteral("x")), QString());
    EXPECT_EQ(glGetPicture(QStringLiteral("teform_"), QStringLiteral("box"), other), kLabelCallFailed);
    EXPECT_EQ(glSelectIcon(QStringLiteral("teform_"), code), kLabelCallFailed);
    EXPECT_EQ(
        glValidateSearchDesc(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("002"), QStringLiteral("7.6"),
                             QStringLiteral("a3"), QStringLiteral("dev"), QStringLiteral("dsca")),
        kLabelCallFailed);
    EXPECT_EQ(glRemoveFileFromServer(QString(), QStringLiteral("x")), kLabelCallFailed);
    EXPECT_EQ(text + code + other + QStringLiteral("|%1|%2|%3").arg(a).arg(b).arg(c),
              QStringLiteral("keepkeepkeep|7|8|9"));
    const int shown = int(dialogs->shown().size());
    EXPECT_FALSE(gbInsertQxzrn140(QStringLiteral("2"), QStringLiteral("te"), QStringLiteral("x"), 1, 1,
                                  QStringLiteral("7.6"), QStringLiteral("a3"), QStringLiteral("dev"),
                                  QStringLiteral("x"), QStringLiteral("X")));
    EXPECT_FALSE(dialogs->texts().mid(shown).join(u'\n').contains(QStringLiteral("VElq")));
}

} // namespace
