#include "Fonts.h"

#include "mod_Global.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLibrary>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTextEdit>
#include <QToolBar>
#include <QVariant>

#include <cmath>

int32_t glMaxCharWidth = 0;
std::unique_ptr<Fonts> goFonts;

namespace {

QString g_systemDirectory;

constexpr uint32_t kInvariantLocale = 0x7F;
constexpr int kDefaultDpi = 96;

struct LanguageId {
    QLocale::Language language;
    uint16_t primary;  // primary language id; the default sub-language is 1
};

constexpr LanguageId kLanguageIds[] = {
    {QLocale::English, 0x09},   {QLocale::German, 0x07},    {QLocale::French, 0x0C},
    {QLocale::Dutch, 0x13},     {QLocale::Italian, 0x10},   {QLocale::Spanish, 0x0A},
    {QLocale::Portuguese, 0x16}, {QLocale::Japanese, 0x11}, {QLocale::Chinese, 0x04},
    {QLocale::Korean, 0x12},    {QLocale::Russian, 0x19},   {QLocale::Polish, 0x15},
    {QLocale::Czech, 0x05},     {QLocale::Hungarian, 0x0E}, {QLocale::Swedish, 0x1D},
    {QLocale::Danish, 0x06},    {QLocale::NorwegianBokmal, 0x14}, {QLocale::Finnish, 0x0B},
    {QLocale::Turkish, 0x1F},   {QLocale::Greek, 0x08},
};

struct SubLanguage {
    QLocale::Language language;
    QLocale::Territory territory;
    uint16_t sub;
};

constexpr SubLanguage kSubLanguages[] = {
    {QLocale::English, QLocale::UnitedKingdom, 2}, {QLocale::English, QLocale::Australia, 3},
    {QLocale::English, QLocale::Canada, 4},        {QLocale::German, QLocale::Switzerland, 2},
    {QLocale::German, QLocale::Austria, 3},        {QLocale::French, QLocale::Belgium, 2},
    {QLocale::French, QLocale::Canada, 3},         {QLocale::French, QLocale::Switzerland, 4},
    {QLocale::Dutch, QLocale::Belgium, 2},         {QLocale::Italian, QLocale::Switzerland, 2},
    {QLocale::Spanish, QLocale::Spain, 3},         {QLocale::Spanish, QLocale::Mexico, 2},
    {QLocale::Portuguese, QLocale::Portugal, 2},   {QLocale::Chinese, QLocale::China, 2},
    {QLocale::Chinese, QLocale::Singapore, 4},
};

struct LanguageCharset {
    QLocale::Language language;
    int16_t charset;
};

constexpr int16_t kCyrillicCharset = 204;
constexpr int16_t kChineseTraditionalCharset = 136;

constexpr LanguageCharset kCharsets[] = {
    {QLocale::Japanese, 128},   {QLocale::Korean, 129},     {QLocale::Chinese, 134},
    {QLocale::Greek, 161},      {QLocale::Turkish, 162},    {QLocale::Vietnamese, 163},
    {QLocale::Hebrew, 177},     {QLocale::Arabic, 178},     {QLocale::Lithuanian, 186},
    {QLocale::Latvian, 186},    {QLocale::Estonian, 186},   {QLocale::Thai, 222},
    {QLocale::Polish, 238},     {QLocale::Czech, 238},      {QLocale::Slovak, 238},
    {QLocale::Hungarian, 238},  {QLocale::Slovenian, 238},  {QLocale::Croatian, 238},
    {QLocale::Romanian, 238},   {QLocale::Albanian, 238},
};

// A positive number as the log writes it: a blank for the sign, at most four decimals.
QString signedNumber(double v)
{
    const double rounded = std::round(v * 10000.0) / 10000.0;
    const QString digits = QString::number(rounded, 'g', 12);
    return rounded < 0 ? digits : QLatin1Char(' ') + digits;
}

bool carriesFont(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w)
           || qobject_cast<const QLabel*>(w) || qobject_cast<const QLineEdit*>(w)
           || qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w)
           || qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QGroupBox*>(w)
           || qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QStatusBar*>(w)
           || qobject_cast<const QTabBar*>(w) || qobject_cast<const QToolBar*>(w);
}

} // namespace

Fonts::Fonts() { SetLocale(); }

Fonts::~Fonts() = default;

bool Fonts::hasLocalizer() const { return m_library && m_library->isLoaded(); }

QString Fonts::localeObjectName() const { return hasLocalizer() ? m_localizerName : QStringLiteral("Fonts"); }

