// Import of big exchange files through the real database in a temporary
// data folder: an 8 MB file whose every row is split over two lines, and a
// file of 200,000 short lines that all join onto one row. Prints the time
// of the split-row repair alone and of the whole import, in milliseconds,
// and exits with 1 when an import took a second or more.

#include "core/database.h"
#include "core/exchangefile.h"
#include "core/formathost.h"
#include "core/textfiles.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/numtext.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A row line of 22 fields whose font name holds a line break, so that the
// row arrives as two lines.
QString splitRow(int id)
{
    QStringList f(22, QStringLiteral("0"));
    f[0] = QString::number(id);
    f[2] = QStringLiteral("收件人地址%1").arg(id);
    f[11] = QStringLiteral("宋") + kCrLf + QStringLiteral("体");
    f[13] = QStringLiteral("False");
    return f.join(xfile::FieldSeparator());
}

QString bigSplitFile(qsizetype bytes)
{
    QString text = xfile::FullSignature() + kCrLf + QStringLiteral("大文件");
    qsizetype written = cp936::Encode(text).size();
    for (int id = 1; written < bytes; ++id) {
        const QString row = kCrLf + splitRow(id);
        written += cp936::Encode(row).size();
        text += row;
    }
    return text;
}

QString shortLinesFile(int lines)
{
    QString text = xfile::FullSignature() + kCrLf + QStringLiteral("短行") + kCrLf + splitRow(1);
    text.reserve(text.size() + lines * 3);
    for (int i = 0; i < lines; ++i)
        text += kCrLf + QStringLiteral("x");
    return text;
}

bool run(const char *what, const QString &text, const QString &path)
{
    if (WriteTextFile(text, path) != TextWriteOk)
        return false;
    QElapsedTimer t;
    t.start();
    const QString read = ReadTextFile(path, false);
    QStringList lines = num::Split(read, kCrLf);
    const double reading = t.nsecsElapsed() / 1e6;
    const qsizetype before = lines.size();
    t.restart();
    xfile::RepairSplitRows(lines);
    const double repair = t.nsecsElapsed() / 1e6;

    ScriptedDialogs dlg;
    dlg.Queue(false); // do not open the format afterwards
    setDialogs(&dlg);
    FormatHostState host;
    t.restart();
    const bool ok = ImportFormat(host, path, true);
    const double import = t.nsecsElapsed() / 1e6;
    setDialogs(nullptr);
    std::printf("%s: %.1f MB, %lld lines, %lld after the repair\n", what,
                QFileInfo(path).size() / 1048576.0, qlonglong(before), qlonglong(lines.size()));
    std::printf("  reading and splitting:%8.1f ms\n", reading);
    std::printf("  repair of split rows: %8.1f ms\n", repair);
    std::printf("  whole import:         %8.1f ms%s\n", import, ok ? "" : " (refused)");
    return ok && import < 1000;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("WAYBILL_DATA_DIR", dir.path().toUtf8());
    db::Connection(); // open (and create) the database outside the timings
    const QDir d(dir.path());
    const bool big = run("8 MB, every row split", bigSplitFile(8 << 20), d.filePath("big.wlq"));
    const bool many
        = run("200,000 short lines", shortLinesFile(200000), d.filePath("short.wlq"));
    db::CloseConnection();
    return big && many ? 0 : 1;
}
