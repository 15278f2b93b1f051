#include "fuzzsupport.h"

#include "platform/dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

QString Utf8(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

QString Utf16(const uint8_t *data, size_t size)
{
    QString s;
    s.resize(qsizetype(size / 2));
    for (size_t i = 0; i + 1 < size; i += 2)
        s[qsizetype(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    return s;
}

QStringList Utf8Parts(const uint8_t *data, size_t size)
{
    QStringList parts;
    size_t start = 0;
    for (size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == 0) {
            parts << Utf8(data + start, i - start);
            start = i + 1;
        }
    }
    return parts;
}

ScriptedDialogs &Dialogs()
{
    static ScriptedDialogs dialogs;
    return dialogs;
}

void InitApp(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    // Memory-backed when the machine has one, so imports do not wait on the disk.
    static QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                 ? QStringLiteral("/dev/shm/waybill-fuzz-XXXXXX")
                                 : QString());
    if (!dir.isValid())
        Fail("temporary data folder", __FILE__, __LINE__, dir.errorString());
    qputenv("WAYBILL_DATA_DIR", dir.path().toUtf8());
    setDialogs(&Dialogs());
}

void Fail(const char *what, const char *file, int line, const QString &detail)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n  %s\n", file, line, what,
                 detail.toUtf8().constData());
    std::abort();
}

} // namespace fuzz
