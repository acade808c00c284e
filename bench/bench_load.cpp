// Loading a generated form of 300, 2,000 and 3,000 fields through the whole protocol:
// the editor's load over the local host (queries in blocks, call texts, the dictionary
// and domain requests). The baseline reads the same design rows straight from SQLite
// into the records. Goals: the load of 2,000 fields within 2 times its baseline, and
// 3,000 fields within 12 times 300 (no step worse than linear).
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
#include "Process.h"
#include "SettingsStore.h"
#include "UserSettings.h"
#include "bench_forms.h"
#include "bench_ratio.h"

namespace {

void BM_LoadThroughHost(benchmark::State& state)
{
    Setup& s = setup();
    const int fields = int(state.range(0));
    if (!s.ok || !startEditor(s.forms[fields])) {
        state.SkipWithError("no host");
        return;
    }
    for (auto _ : state) {
        gInitializeArrays();
        glLoadedFormVersion = 11;
        if (!gLoadDesignDefinitions()) {
            state.SkipWithError("the load failed");
            return;
        }
        if (gnFieldCount != fields) {
            state.SkipWithError("the load missed fields");
            return;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * fields);
}
BENCHMARK(BM_LoadThroughHost)->Arg(300)->Arg(2000)->Arg(3000)->Unit(benchmark::kMillisecond);

// ---- Baseline: the same rows straight from SQLite ------------------------------------

int16_t i16(sqlite3_stmt* st, int c) { return int16_t(sqlite3_column_int(st, c)); }
bool yes(sqlite3_stmt* st, int c) { return sqlite3_column_int(st, c) == 1; }
QString text(sqlite3_stmt* st, int c)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)), sqlite3_column_bytes(st, c));
}

void readGroups(sqlite3* db, const host::FormIdentity& form)
{
    host::Statement st(db, QStringLiteral("SELECT grpi, repe, levl, labl, fram, inso, inmo, pare, prev, next, chld,"
                                          " fld1, algr, virt, wdth, za_revi, za_cbox, za_newp, za_besi, za_misc,"
                                          " zb_tabp, zb_selg FROM qxzrn315")
                               + QLatin1String(kFormWhere) + QStringLiteral(" ORDER BY grpi"));
    bindForm(st, form);
    sqlite3_stmt* h = st.handle();
    while (st.step()) {
        const size_t index = size_t(sqlite3_column_int(h, 0) - 1);
        if (gaGroups.size() <= index)
            gaGroups.resize(index + 1);
        GroupRecord& g = gaGroups[index];
        g = GroupRecord{};
        g.Grpi = i16(h, 0);
        g.bRepeatingGroup = yes(h, 1);
        g.lGroupLevel = i16(h, 2);
        g.sLabelCode = text(h, 3);
        g.bShowGroupBox = yes(h, 4);
        g.bGroupInSingleOcc = yes(h, 5);
        g.bGroupInMultiOcc = yes(h, 6);
        g.lParentGroup = i16(h, 7);
        g.lPreviousGroup = i16(h, 8);
        g.lNextGroup = i16(h, 9);
        g.lChildGroup = i16(h, 10);
        g.lFirstField = i16(h, 11);
        const int algr = sqlite3_column_int(h, 12);
        g.lAlignmentGroupId = int16_t(algr < 0 ? algr + 1 : algr - 1);
        g.bVirtualGroup = yes(h, 13);
        g.iGroupWidth = i16(h, 14);
        if (index == 0)
            glLoadedFormVersion = sqlite3_column_int(h, 15);
        g.bCheckboxesOnly = yes(h, 16);
        g.bNewPage = yes(h, 17);
        g.bPlaceBeside = yes(h, 18);
        const int misc = sqlite3_column_int(h, 19);
        g.bCheckOnGroupBox = misc & 1;
        g.bRichView = misc & 2;
        g.bNewPageMO = misc & 4;
        g.bDashboard = misc & 8;
        g.sParentTable = text(h, 20);
        g.bSelectionGroup = yes(h, 21);
        g.bExistsInHost = true;
    }
}