QString Fonts::systemDirectory()
{
    if (!g_systemDirectory.isEmpty())
        return g_systemDirectory;
    QString fromEnv = qEnvironmentVariable("PALIMOR_SYSTEM_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QLibraryInfo::path(QLibraryInfo::LibrariesPath);
}

void Fonts::setSystemDirectory(const QString& dir) { g_systemDirectory = dir; }

uint32_t Fonts::localeId(const QLocale& locale)
{
    for (const LanguageId& l : kLanguageIds) {
        if (l.language != locale.language())
            continue;
        uint16_t sub = 1;
        for (const SubLanguage& s : kSubLanguages)
            if (s.language == locale.language() && s.territory == locale.territory())
                sub = s.sub;
        return uint32_t(sub) << 10 | l.primary;
    }
    return kInvariantLocale;
}

int16_t Fonts::charsetOf(const QLocale& locale)
{
    if (locale.script() == QLocale::CyrillicScript)
        return kCyrillicCharset;
    if (locale.language() == QLocale::Chinese && locale.script() == QLocale::TraditionalHanScript)
        return kChineseTraditionalCharset;
    for (const LanguageCharset& c : kCharsets)
        if (c.language == locale.language())
            return c.charset;
    return 0;
}

double Fonts::pointSize(int32_t height, int32_t internalLeading, int32_t pixelsPerInch)
{
    if (pixelsPerInch <= 0)
        return 0.0;
    return double(height - internalLeading) * 72.0 / double(pixelsPerInch);
}

QString Fonts::localeLibraryPath(const QString& programFileName, uint32_t lcid)
{
    const QString stem = QFileInfo(programFileName).completeBaseName().left(4).toUpper();
    return systemDirectory() + QLatin1Char('/') + stem + QLatin1Char('L') + QString::number(lcid, 16).toUpper()
           + QStringLiteral(".so");
}

void Fonts::SetLocale()
{
    m_library.reset();
    m_localizerName.clear();
    const uint32_t lcid = localeId(QLocale::system());
    const QString programFile = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QString file = localeLibraryPath(programFile, lcid);
    if (!QFileInfo(file).isFile())
        return;
    // A library that does not load leaves the instance itself as the locale object.
    auto library = std::make_unique<QLibrary>(file);
    if (!library->load())
        return;
    m_library = std::move(library);
    m_localizerName = QFileInfo(programFile).completeBaseName().left(4).toUpper() + QLatin1Char('L')
                      + QString::number(lcid, 16).toUpper() + QStringLiteral(".Localizer");
}

Fonts::FontDesc Fonts::DefaultFont()
{
    FontDesc desc;
    const QFont font = QGuiApplication::font();
    const QFontInfo info(font);
    const QFontMetrics metrics(font);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen ? qRound(screen->logicalDotsPerInchY()) : kDefaultDpi;

    desc.Name = info.family();
    // Cell height less internal leading is the em height in pixels.
    const int emPixels = info.pixelSize() > 0 ? info.pixelSize() : qRound(font.pointSizeF() * dpi / 72.0);
    const double size = pointSize(metrics.height(), metrics.height() - emPixels, dpi);
    if (size > 0)
        desc.Size = size;
    desc.Charset = charsetOf(QLocale::system());
    glMaxCharWidth = metrics.maxWidth();

    gWriteLog(QStringLiteral("Font used: '") + desc.Name + QStringLiteral("' ;size: ") + signedNumber(desc.Size)
              + QStringLiteral(" charset: '") + numberWithSign(desc.Charset) + QLatin1Char('\''));
    return desc;
}

void Fonts::SetDefaultFont(QObject* ctl)
{
    const FontDesc desc = DefaultFont();
    if (!ctl || ctl->metaObject()->indexOfProperty("font") < 0)
        return;
    QFont font = ctl->property("font").value<QFont>();
    if (!desc.Name.isEmpty())
        font.setFamily(desc.Name);
    if (desc.Size > 0)
        font.setPointSizeF(desc.Size);
    // Qt fonts have no character set; the control keeps it beside its font.
    ctl->setProperty("fontCharset", int(desc.Charset));
    font.setWeight(QFont::Weight(desc.Weight));
    ctl->setProperty("font", font);
}

void Fonts::SetDefaultFontOfControls(QWidget* window)
{
    if (!window)
        return;
    const QList<QWidget*> children = window->findChildren<QWidget*>();
    for (QWidget* w : children)
        if (carriesFont(w))
            SetDefaultFont(w);
}

void resetFonts()
{
    goFonts.reset();
    glMaxCharWidth = 0;
    g_systemDirectory.clear();
}
