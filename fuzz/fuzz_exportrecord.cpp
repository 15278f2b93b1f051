// The export record a recovery reads at the start: any bytes, in a folder of
// its own. Targets outside that folder are refused, so whatever the bytes
// say, nothing outside it is touched; the recovery ends with no record in
// the way (completed, or renamed aside) and never crashes.

#include "fuzzsupport.h"
#include "platform/safefile.h"

#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Fixed, so that the seeds can name files in it.
    static const QString folder = QDir::tempPath() + QStringLiteral("/waybill-fuzz-record");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QString record = folder + QStringLiteral("/export.pending");
    QFile f(record);
    if (!f.open(QIODevice::WriteOnly) || f.write(fuzz::Bytes(data, size)) != qint64(size))
        return 0;
    f.close();
    // A few files a record may name.
    for (const char *name : {"/a.wlq", "/a.jpg", "/.a.wlq.abcd1234", "/.a.jpg.abcd1234"}) {
        QFile file(folder + QString::fromLatin1(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(name);
    }
    safefile::RecoverRules rules;
    rules.accept = [](const QStringList &targets) {
        for (const QString &t : targets)
            if (!t.startsWith(folder + u'/'))
                return false;
        return true;
    };
    const safefile::RecoverResult r = safefile::Recover(record, rules);
    FUZZ_CHECK(r.what != safefile::Recovery::NotAFile && r.what != safefile::Recovery::Unreadable,
               r.record);
    FUZZ_CHECK(r.what == safefile::Recovery::Stuck || !QFile::exists(record), r.record);
    return 0;
}
