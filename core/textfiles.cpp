#include "core/textfiles.h"

#include "core/helpers.h"
#include "platform/codepage.h"
#include "platform/dialogs.h"
#include "platform/safefile.h"

#include <QFile>
#include <QFileInfo>

int WriteTextFile(const QString &text, const QString &path)
{
    // A temporary file left by an older version of the program.
    const QString oldTemp = path + QStringLiteral(".TMP");
    if (QFileInfo::exists(oldTemp) && !QFile::remove(oldTemp)) {
        DoEventsLoop(100);
        return TextWriteOldTempFailed;
    }
    safefile::Writer file(path);
    if (!file.Open()) {
        DoEventsLoop(100);
        return TextWriteCreateFailed;
    }
    if (!file.Write(cp936::Encode(text))) {
        DoEventsLoop(100);
        return TextWriteWriteFailed;
    }
    if (!file.Commit()) {
        DoEventsLoop(100);
        return TextWriteReplaceFailed;
    }
    return TextWriteOk;
}

bool WriteTextFileRetry(const QString &text, const QString &path)
{
    for (int attempt = 1; attempt <= 31; ++attempt) {
        if (WriteTextFile(text, path) > 0)
            return true;
        DoEventsLoop(100);
    }
    return false;
}

QString ReadTextFile(const QString &path, bool deleteAfter)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        DoEventsLoop(100);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        const bool readOk = file.error() == QFileDevice::NoError;
        file.close();
        if (!readOk)
            continue;
        if (bytes.isEmpty()) {
            DoEventsLoop(1000);
            continue;
        }
        if (deleteAfter && QFileInfo::exists(path))
            QFile::remove(path);
        return cp936::Decode(bytes);
    }
    dialogs().Message(QStringLiteral("无法打开下载文档：\r\n") + path);
    return {};
}
