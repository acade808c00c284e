// Remote queries and the batched update set, against the local host: the set records
// of every kind, the automatic send at the 4051 mark with the prefix carried on, the
// 999 limit, failed parts reported at commit, the query messages and the abort.
#include "support/CoreTestSupport.h"

#include <functional>

namespace {

QString d3(int n) { return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')); }

class Velq : public HostCoreTest {
protected:
    void SetUp() override
    {
        HostCoreTest::SetUp();
        useTexts({{QStringLiteral("qxplqx0212"), QStringLiteral("Host call %s failed with%s")}});
        ASSERT_NO_FATAL_FAILURE(connectEditor());
        // The demo form "simpled": fields 1 to 6, the root group only.
        gsPackage = "te", gsModule = "kwy", gsDesignLanguage = "2", gsVersion = "7.6", gsRelease = "a3";
        gsCustomer = "dev", gsFormCode = QStringLiteral("simpled");
        glFormVersionLevel = 11;
        gaFields.resize(200);
        gaGroups.resize(10);
    }
    int64_t count(const QString& sql) const { return queryNumber(db->handle(), sql); }
    int64_t fieldRows() const { return count(QStringLiteral("SELECT count(*) FROM qxzrn301 WHERE cfrm = 'simpled'")); }
    int sends() const { return host::callCount(QStringLiteral("execute.velq.set(")); }

    // A new field in slot sequ whose 301 record is exactly size characters long.
    QString fieldRecordOfSize(int sequ, int size)
    {
        FieldRecord& f = gaFields[size_t(sequ)];
        f = FieldRecord{};
        f.lFieldId = int16_t(sequ);
        f.sFieldName = QStringLiteral("tekwy002.f%1").arg(sequ);
        f.nOmod = int16_t(sequ * 10);
        const int base = int(msFieldRecord301(sequ).size());
        f.sLanguageUnitExpression = QString(std::max(0, size - base), u'x');
        const QString record = msFieldRecord301(sequ);
        EXPECT_EQ(record.size(), size);
        return record;
    }

    // Inserts new fields from sequ 101 up until one more insert of `left` characters
    // would exactly reach the send mark. Returns the next free sequ.
    int fillTo(int32_t set301, int left)
    {
        int sequ = 101;
        const int prefix = int(gsFormKey(QString()).size());
        for (;;) {
            const int remaining = kSetSendMark - 2 - int(gsVelqSetBuffer().size());
            if (remaining == left)
                return sequ;
            // An "I" record adds its head and its text without the prefix.
            const int size = std::min(kMaxSetField, remaining - left - 10 + prefix);
            EXPECT_TRUE(gbVelqInsert(set301, fieldRecordOfSize(sequ++, size)));
            if (sequ > 120) {
                ADD_FAILURE() << "cannot fill the buffer";
                return sequ;
            }
        }
    }

};

TEST_F(Velq, SetRecordsOfEveryKind)
{
    const QString prefix = gsFormKey(QString());
    gInitVelqSet();
    // 14 nested items, each with two doubled quotes.
    const QString head = QStringLiteral("f") + d3(int(prefix.size()) - 28) + QStringLiteral("000000") + prefix;
    EXPECT_EQ(gsVelqSetBuffer(), head);

    const QString rest = QStringLiteral(", \"\"sequ\"\", 4");              // 13 characters, 11 logical
    const QString more = QStringLiteral(", \"\"fldn\"\", \"\"a\"\"\"\"b\"\"");  // 22 characters, 16 logical
    const QString other = QStringLiteral("\"\"k\"\", 1");                   // 8 characters, 6 logical
    struct Case {
        const char* what;
        std::function<bool()> add;
        QString record;
    };
    const std::vector<Case> cases = {
        {"insert with prefix", [&] { return gbVelqInsert(12, prefix + rest); }, "I011000012" + rest},
        {"insert without", [&] { return gbVelqInsert(3, other); }, "i006000003" + other},
        {"delete with prefix", [&] { return gbVelqDelete(7, prefix + rest); }, "D011000007" + rest},
        {"delete without", [&] { return gbVelqDelete(7, other); }, "d006000007" + other},
        {"update, key with prefix", [&] { return gbVelqUpdate(999, prefix + rest, prefix + rest + more); },
         "V011027999" + rest + more},
        {"update, key without prefix", [&] { return gbVelqUpdate(1, other, other + more); },
         "v006022001" + other + more},
        {"update, record without key", [&] { return gbVelqUpdate(1, other, prefix + more); },
         "u006" + d3(int(prefix.size()) - 28 + 16) + "001" + other + prefix + more},
    };
    QString expected = head;
    for (const Case& c : cases) {
        EXPECT_TRUE(c.add()) << c.what;
        expected += c.record;
        EXPECT_EQ(gsVelqSetBuffer(), expected) << c.what;
    }
    EXPECT_TRUE(sends() == 0 && dialogs->shown().empty());
}

TEST_F(Velq, AutomaticSendAtTheMarkCarriesThePrefixOn)
{
    const int32_t set301 = glOpenObjectSet(QStringLiteral("qxzrn301"));
    const int before = int(fieldRows());

    // A record of 700 one character short of the mark and at it: an insert counts its
    // text, an update its text and its 10-character head. At the mark the buffer goes
    // first and the record starts the next part.
    int sequ = 0;
    QString record;
    for (const auto& [update, left, sent] :
         {std::tuple{false, 701, 0}, {true, 711, 0}, {true, 710, 1}, {false, 700, 1}}) {
        EXPECT_EQ(glAbortTransaction(), 0);
        const int sentBefore = sends();
        sequ = fillTo(set301, left);
        record = fieldRecordOfSize(sequ, 700);
        ASSERT_TRUE(update ? gbVelqUpdate(set301, gsFieldKeyText(QString(), sequ), record) : gbVelqInsert(set301, record));
        EXPECT_EQ(sends() - sentBefore, sent) << left;
        // One character short of the mark, an insert adds its head and its text without
        // the prefix.
        if (!update && !sent) {
            EXPECT_EQ(gsVelqSetBuffer().size(), kSetSendMark - 2 - 701 + 10 + 700 - gsFormKey(QString()).size());
        }
    }
    const QString rest = record.mid(gsFormKey(QString()).size());
    EXPECT_EQ(gsVelqSetBuffer(), QStringLiteral("I") + d3(glLogicalLength(rest)) + QStringLiteral("000") + d3(set301)
                                     + rest);
    EXPECT_TRUE(host::callLog().last().callText.endsWith(QStringLiteral("\",0,0)")));

    // The part without an "f" record is stored under the form's key.
    EXPECT_EQ(glCommitVelqSet(), 0);
    EXPECT_TRUE(sends() == 3 && fieldRows() == before + (sequ - 101) + 1);
    EXPECT_EQ(count(QStringLiteral("SELECT length(dcex) FROM qxzrn301 WHERE cfrm = 'simpled' AND sequ = %1")
                        .arg(sequ)),
              gaFields[size_t(sequ)].sLanguageUnitExpression.size());
    EXPECT_TRUE(gsVelqSetBuffer().startsWith(QStringLiteral("f")) && dialogs->shown().empty());
}

// A record over 999 characters fails the set: later adds, an intermediate send and the
// commit report it unsent, and the abort restores. (A failed send of a part: the store's
// failure at each step, test_store.)
TEST_F(Velq, AnOverLongRecordFailsTheRestOfTheSet)
{
    const int32_t set301 = glOpenObjectSet(QStringLiteral("qxzrn301"));
    gInitVelqSet();
    const QString head = gsVelqSetBuffer();
    EXPECT_FALSE(gbVelqUpdate(set301, gsFieldKeyText(QStringLiteral("qxzrn301"), 150), fieldRecordOfSize(150, 1000)));
    EXPECT_EQ(dialogs->texts(), QStringList{QStringLiteral("Velq parameter too large")});
    EXPECT_EQ(gsVelqSetBuffer(), head);
    EXPECT_FALSE(gbVelqInsert(set301, fieldRecordOfSize(151, 999))
                 || gbVelqDelete(set301, gsFieldKeyText(QStringLiteral("qxzrn301"), 1)));
    EXPECT_EQ(glSendVelqSet(), 1);
    EXPECT_EQ(glCommitVelqSet(), 1);
    EXPECT_EQ(sends(), 0);
    EXPECT_EQ(glAbortTransaction(), 0);
    EXPECT_EQ(fieldRows(), 6);

    // The next set starts clean; 999 characters still go.
    EXPECT_TRUE(gbVelqInsert(set301, fieldRecordOfSize(151, 999)));
    EXPECT_EQ(glCommitVelqSet(), 0);
    EXPECT_EQ(fieldRows(), 7);
    // An abort call that fails is told apart from the host's answer.
    host::injectError(QStringLiteral("am_abort_transaction("), 3, 1);
    gbVelqDelete(1, gsFieldKeyText(QStringLiteral("qxzrn301"), 1));
    EXPECT_EQ(glAbortTransaction(), kAbortCallFailed);
    EXPECT_EQ(gsVelqSetBuffer().size(), 10 + gsFormKey(QString()).size());  // a fresh "f" record only
}

// Plain text read through a query is checked with the load of the demo forms.
TEST_F(Velq, QueryErrorsAreReportedAndAFailedFetchLeavesTheBuffer)
{
    const int32_t handle = glOpenObjectSet(QStringLiteral("qxzrn301"));
    const int32_t bad = glDefineFullQuery(handle, QStringLiteral("qxzrn315.nosuch"), QStringLiteral("qxzrn315"),
                                          gsFormKeyWhere(QStringLiteral("qxzrn315")), QString());
    ASSERT_GE(bad, 1);
    const QString definition = host::callLog().last().callText;
    const QString blanks = gsQuote(QString(21, u' '));
    QString buffer = blanks;
    EXPECT_EQ(glQueryFetch(handle, bad, 1, 1, 0, buffer), kQuerySyntaxError);
    buffer = blanks;
    const int32_t unknown = glQueryFetch(handle, bad + 100, 1, 1, 0, buffer);
    EXPECT_LT(unknown, 0);
    EXPECT_EQ(dialogs->texts(), (QStringList{QStringLiteral("Query syntax error: ") + definition,
                                             QStringLiteral("Query fetch error: ") + QString::number(unknown)}));
    EXPECT_EQ(dialogs->shown()[0].style, platform::MbOk);

    // A failed call answers 0 and leaves the buffer as it was.
    host::injectError(QStringLiteral("am_query_fetch("), 9, 1);
    buffer = blanks;
    EXPECT_EQ(glQueryFetch(handle, bad, 1, 1, 0, buffer), 0);
    EXPECT_EQ(buffer, blanks);
}

} // namespace
