#pragma once
// A damaged workbook as users meet it: 2,000 rows by 4 columns of text
// written by python3-xlwt (about 280 kB), with the byte at offset 102916
// changed to 0x77. That byte is a string's option flags in the shared string
// table; FreeXL's freexl_open dies on it with SIGSEGV.

#include "support/testenv.h"

#include <QFile>
#include <QString>

inline bool MakeBigXls(const QString &path)
{
    const QString py = QStringLiteral(
        "import sys, xlwt\n"
        "wb = xlwt.Workbook(encoding='utf-8')\n"
        "ws = wb.add_sheet('Shipments2026')\n"
        "for r in range(2000):\n"
        "    for c in range(4):\n"
        "        ws.write(r, c, 'R%d C%d text' % (r, c))\n"
        "wb.save(sys.argv[1])\n");
    return RunCommand(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), py, path}) == 0;
}

inline bool MakeDamagedXls(const QString &path)
{
    if (!MakeBigXls(path))
        return false;
    QFile f(path);
    return f.open(QIODevice::ReadWrite) && f.seek(102916) && f.write("\x77", 1) == 1;
}
