// The exchange-file reader: any file is either refused or imported whole
// into a fresh database (split rows repaired, every field read), and the
// repair never loses or reorders text.

#include "core/database.h"
#include "core/exchangefile.h"
#include "core/formathost.h"
#include "fuzzsupport.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"

#include <QDir>
#include <QFile>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::InitApp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QString crlf = QStringLiteral("\r\n");
    const QString text = cp936::Decode(bytes);
    QStringList lines = num::Split(text, crlf);
    xfile::RepairSplitRows(lines);
    FUZZ_CHECK(lines.join(crlf) == text, text);
    for (qsizetype i = 3; i < lines.size(); ++i)
        FUZZ_CHECK(num::Split(lines.at(i), xfile::FieldSeparator()).size() >= 21, lines.at(i));

    const QString path = QDir(qEnvironmentVariable("WAYBILL_DATA_DIR")).filePath("fz.wlq");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        fuzz::Fail("write the input file", __FILE__, __LINE__, path);
    f.close();
    fuzz::Dialogs().Clear();
    static FormatHostState host;
    const bool added = ImportFormat(host, path, true);
    const auto rows = db::OpenRecordset(QStringLiteral("SELECT ID FROM Fmt WHERE Fmt='fz'"));
    FUZZ_CHECK(rows.has_value(), QStringLiteral("query"));
    // All rows or none: a refused file leaves nothing behind.
    FUZZ_CHECK(added ? rows->size() == lines.size() - 2 : rows->empty(),
               QString::number(rows->size()));
    db::ExecuteSQL(QStringLiteral("DELETE FROM Fmt WHERE Fmt='fz'"));
    return 0;
}
