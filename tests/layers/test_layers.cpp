// The include rules of the layers (docs/ARCHITECTURE.md), read from the source tree: no
// file includes a header of a layer it may not see, the editor sees nothing of the
// local host but VrokApplication.h, only the main window and the program include the
// main window's header, and no modules include each other in a circle.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

namespace {

// First match wins: the host's public folder before the rest of the host, the windows'
// services before the rest of the services.
struct Layer {
    const char* name;
    QStringList folders;
    QStringList mayInclude;  // besides its own
};

const QList<Layer>& layers()
{
    static const QStringList editorBase = {QStringLiteral("ports"), QStringLiteral("wire"), QStringLiteral("host api")};
    static const QStringList windows = {QStringLiteral("src/services/ui/"), QStringLiteral("src/mainwindow/"),
                                        QStringLiteral("src/properties/"), QStringLiteral("src/layout/"),
                                        QStringLiteral("src/exchange/")};
    static const QList<Layer> table = {
        {"ports", {QStringLiteral("src/platform/")}, {}},
        {"wire", {QStringLiteral("wire/")}, {}},
        {"host api", {QStringLiteral("host/include/")}, {}},
        {"host", {QStringLiteral("host/")}, {QStringLiteral("host api"), QStringLiteral("wire")}},
        {"windows", windows,
         editorBase + QStringList{QStringLiteral("services"), QStringLiteral("hostlink"), QStringLiteral("model")}},
        {"services", {QStringLiteral("src/services/")}, editorBase},
        {"hostlink", {QStringLiteral("src/hostlink/")}, editorBase + QStringList{QStringLiteral("services")}},
        {"model", {QStringLiteral("src/model/")},
         editorBase + QStringList{QStringLiteral("services"), QStringLiteral("hostlink")}},
        {"app", {QStringLiteral("src/app/")},
         editorBase
             + QStringList{QStringLiteral("services"), QStringLiteral("hostlink"), QStringLiteral("model"),
                           QStringLiteral("windows")}},
    };
    return table;
}

const Layer* layerOf(const QString& path)
{
    for (const Layer& l : layers())
        for (const QString& folder : l.folders)
            if (path.startsWith(folder))
                return &l;
    return nullptr;
}

QString stem(const QString& path) { return path.section(u'/', -1).section(u'.', 0, 0); }

// Every source file under src, host and wire, and what its include lines name.
class SourceTree {
public:
    explicit SourceTree(const QString& root)
    {
        static const QRegularExpression include(QStringLiteral(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])"));
        for (const char* top : {"src", "host", "wire"}) {
            QDirIterator it(root + u'/' + QLatin1String(top), {QStringLiteral("*.h"), QStringLiteral("*.cpp")},
                            QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString file = QDir(root).relativeFilePath(it.next());
                QFile f(it.filePath());
                EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
                for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n'))
                    if (const QRegularExpressionMatch m = include.match(line); m.hasMatch())
                        m_includes[file] << m.captured(1);
                m_files << file;
                if (file.endsWith(QLatin1String(".h")))
                    m_headers << file;
            }
        }
        std::sort(m_files.begin(), m_files.end());
    }

    const QStringList& files() const { return m_files; }
    const QStringList& headers() const { return m_headers; }
    QStringList includes(const QString& file) const { return m_includes.value(file); }

