#include "records/importfile.h"

#include "core/formatstore.h"
#include "core/globals.h"
#include "core/helpers.h"
#include "core/progress.h"
#include "platform/dialogs.h"
#include "platform/picturefile.h"
#include "platform/safefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace imp {

QString ShowOpenDialog(const QString &filter)
{
    return dialogs().OpenFile(filter.isEmpty() ? QString::fromUtf8(kImportFilter) : filter,
                              QString());
}

int SheetList::Load(const QString &path, QDeadlineTimer deadline)
{
    XlsSheetNames sheets;
    {
        const LongWork work(QStringLiteral("正在读取EXCEL文件数据……"), 100, WorkStop::Can);
        sheets = ReadSheetNames(path, deadline);
    }
    SetNames(sheets.names);
    return sheets.error;
}

void SheetList::SetNames(const QStringList &names)
{
    m_names = names;
    m_ticks.assign(size_t(names.size()), false);
    if (!m_ticks.empty())
        m_ticks[0] = true;
}

void SheetList::Click(qint32 i, bool single)
{
    if (i < 0 || i >= qint32(m_ticks.size()))
        return;
    if (m_ticks[size_t(i)]) {
        m_ticks[size_t(i)] = false;
        return;
    }
    if (single)
        m_ticks.assign(m_ticks.size(), false);
    m_ticks[size_t(i)] = true;
}

QString SheetList::Chosen() const
{
    QStringList chosen;
    for (qint32 i = 0; i < m_names.size(); ++i)
        if (m_ticks[size_t(i)])
            chosen << m_names.at(i);
    return chosen.join(QChar(0x2016));
}

bool ImportBackgroundPicture(const QString &formatName)
{
    const QString file = ShowOpenDialog(QString::fromUtf8(kJpegFilter));
    if (file.right(4).toLower() != QLatin1String(".jpg") || !QFileInfo(file).isFile())
        return false;
    // Read as the page will draw it, so a file that cannot be shown never
    // takes the place of a background that can.
    if (const QString fault = PictureFaultText(file, ReadPicture(file)); !fault.isEmpty()) {
        dialogs().Message(fault);
        return false;
    }
    const QString target = GetBackgroundPicturePath(formatName);
    if (QFileInfo::exists(target)
        && !dialogs().AskYesNo(QStringLiteral("当前格式已有底图，是否要替换？")))
        return false;
    // The picture is the program's own file: a link at its name is replaced,
    // never written through. A failure says the system's cause.
    if (const safefile::Copied copied
        = safefile::CopyFile(file, target, safefile::Links::ReplaceByName);
        !copied) {
        const QString full = FileWriteFaultText(target, copied.error, QStringLiteral("更换背景图"));
        dialogs().Message(QStringLiteral("文件保存出错！")
                          + (full.isEmpty() ? QStringLiteral("底图“") + target
                                     + QStringLiteral("”复制出错：") + SystemErrorText(copied.error)
                                            : full));
        return false;
    }
    return true;
}

bool ClearBackgroundPicture(const QString &formatName)
{
    if (!dialogs().AskYesNo(QStringLiteral("您确定要清除背景图？")))
        return false;
    const QString target = GetBackgroundPicturePath(formatName);
    return QFileInfo::exists(target) && QFile::remove(target);
}

bool AcceptAutoImport(StartupRecord &record, ImportChoice &choice)
{
    if (record.FormatName.isEmpty() || record.LastRow < record.FirstRow || record.LastRow < 1)
        return false;
    if (record.FirstRow < 1)
        record.FirstRow = 1;
    choice.path = record.DataFile;
    choice.sheet.clear();
    return true;
}

} // namespace imp
