// The update set's records as the host reads them: the input's pieces between NUL bytes
// are the parts of one set, the prefix carried from part to part; the key and record
// texts of every record read are read as design texts. A part refused leaves the
// prefix as it was.
#include "FuzzInput.h"

#include "update_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace host::updateset;
    std::optional<QString> prefix;
    for (const QString& part : fuzz::parts(data, size)) {
        const std::optional<QString> before = prefix;
        QString why;
        const std::optional<std::vector<SetRecord>> records = parseSetText(part, prefix, &why);
        if (!records) {
            FUZZ_CHECK(!why.isEmpty() && prefix == before);
            continue;
        }
        for (const SetRecord& r : *records) {
            for (const QString& text : {r.key, r.record}) {
                why.clear();
                if (!parseDesignText(text, &why))
                    FUZZ_CHECK(!why.isEmpty());
            }
        }
    }
    return 0;
}
