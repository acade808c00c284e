// Replays fuzz inputs without libFuzzer: every file named, and every file of every
// folder named, goes once to the target's entry function. The sanitizer build runs the
// kept corpora through it, so that a crash once found and mended stays mended.
#include "FuzzInput.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <vector>

int main(int argc, char** argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QFileInfo named(QString::fromLocal8Bit(argv[i]));
        const QFileInfoList files =
            named.isDir() ? QDir(named.filePath()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)
                          : QFileInfoList{named};
        for (const QFileInfo& file : files) {
            QFile in(file.filePath());
            if (!in.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.filePath()));
                return 2;
            }
            const QByteArray bytes = in.readAll();
            // A copy of the exact size, so that a read past the end is caught.
            const std::vector<uint8_t> data(bytes.begin(), bytes.end());
            // The last name shown is the input a failure stopped at.
            std::fprintf(stderr, "%s\n", qPrintable(file.fileName()));
            LLVMFuzzerTestOneInput(data.data(), data.size());
            ++replayed;
        }
    }
    std::printf("%d inputs replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
