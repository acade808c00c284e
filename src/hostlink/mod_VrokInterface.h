#pragma once
// The host automation link: connect, call host functions, read their out-arguments.
#include <QString>
#include <cstdint>
#include <memory>
#include <variant>
#include <deque>
#include <functional>

#include <VrokApplication.h>

// The host's return value: the 16-bit 0 when it was empty, else its text.
using VrokResult = std::variant<int16_t, QString>;

// Out-arguments of the last call that asked for them, indexed by argument position
// (1-based). Positions lowerBound() to upperBound() are valid.
template <typename T>
class OutArgArray {
public:
    void redim(int16_t first, int16_t last)
    {
        m_first = first;
        m_items.assign(last >= 0 ? size_t(last) + 1 : 0, T{});
    }
    bool inBounds(int32_t p) const { return p >= m_first && p >= 0 && p < int32_t(m_items.size()); }
    int16_t lowerBound() const { return m_first; }
    int16_t upperBound() const { return int16_t(int32_t(m_items.size()) - 1); }
    T& operator()(int32_t p) { return m_items.at(size_t(p)); }
    T operator()(int32_t p) const { return m_items.at(size_t(p)); }
    T& operator[](int32_t p) { return m_items.at(size_t(p)); }
    T operator[](int32_t p) const { return m_items.at(size_t(p)); }

private:
    int16_t m_first = 0;
    std::deque<T> m_items;  // a real container for bool too
};

extern std::unique_ptr<VrokApplication> goVrokApp;
extern OutArgArray<int32_t> galOutArgs;
extern OutArgArray<QString> gasOutArgs;
extern OutArgArray<bool> gabOutArgIsNumber;

// Exit status when an automation call fails and the program ends.
inline constexpr int kAutomationFailureExit = 3;

// Reads the start record and creates the automation object; false after showing why.
bool gbConnectVrok();

// Makes the automation object for a class name; createVrokObject unless replaced.
using VrokObjectFactory = std::function<std::unique_ptr<VrokApplication>(const QString& className)>;
void setVrokObjectFactory(VrokObjectFactory factory);

// Calls a host function. True when the host reported no error and the returned call
// could be read; result then holds the return value. Out-arguments firstOut to
// lastOut are parsed when firstOut > 0. An automation failure ends the program.
bool gbExecuteFunction(const QString& objectName, const QString& callText, int16_t firstOut, int16_t lastOut,
                       VrokResult& result);

int32_t glGetLongArg(int32_t n);
QString gsGetStringArg(int32_t n);

// Fills the out-argument arrays from the returned call; false (after showing message
// kind 2, number 5 or 6) when an argument has no terminator.
bool mParseReturnCall(const QString& callText, const QString& returnCall, int16_t firstOut, int16_t lastOut);

QString gsQuote(const QString& text);
QString gsEnclose(const QString& text);
QString gsQuoteNested(const QString& text);
int32_t giCountDoubledQuotes(const QString& text);
QString gsUnquote(const QString& text);

// End the link and the program; do nothing without a link.
void gCloseVrok(int exitStatus = 0);
void gCloseVrokAndUnload(int exitStatus = 0);

// Drops the link without shutting it down, clears the out-arguments and restores the
// object factory (tests).
void resetVrokInterface();
