// The command line: any arguments (cut at NUL bytes) give either the empty
// record or a record whose data file exists.

#include "core/startup.h"
#include "fuzzsupport.h"

#include <QFileInfo>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList args = fuzz::Utf8Parts(data, size);
    const StartupRecord rec = ParseCommandLine(args);
    if (!rec.DataFile.isEmpty())
        FUZZ_CHECK(QFileInfo(rec.DataFile).isFile(), rec.DataFile);
    return 0;
}