void readFields(sqlite3* db, const host::FormIdentity& form)
{
    host::Statement st(
        db, QStringLiteral("SELECT f.sequ, f.xpos, f.ypos, f.fldn, f.elem, f.pacd, f.cdom, f.typf, f.difo, f.difl,"
                           " f.mini, f.maxd, f.mxdl, f.maxi, f.mxil, f.sttp, f.zoom, f.zprg, f.zopm, f.zret, f.defa,"
                           " f.cmes, f.echo, f.flen, f.mand, f.dcex, f.labl, f.omod, l.grpi, l.pare, l.next, l.chld,"
                           " l.fwup, l.behi, l.inso, l.inmo, l.lali, l.lxpo, l.depe, l.lpos, l.llso, l.lhso, l.llmo,"
                           " l.lhmo, l.xend, l.colu, l.optx, l.za_hght, l.za_view, l.za_yesv, l.za_srch, l.za_cnst,"
                           " l.za_icon, l.za_zind, l.ctrl, l.za_adju, l.za_able, l.za_misc FROM qxzrn301 f"
                           " JOIN qxzrn308 l USING (clan, cpac, vers, rele, cust, cmod, cfrm, sequ)"
                           " WHERE f.clan = ?1 AND f.cpac = ?2 AND f.vers = ?3 AND f.rele = ?4 AND f.cust = ?5"
                           " AND f.cmod = ?6 AND f.cfrm = ?7 ORDER BY f.omod"));
    bindForm(st, form);
    sqlite3_stmt* h = st.handle();
    while (st.step()) {
        const int sequ = sqlite3_column_int(h, 0);
        if (gaFields.size() <= size_t(sequ))
            gaFields.resize(size_t(sequ) + 51);
        gnFieldCount = std::max<int16_t>(gnFieldCount, int16_t(sequ));
        FieldRecord& f = gaFields[size_t(sequ)];
        f = FieldRecord{};
        f.bExistsInHost = true;
        f.lFieldId = int16_t(sequ);
        f.iFieldXPos = i16(h, 1);
        f.iFieldYPos = i16(h, 2);
        f.sFieldName = text(h, 3);
        const int elem = sqlite3_column_int(h, 4);
        f.bMultiCurrency = elem == -1;
        f.iElement = int16_t(elem == -1 || elem == 0 ? 1 : elem);
        f.sDomainPackage = text(h, 5);
        f.sDomainCode = text(h, 6);
        f.lFieldType = uint8_t(sqlite3_column_int(h, 7));
        f.sDisplayFormat = text(h, 8);
        f.bLinkDisplFormatToDomain = yes(h, 9);
        f.iMinInpLen = i16(h, 10);
        f.iMaxDispLen = i16(h, 11);
        f.bLinkMaxDisplLenToDomain = yes(h, 12);
        f.iMaxInpLen = i16(h, 13);
        f.bLinkMaxInpLenToDomain = yes(h, 14);
        f.iStartPosOfString = i16(h, 15);
        const int zoom = sqlite3_column_int(h, 16);
        f.nZoomField = int16_t(zoom == 0 || zoom == 32 ? 1 : zoom);
        f.sZoomTo = text(h, 17);
        f.sParallelMenu = text(h, 18);
        f.sZoomReturnField = text(h, 19);
        f.bDefault = yes(h, 20);
        f.sMessage = text(h, 21);
        f.bEchoField = yes(h, 22);
        f.iFieldLength = i16(h, 23);
        f.bMandatoryInput = yes(h, 24);
        f.sLanguageUnitExpression = text(h, 25);
        f.sLabelCode = text(h, 26);
        f.nOmod = i16(h, 27);
        f.Grpi = i16(h, 28);
        f.lParentField = i16(h, 29);
        f.lNextField = i16(h, 30);
        f.lChildField = i16(h, 31);
        f.bFollowUp = yes(h, 32);
        f.bImmediateBehind = yes(h, 33);
        f.bFieldInSingleOcc = yes(h, 34);
        f.bFieldInMultiOcc = yes(h, 35);
        f.nLabelAli = uint8_t(sqlite3_column_int(h, 36));
        f.nLabelXPos = i16(h, 37);
        f.bDependent = yes(h, 38);
        f.lLabelPosition = sqlite3_column_int(h, 39);
        f.iLabelLengthSO = i16(h, 40);
        f.iLabelHeightSO = i16(h, 41);
        f.iLabelLengthMO = i16(h, 42);
        f.iLabelHeightMO = i16(h, 43);
        f.nFieldEndPos = i16(h, 44);
        f.iColumnId = i16(h, 45);
        f.lOptx = sqlite3_column_int(h, 46);
        f.iFieldHeight = i16(h, 47);
        f.bIsViewField = yes(h, 48);
        f.iYesValue = i16(h, 49);
        f.sSearchField = text(h, 50);
        f.iLinkedConst = i16(h, 51);
        f.sIconName = text(h, 52);
        f.iZoomIndex = i16(h, 53);
        f.lControl = ControlKind(sqlite3_column_int(h, 54));
        f.iDataAli = i16(h, 55);
        f.bAutoEnable = yes(h, 56);
        const int misc = sqlite3_column_int(h, 57);
        f.bInGrid = misc & 1;
        f.bOccIndependentViewField = misc & 2;
        f.bInitialHidden = misc & 4;
        if (!f.sDomainPackage.isEmpty())
            f.nDomainIndex = giFindOrAddDomain(f.sDomainPackage + f.sDomainCode);
        gaIdMap.push_back({f.nOmod, sequ, false});
    }
    gaFields.resize(gaFields.size() + 200);
}

