#include "Process.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

QString g_commandLine;
QList<UndecodableByte> g_undecodable;
QString g_programDirectory;

// The length of the UTF-8 character at p (1 to 4 bytes), or 0 when the bytes there are
// none: a stray continuation byte, a cut-off sequence, an overlong form, a surrogate, a
// code point past U+10FFFF.
int utf8Length(const uchar* p, qsizetype left)
{
    const uchar lead = p[0];
    if (lead < 0x80)
        return 1;
    int length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0)
        length = 2, code = lead & 0x1F, least = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, code = lead & 0x0F, least = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, code = lead & 0x07, least = 0x10000;
    else
        return 0;
    if (left < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

std::function<void(int)>& endHandler()
{
    static std::function<void(int)> handler;
    return handler;
}

[[noreturn]] void exitNow(int status)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}

} // namespace

QString commandLine() { return g_commandLine; }

void setCommandLine(const QString& line)
{
    g_commandLine = line;
    g_undecodable.clear();
}

void setCommandLineFromArguments(const QList<QByteArray>& argumentsAfterProgram)
{
    setCommandLine(QString());
    for (qsizetype a = 0; a < argumentsAfterProgram.size(); ++a) {
        if (a > 0)
            g_commandLine += QLatin1Char(' ');
        const QByteArray& bytes = argumentsAfterProgram[a];
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
        qsizetype text = 0;  // start of the text not yet added
        for (qsizetype i = 0; i < bytes.size();) {
            const int length = utf8Length(p + i, bytes.size() - i);
            if (length > 0) {
                i += length;
                continue;
            }
            g_commandLine += QString::fromUtf8(bytes.constData() + text, i - text);
            g_undecodable.append({g_commandLine.size(), p[i]});
            g_commandLine += QChar(QChar::ReplacementCharacter);
            text = ++i;
        }
        g_commandLine += QString::fromUtf8(bytes.constData() + text, bytes.size() - text);
    }
}

const QList<UndecodableByte>& undecodableBytes() { return g_undecodable; }

QString programDirectory()
{
    if (!g_programDirectory.isEmpty())
        return g_programDirectory;
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return {};
}

void setProgramDirectory(const QString& dir) { g_programDirectory = dir; }

void endProgram(int status)
{
    if (const std::function<void(int)> handler = endHandler())
        handler(status);
    exitNow(status);
}

void setEndProgramHandler(std::function<void(int)> handler) { endHandler() = std::move(handler); }

void resetProcess()
{
    setCommandLine(QString());
    g_programDirectory.clear();
    endHandler() = nullptr;
}

} // namespace platform