    // The headers of the tree an include line may mean: the one beside the file, else
    // every header whose path ends in what it names. System and generated headers: none.
    QStringList resolve(const QString& file, const QString& named) const
    {
        const QString beside = QDir::cleanPath(file.section(u'/', 0, -2) + u'/' + named);
        if (m_headers.contains(beside))
            return {beside};
        QStringList found;
        for (const QString& h : m_headers)
            if (h.endsWith(u'/' + named))
                found << h;
        return found;
    }

private:
    QStringList m_files;
    QStringList m_headers;
    QHash<QString, QStringList> m_includes;
};

// "file includes named (layer of the header, seen from layer of the file)".
QStringList layerBreaches(const SourceTree& tree)
{
    QStringList out;
    for (const QString& file : tree.files()) {
        const Layer* from = layerOf(file);
        for (const QString& named : tree.includes(file))
            for (const QString& header : tree.resolve(file, named)) {
                const Layer* to = layerOf(header);
                if (from && to && from != to && !from->mayInclude.contains(QLatin1String(to->name)))
                    out << QStringLiteral("%1 includes %2 (%3, from %4)")
                               .arg(file, named, QLatin1String(to->name), QLatin1String(from->name));
            }
    }
    return out;
}

// Include lines under src that name a header of the host folder by its file name,
// wherever it is looked for, except VrokApplication.h.
QStringList hostHeadersInEditor(const SourceTree& tree)
{
    QSet<QString> hostNames;
    for (const QString& h : tree.headers())
        if (h.startsWith(QLatin1String("host/")))
            hostNames << h.section(u'/', -1);
    hostNames.remove(QStringLiteral("VrokApplication.h"));
    QStringList out;
    for (const QString& file : tree.files())
        if (file.startsWith(QLatin1String("src/")))
            for (const QString& named : tree.includes(file))
                if (hostNames.contains(named.section(u'/', -1)))
                    out << file + QStringLiteral(" includes ") + named;
    return out;
}

// The other windows and the clipboard talk to the main window through its interface.
QStringList mainWindowIncludes(const SourceTree& tree)
{
    QStringList out;
    for (const QString& file : tree.files()) {
        const bool own = file.startsWith(QLatin1String("src/mainwindow/frm_Palimor"))
                         || file.startsWith(QLatin1String("src/app/"));
        for (const QString& named : tree.includes(file))
            if (!own && named.section(u'/', -1) == QLatin1String("frm_Palimor.h"))
                out << file;
    }
    return out;
}

// Modules as the include-circle tool sees them: a header and its sources (foo.h with
// foo.cpp, and foo_Part.cpp when foo_Part.h does not exist). Each circle: its modules.
QStringList moduleCircles(const SourceTree& tree)
{
    QSet<QString> modules;
    for (const QString& h : tree.headers())
        modules << stem(h);
    auto moduleOf = [&modules](const QString& file) {
        QString s = stem(file);
        while (!modules.contains(s) && s.contains(u'_'))
            s = s.section(u'_', 0, -2);
        return modules.contains(s) ? s : stem(file);
    };
    QHash<QString, QSet<QString>> uses;
    for (const QString& file : tree.files())
        for (const QString& named : tree.includes(file))
            if (const QString to = stem(named); modules.contains(to) && to != moduleOf(file))
                uses[moduleOf(file)] << to;

    // Tarjan's strongly connected components.
    QHash<QString, int> index, low;
    QStringList stack;
    QStringList circles;
    std::function<void(const QString&)> visit = [&](const QString& v) {
        index[v] = low[v] = int(index.size());
        stack << v;
        for (const QString& w : uses.value(v)) {
            if (!index.contains(w)) {
                visit(w);
                low[v] = std::min(low[v], low[w]);
            } else if (stack.contains(w)) {
                low[v] = std::min(low[v], index[w]);
            }
        }
        if (low[v] != index[v])
            return;
        QStringList circle;
        do
            circle << stack.takeLast();
        while (circle.constLast() != v);
        if (circle.size() > 1) {
            circle.sort();
            circles << circle.join(QStringLiteral(", "));
        }
    };
    QStringList all(modules.cbegin(), modules.cend());
    all.sort();
    for (const QString& m : all)
        if (!index.contains(m))
            visit(m);
    circles.sort();
    return circles;
}

std::string lines(const QStringList& l) { return l.join(u'\n').toStdString(); }

TEST(Layers, TheSourceTreeKeepsEveryRule)
{
    const SourceTree tree(QStringLiteral(PALIMOR_SOURCE_DIR));
    ASSERT_GT(tree.files().size(), 100);
    EXPECT_TRUE(layerBreaches(tree).isEmpty()) << lines(layerBreaches(tree));
    EXPECT_TRUE(hostHeadersInEditor(tree).isEmpty()) << lines(hostHeadersInEditor(tree));
    EXPECT_TRUE(mainWindowIncludes(tree).isEmpty()) << lines(mainWindowIncludes(tree));
    EXPECT_TRUE(moduleCircles(tree).isEmpty()) << lines(moduleCircles(tree));
}

// A small tree with one breach of each rule beside includes that are allowed.
TEST(Layers, EachRuleFindsItsBreachAndNothingElse)
{
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QHash<QString, QString> files = {
        {QStringLiteral("host/include/VrokApplication.h"), QString()},
        {QStringLiteral("host/local_host.h"), QStringLiteral("#include \"VrokApplication.h\"\n#include <QString>")},
        {QStringLiteral("host/dispatcher.h"), QString()},
        {QStringLiteral("host/dispatcher.cpp"), QStringLiteral("#include \"functions.h\"")},
        {QStringLiteral("host/functions.h"), QString()},
        {QStringLiteral("host/functions_labels.cpp"), QStringLiteral("#include \"dispatcher.h\"")},
        {QStringLiteral("host/gui/windows.cpp"), QStringLiteral("  #  include \"model/mod_Palimor.h\"")},
        {QStringLiteral("wire/call_text.h"), QString()},
        {QStringLiteral("src/services/mod_Global.h"), QStringLiteral("#include <call_text.h>")},
        {QStringLiteral("src/services/mod_Global.cpp"), QStringLiteral("#include \"mod_Texts.h\"")},
        {QStringLiteral("src/hostlink/mod_Texts.h"), QStringLiteral("#include \"mod_Global.h\"")},
        {QStringLiteral("src/services/mod_Help.cpp"), QStringLiteral("#include \"Fonts.h\"")},
        {QStringLiteral("src/services/ui/Fonts.h"), QString()},
        {QStringLiteral("src/hostlink/mod_External.cpp"),
         QStringLiteral("#include <VrokApplication.h>\n#include \"../../host/local_host.h\"")},
        {QStringLiteral("src/model/mod_Palimor.h"), QStringLiteral("#include \"mod_Texts.h\"")},
        {QStringLiteral("src/mainwindow/frm_Palimor.h"), QStringLiteral("#include \"mod_Palimor.h\"")},
        {QStringLiteral("src/mainwindow/frm_Palimor_Edit.cpp"), QStringLiteral("#include \"frm_Palimor.h\"")},
        {QStringLiteral("src/properties/frm_Properties.cpp"), QStringLiteral("#include \"frm_Palimor.h\"")},
        {QStringLiteral("src/app/main.cpp"), QStringLiteral("#include \"frm_Palimor.h\"")},
    };
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = dir.filePath(it.key());
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(it.value().toUtf8());
    }

    const SourceTree tree(dir.path());
    EXPECT_EQ(layerBreaches(tree),
              QStringList({QStringLiteral("host/gui/windows.cpp includes model/mod_Palimor.h (model, from host)"),
                           QStringLiteral("src/hostlink/mod_External.cpp includes ../../host/local_host.h "
                                          "(host, from hostlink)"),
                           QStringLiteral("src/services/mod_Global.cpp includes mod_Texts.h "
                                          "(hostlink, from services)"),
                           QStringLiteral("src/services/mod_Help.cpp includes Fonts.h (windows, from services)")}));
    EXPECT_EQ(hostHeadersInEditor(tree),
              QStringList{QStringLiteral("src/hostlink/mod_External.cpp includes ../../host/local_host.h")});
    EXPECT_EQ(mainWindowIncludes(tree), QStringList{QStringLiteral("src/properties/frm_Properties.cpp")});
    EXPECT_EQ(moduleCircles(tree), QStringList({QStringLiteral("dispatcher, functions"),
                                                QStringLiteral("mod_Global, mod_Texts")}));
}

} // namespace
