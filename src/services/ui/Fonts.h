#pragma once
// The default GUI font that every window gives its controls, and the optional locale
// library of the system locale.
#include <QFont>
#include <QString>
#include <cstdint>
#include <memory>

class QLibrary;
class QLocale;
class QObject;
class QWidget;

// Maximum character width in pixels of the default GUI font, rewritten by every
// DefaultFont().
extern int32_t glMaxCharWidth;

class Fonts {
public:
    // A font description: face, size in points, character set and weight.
    struct FontDesc {
        QString Name;
        double Size = 0.0;
        int16_t Charset = 0;
        int16_t Weight = 400;  // normal
    };

    // Runs SetLocale.
    Fonts();
    ~Fonts();
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;

    // Looks for the locale library of the system locale and keeps its localizer;
    // without one the instance itself is the locale object. Never fails.
    void SetLocale();
    // Measures the default GUI font, sets glMaxCharWidth and logs "Font used: ...".
    FontDesc DefaultFont();
    // Gives ctl (anything with a "font" property) the default font's name, size,
    // character set and weight, in that order; other objects are left alone.
    void SetDefaultFont(QObject* ctl);
    // SetDefaultFont on every control of a window whose kind carries a font.
    void SetDefaultFontOfControls(QWidget* window);

    // True when a localizer was made from a locale library.
    bool hasLocalizer() const;
    // Name of the locale object: the localizer's class, or "Fonts" for the instance.
    QString localeObjectName() const;

    // The locale library's path for a program name and locale id, in the system
    // directory: first four characters of the name, "L", the id in hexadecimal.
    static QString localeLibraryPath(const QString& programFileName, uint32_t lcid);
    // Locale id of a locale (0x409 for US English); 0x7F (invariant) when unknown.
    static uint32_t localeId(const QLocale& locale);
    // Character set number of the fonts for a locale (0 for Western scripts).
    static int16_t charsetOf(const QLocale& locale);
    // Points of a font whose cell height less internal leading is height pixels.
    static double pointSize(int32_t height, int32_t internalLeading, int32_t pixelsPerInch);
    // The directory searched for locale libraries: one set here, else
    // $PALIMOR_SYSTEM_DIR, else the system's library directory.
    static QString systemDirectory();
    static void setSystemDirectory(const QString& dir);

private:
    std::unique_ptr<QLibrary> m_library;
    QString m_localizerName;
};

// The one instance, created by the main window's load.
extern std::unique_ptr<Fonts> goFonts;

// Drops goFonts and the system directory set for tests.
void resetFonts();