void readInputProperties(sqlite3* db, const host::FormIdentity& form)
{
    host::Statement st(db,
                       QStringLiteral("SELECT sequ, za_prop, inpc, defa FROM qxzrn302") + QLatin1String(kFormWhere));
    bindForm(st, form);
    sqlite3_stmt* h = st.handle();
    while (st.step()) {
        const size_t sequ = size_t(sqlite3_column_int(h, 0));
        if (sequ >= gaFields.size())
            continue;
        FieldRecord& f = gaFields[sequ];
        f.bInputPropsLoaded = f.bHas302Row = true;
        f.bSyncField = yes(h, 1);
        f.sInpRefExpr = text(h, 2);
        if (f.bDefault)
            f.sDefaultValue = text(h, 3);
    }
}

void readCommands(sqlite3* db, const host::FormIdentity& form)
{
    host::Statement st(db, QStringLiteral("SELECT btyp, sern, mscf, sequ FROM qxzrn316") + QLatin1String(kFormWhere));
    bindForm(st, form);
    sqlite3_stmt* h = st.handle();
    while (st.step()) {
        SpecificCommandRecord& c = gaSpecificCommands.emplace_back();
        c.nSpecificCommandId = 0;
        c.nCommandType = uint8_t(sqlite3_column_int(h, 0));
        c.nSequenceNumber = i16(h, 1);
        c.sSpecificCommand = text(h, 2);
        c.lLinkId = i16(h, 3);
        c.bExistsInHost = true;
    }
}

void BM_LoadBaseline(benchmark::State& state)
{
    Setup& s = setup();
    const int fields = int(state.range(0));
    QString why;
    std::unique_ptr<host::HostDatabase> db = s.ok ? host::HostDatabase::open(s.database, &why) : nullptr;
    if (!db) {
        state.SkipWithError("no database");
        return;
    }
    const host::FormIdentity& form = s.forms[fields];
    for (auto _ : state) {
        gInitializeArrays();
        readGroups(db->handle(), form);
        readFields(db->handle(), form);
        readInputProperties(db->handle(), form);
        readCommands(db->handle(), form);
        benchmark::DoNotOptimize(gaFields.data());
    }
    if (gnFieldCount != fields)
        state.SkipWithError("the baseline missed fields");
    state.SetItemsProcessed(int64_t(state.iterations()) * fields);
}
BENCHMARK(BM_LoadBaseline)->Arg(300)->Arg(2000)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv, {}, [](const RatioReporter& r) {
        printRatio(r, "load of 2,000 fields / baseline", "BM_LoadThroughHost/2000", "BM_LoadBaseline/2000", 2);
        printRatio(r, "load of 3,000 fields / load of 300", "BM_LoadThroughHost/3000", "BM_LoadThroughHost/300",
                   12);
    });
}
