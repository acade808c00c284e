// Storing a generated form of 300, 2,000 and 3,000 fields whose every field changed,
// through the whole protocol: the update set built record by record, sent in parts and
// committed by the local host in one transaction. The baseline writes the same rows
// (qxzrn301 and qxzrn308 of every field) straight into SQLite in one transaction. Every
// run of either starts from the database as generated.
// Goals: the store of 2,000 fields within 2 times its baseline, and 3,000 fields
// within 12 times 300 (no step worse than linear).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include <form_generator.h>
#include <host_database.h>
#include <sqlite3.h>
#include <sqlite_util.h>

#include "mod_DataSets.h"
#include "mod_Enumerate.h"
#include "mod_Velq.h"
#include "mod_VrokGlobal.h"
#include "mod_VrokInterface.h"
#include "mod_DesignDefinitions.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Records.h"
#include "mod_Store.h"
#include "Process.h"
#include "SettingsStore.h"
#include "UserSettings.h"
#include "bench_forms.h"
#include "bench_ratio.h"

namespace {

// The editor connected to the database as generated, with the form loaded and every
// field in the tree.
bool openForm(const host::FormIdentity& form, int fields)
{
    resetRecords();
    resetStore();
    if (!restoreDatabase() || !startEditor(form))
        return false;
    gInitializeArrays();
    glLoadedFormVersion = 11;
    if (!gLoadDesignDefinitions() || glLiveFieldCount() != fields)
        return false;
    for (int32_t i = 1; i <= gnFieldCount; ++i)
        if (gaFields[size_t(i)].lFieldId != -1)
            gaFields[size_t(i)].sNodeKey = gsFieldKey(i);
    return true;
}

// Every field moved one column right or back, as a layout change does.
void changeEveryField(int round)
{
    const int16_t step = round % 2 ? -1 : 1;
    for (int32_t i = 1; i <= gnFieldCount; ++i) {
        FieldRecord& f = gaFields[size_t(i)];
        if (f.lFieldId == -1)
            continue;
        f.iFieldXPos = int16_t(f.iFieldXPos + step);
        f.nFieldEndPos = int16_t(f.nFieldEndPos + step);
        f.bChanged = f.bChanged301 = f.bChanged308 = true;
    }
}

void BM_StoreThroughHost(benchmark::State& state)
{
    Setup& s = setup();
    const int fields = int(state.range(0));
    if (!s.ok || !openForm(s.forms[fields], fields)) {
        state.SkipWithError("no host");
        return;
    }
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        changeEveryField(round++);
        state.ResumeTiming();
        if (!gbStoreDesignDefinitions()) {
            state.SkipWithError("the store failed");
            return;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * fields);
}
BENCHMARK(BM_StoreThroughHost)->Arg(300)->Arg(2000)->Arg(3000)->Unit(benchmark::kMillisecond);

// ---- Baseline: the same rows straight into SQLite -----------------------------------------

const QString kKey = QLatin1String(kFormWhere) + QLatin1String(" AND sequ = ?8");

int yesNo(bool b) { return b ? 1 : 2; }

void bindKey(host::Statement& st, const host::FormIdentity& f, int32_t sequ)
{
    bindForm(st, f);
    st.bind(8, int64_t(sequ));
}

void write301(host::Statement& st, const host::FormIdentity& form, const FieldRecord& f)
{
    st.reset();
    bindKey(st, form, f.lFieldId);
    int n = 9;
    const auto num = [&](int64_t v) { st.bind(n++, v); };
    const auto txt = [&](const QString& v) { st.bind(n++, v); };
    num(f.iFieldXPos);
    num(f.iFieldYPos);
    txt(f.sFieldName);
    num(f.bMultiCurrency ? -1 : f.iElement);
    txt(f.bIsTableField ? QString() : f.sDomainPackage);
    txt(f.bIsTableField ? QString() : f.sDomainCode);
    num(f.lFieldType);
    txt(f.sDisplayFormat);
    num(yesNo(f.bLinkDisplFormatToDomain));
    num(f.iMinInpLen);
    num(f.iMaxDispLen);
    num(yesNo(f.bLinkMaxDisplLenToDomain));
    num(f.iMaxInpLen);
    num(yesNo(f.bLinkMaxInpLenToDomain));
    num(f.iStartPosOfString);
    num(2);
    num(f.nZoomField);
    txt(f.sZoomTo);
    txt(QStringLiteral("1"));
    txt(f.sZoomReturnField);
    num(0);
    num(yesNo(f.bDefault));
    txt(f.sMessage);
    num(yesNo(f.bEchoField));
    num(f.iFieldLength);
    num(f.nOmod);
    num(yesNo(f.bMandatoryInput));
    txt(f.sLanguageUnitExpression);
    txt(f.sLabelCode);
    st.exec();
}

void write308(host::Statement& st, const host::FormIdentity& form, const FieldRecord& f)
{
    st.reset();
    bindKey(st, form, f.lFieldId);
    int n = 9;
    const auto num = [&](int64_t v) { st.bind(n++, v); };
    const auto txt = [&](const QString& v) { st.bind(n++, v); };
    num(f.Grpi);
    num(f.lNextField);
    num(yesNo(f.bFollowUp));
    num(yesNo(f.bImmediateBehind));
    num(yesNo(f.bFieldInSingleOcc));
    num(f.lChildField);
    num(yesNo(f.bFieldInMultiOcc));
    num(2);
    num(f.nLabelAli);
    num(f.nLabelXPos);
    num(yesNo(f.bDependent));
    num(f.lLabelPosition);
    num(f.iLabelLengthSO);
    num(f.iLabelHeightSO);
    num(f.iLabelLengthMO);
    num(f.iLabelHeightMO);
    num(f.lParentField);
    num(f.nFieldEndPos);
    num(f.iColumnId);
    num(f.lOptx);
    num(f.iFieldHeight);
    num(yesNo(f.bIsViewField));
    num(f.iYesValue);
    txt(f.sSearchField);
    num(f.iLinkedConst);
    txt(f.sIconName);
    num(f.iZoomIndex);
    num(int32_t(f.lControl));
    num(f.iDataAli);
    num(yesNo(f.bAutoEnable));
    num(glFieldMiscFlags(f));
    st.exec();
}

QString updateOf(const char* table, const QStringList& columns)
{
    QStringList set;
    for (qsizetype i = 0; i < columns.size(); ++i)
        set << QStringLiteral("%1 = ?%2").arg(columns[i]).arg(i + 9);
    return QStringLiteral("UPDATE %1 SET %2").arg(QLatin1String(table), set.join(QStringLiteral(", ")))
           + kKey;
}

void BM_StoreBaseline(benchmark::State& state)
{
    Setup& s = setup();
    const int fields = int(state.range(0));
    const host::FormIdentity& form = s.forms[fields];
    if (!s.ok || !openForm(form, fields)) {
        state.SkipWithError("no host");
        return;
    }
    QString why;
    std::unique_ptr<host::HostDatabase> db = host::HostDatabase::open(s.database, &why);
    if (!db) {
        state.SkipWithError("no database");
        return;
    }
    host::Statement update301(
        db->handle(), updateOf("qxzrn301", {"xpos", "ypos", "fldn", "elem", "pacd", "cdom", "typf", "difo", "difl",
                                            "mini", "maxd", "mxdl", "maxi", "mxil", "sttp", "mult", "zoom", "zprg",
                                            "zopm", "zret", "zcsp", "defa", "cmes", "echo", "flen", "omod", "mand",
                                            "dcex", "labl"}));
    host::Statement update308(
        db->handle(), updateOf("qxzrn308", {"grpi", "next", "fwup", "behi", "inso", "chld", "inmo", "aggr", "lali",
                                            "lxpo", "depe", "lpos", "llso", "lhso", "llmo", "lhmo", "pare", "xend",
                                            "colu", "optx", "za_hght", "za_view", "za_yesv", "za_srch", "za_cnst",
                                            "za_icon", "za_zind", "ctrl", "za_adju", "za_able", "za_misc"}));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        changeEveryField(round++);
        state.ResumeTiming();
        db->begin();
        for (int32_t i = 1; i <= gnFieldCount; ++i) {
            const FieldRecord& f = gaFields[size_t(i)];
            if (f.lFieldId == -1)
                continue;
            write301(update301, form, f);
            write308(update308, form, f);
        }
        db->commit();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * fields);
}
BENCHMARK(BM_StoreBaseline)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv, {}, [](const RatioReporter& r) {
        printRatio(r, "store of 2,000 fields / baseline", "BM_StoreThroughHost/2000", "BM_StoreBaseline/2000", 2);
        printRatio(r, "store of 3,000 fields / store of 300", "BM_StoreThroughHost/3000",
                   "BM_StoreThroughHost/300", 12);
    });
}
