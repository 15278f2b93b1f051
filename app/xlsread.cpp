// waybill-xlsread: reads one .xls workbook for the program, which starts it
// with a request as its arguments and reads the framed reply from its
// standard output (records/xlsbook.h). FreeXL runs here, apart from the
// program, so that a damaged file that crashes or hangs it costs only this
// process. Exits with 0 when the whole reply was written.

#include "records/xlsbook.h"

#include <QFile>
#include <QStringList>
#include <cstdio>
#include <sys/resource.h>

namespace {

bool Write(const QByteArray &bytes)
{
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    // A crash on a damaged file is expected: it leaves no core file.
    const rlimit none {0, 0};
    setrlimit(RLIMIT_CORE, &none);
    // The greeting says the helper runs, before the workbook is touched.
    QByteArray greeting;
    imp::AppendFrame(greeting, QString::fromLatin1(imp::kXlsGreeting));
    if (!Write(greeting))
        return 1;
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QFile::decodeName(argv[i]);
    return Write(imp::AnswerXlsRequest(args)) ? 0 : 1;
}
