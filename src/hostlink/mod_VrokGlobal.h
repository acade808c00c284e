#pragma once
// The current form identity and the start record the host passes on the command line.
#include <QString>
#include <cstdint>
#include <vector>

#include <data_sets.h>

// A text that is always exactly N characters: shorter values are padded with blanks
// on the right, longer ones cut. Reads as a const QString.
template <int N>
class FixedString {
public:
    FixedString() : m_text(N, QLatin1Char(' ')) {}
    FixedString(const QString& text) { assign(text); }
    FixedString(const char* text) { assign(QString::fromUtf8(text)); }

    FixedString& operator=(const QString& text)
    {
        assign(text);
        return *this;
    }
    FixedString& operator=(const char* text)
    {
        assign(QString::fromUtf8(text));
        return *this;
    }

    const QString& str() const { return m_text; }
    operator const QString&() const { return m_text; }
    const QString* operator->() const { return &m_text; }
    static constexpr int width() { return N; }

    template <int M>
    friend bool operator==(const FixedString& a, const FixedString<M>& b) { return a.m_text == b.str(); }
    friend bool operator==(const FixedString& a, const QString& b) { return a.m_text == b; }
    friend bool operator==(const QString& a, const FixedString& b) { return a == b.m_text; }
    friend bool operator==(const FixedString& a, const char* b) { return a.m_text == QString::fromUtf8(b); }
    friend bool operator!=(const FixedString& a, const QString& b) { return !(a == b); }
    friend bool operator!=(const QString& a, const FixedString& b) { return !(a == b); }
    friend bool operator!=(const FixedString& a, const char* b) { return !(a == b); }
    friend QString operator+(const FixedString& a, const QString& b) { return a.m_text + b; }
    friend QString operator+(const QString& a, const FixedString& b) { return a + b.m_text; }
    friend QString operator+(const FixedString& a, const char* b) { return a.m_text + QString::fromUtf8(b); }
    friend QString operator+(const char* a, const FixedString& b) { return QString::fromUtf8(a) + b.m_text; }
    template <int M>
    friend QString operator+(const FixedString& a, const FixedString<M>& b) { return a.m_text + b.str(); }

private:
    void assign(const QString& text) { m_text = datasets::fixedWidth(text, N); }
    QString m_text;
};

// ---- Current form identity (fixed once the design definitions are loaded) --------
// Every stored row is keyed by it: a version or language a host session answers later
// is never taken into it.
extern FixedString<2> gsPackage;
extern FixedString<3> gsModule;
extern QString gsFormCode;          // trimmed
extern FixedString<1> gsLanguage;
extern FixedString<1> gsLabelLanguage;
extern FixedString<1> gsDesignLanguage;
extern QString gsUserLanguage;      // one character, or "" when the host gave none
extern FixedString<4> gsVersion;
extern FixedString<2> gsRelease;
extern FixedString<4> gsCustomer;
extern QString gsTable;             // 8 characters (package 2, module 3, number 3) or ""
extern int16_t giStartMode;
extern int16_t giToolsVersion;
extern FixedString<1> gsOpenMode;   // "r" read-only, "a"/"i" unattended runs, " "/"w" editing
extern QString gsHeader;
extern QString gsAutomationClass;

// The host session of the form (set by the form choice at start).
extern QString gsSession;
extern QString gsSessionVersion;
extern QString gsSessionRelease;
extern QString gsSessionCustomer;
extern QString gsTablePackage;
extern QString gsTableModule;
extern QString gsTableNumber;
extern QString gsSessionModule;
extern QString gsProgramScript;
extern bool gbFormTypeChecked;

// The command line that switches to the automation-class prompt.
inline constexpr char kChooseClassSwitch[] = "-tarnsel";
inline constexpr char kDefaultAutomationClass[] = "Vrok.Application";

// Reads the start record of the command line into the globals above.
void mReadStartParameters();

// The value of the first field of the start record's form identity (package to
// customer) whose columns held a byte that is no text, those bytes shown as by
// gsShowControls; "" when none did. Such a byte reads as U+FFFD, which the host would
// store as it stands: the load refuses the form while this is set. A form chosen in the
// form browser clears it.
extern QString gsUndecodableIdentity;

// The characters no identity value may hold: the C0 and C1 controls and DEL.
bool gbIsControlCharacter(QChar c);
// The text with each control character shown as "<XX>", its code in hex: a message
// showing it stays on its lines.
QString gsShowControls(const QString& text);

// Characters from the 1-based position start up to the next comma (or the end).
int32_t mlLengthToComma(const QString& text, int32_t start);

bool gbNoSessionTable();
bool gbIsStartMode4();

// Flag numbers of the design tables: bits 0 to 8, one Boolean each.
bool gbBitSet(int32_t number, int16_t bit);
// flags[i] becomes bit i; more than nine flags give 0.
int32_t glBitsToLong(const std::vector<bool>& flags);

void resetVrokGlobal();
