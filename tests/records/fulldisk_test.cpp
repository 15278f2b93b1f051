// Grid exports and background pictures onto a full disk (a file-size limit
// in a child process): the old file keeps its bytes, no temporary file is
// left and "文件保存出错！" is said with the full disk named.

#include "core/formatstore.h"
#include "platform/gridmodel.h"
#include "records/gridexport.h"
#include "records/importfile.h"
#include "support/testenv.h"

#include <QDir>
#include <QImage>
#include <QRandomGenerator>

namespace {

class FullDiskExports : public DataDirTest
{
};

TEST_F(FullDiskExports, OldFileKeepsItsBytes)
{
    GridModel grid;
    grid.setRows(30);
    grid.setCols(3);
    grid.setFixedRows(1);
    for (qint32 r = 0; r < 30; ++r)
        for (qint32 c = 0; c < 3; ++c)
            grid.setText(r, c, QStringLiteral("单元格%1-%2").arg(r).arg(c));
    const QString out = path(QStringLiteral("out"));
    QDir().mkpath(out);
    const QString source = path(QStringLiteral("new.jpg"));
    QImage noise(64, 64, QImage::Format_RGB32); // a real picture of some kilobytes
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, QRandomGenerator::global()->generate());
    ASSERT_TRUE(noise.save(source, "JPG", 100));

    struct Case
    {
        const char *file;
        std::function<bool(const QString &)> run;
    };
    const Case cases[] = {
        {"old.csv", [&](const QString &) { return imp::ExportGrid(grid, QStringLiteral("历史")); }},
        {"old.xlsx", [&](const QString &) { return imp::ExportGrid(grid, QStringLiteral("历史")); }},
        {"picture.jpg", [&](const QString &) { return imp::ImportBackgroundPicture(QStringLiteral("A")); }},
    };
    for (const Case &c : cases) {
        const bool picture = QByteArray(c.file) == "picture.jpg";
        const QString target = picture ? GetBackgroundPicturePath(QStringLiteral("A"))
                                       : QDir(out).filePath(QString::fromLatin1(c.file));
        ASSERT_TRUE(WriteBytes(target, "OLD"));
        const QStringList before = FilesIn(QFileInfo(target).absolutePath());
        const QString answer = OnFullDisk(200, [&] {
            dlg.Clear();
            dlg.Queue(picture ? source : target);
            dlg.Queue(true); // replace
            c.run(target);
            return MessageBoxes(dlg).join(u'|');
        });
        const QString says = QStringLiteral("文件夹“") + QFileInfo(target).absolutePath()
            + (picture ? QStringLiteral("”所在的磁盘已满！请腾出空间，然后再更换背景图。")
                       : QStringLiteral("”所在的磁盘已满！请腾出空间，然后再导出。"));
        EXPECT_EQ(answer, QStringLiteral("文件保存出错！") + says) << qPrintable(answer) << c.file;
        EXPECT_EQ(ReadBytes(target), "OLD") << c.file;
        EXPECT_EQ(FilesIn(QFileInfo(target).absolutePath()), before) << c.file;
    }
}

} // namespace
