// The command line: any arguments (cut at NUL bytes) give either the empty
// record or a record whose data file exists; a note only with the empty
// record.

#include "core/startup.h"
#include "fuzzsupport.h"

#include <QFileInfo>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList args = fuzz::Utf8Parts(data, size);
    const CommandLineRequest request = ReadCommandLine(args);
    const StartupRecord &rec = request.record;
    if (!rec.DataFile.isEmpty())
        FUZZ_CHECK(QFileInfo(rec.DataFile).isFile(), rec.DataFile);
    // Something to tell only about a request that was not taken.
    if (!request.note.isEmpty())
        FUZZ_CHECK(rec.DataFile.isEmpty(), request.note);
    return 0;
}
