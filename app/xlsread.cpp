// waybill-xlsread: reads one .xls workbook for the program, which starts it
// with a request as its arguments and reads the framed reply from its
// standard output (records/xlsbook.h). FreeXL runs here, apart from the
// program, so that a damaged file that crashes or hangs it costs only this
// process. Exits with 0 when the whole reply was written.

#include "records/xlsbook.h"

#include <QFile>
#include <QStringList>
#include <cstdio>

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QFile::decodeName(argv[i]);
    const QByteArray reply = imp::AnswerXlsRequest(args);
    const size_t n = std::fwrite(reply.constData(), 1, size_t(reply.size()), stdout);
    return n == size_t(reply.size()) && std::fflush(stdout) == 0 ? 0 : 1;
}
