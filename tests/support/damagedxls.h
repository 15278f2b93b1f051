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

// A workbook whose one sheet has lost its entry in the workbook's sheet list
// (the BOUNDSHEET record's type 0x0085 changed to an unknown 0x0086):
// FreeXL opens it and lists no sheet.
inline bool MakeSheetlessXls(const QString &path)
{
    const QString py = QStringLiteral(
        "import sys, xlwt\n"
        "wb = xlwt.Workbook(encoding='utf-8')\n"
        "wb.add_sheet('Shipments2026').write(0, 0, 'x')\n"
        "wb.save(sys.argv[1])\n"
        "data = bytearray(open(sys.argv[1], 'rb').read())\n"
        "data[data.index(b'\\x85\\x00\\x15\\x00')] = 0x86\n"
        "open(sys.argv[1], 'wb').write(data)\n");
    return RunCommand(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), py, path}) == 0;
}
