#include "core/formathost.h"
#include "core/settings.h"
#include "online/catalogue.h"
#include "online/ui/fmtdown.h"
#include "platform/codepage.h"
#include "support/localserver.h"
#include "support/testenv.h"

#include <QBuffer>
#include <QImage>
#include <QApplication>
#include <QLabel>
#include <QNetworkProxy>
#include <QTest>

TEST_F(DataDirTest, CatalogueWindowListsAndPreviews)
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    LocalServer server;
    QByteArray png;
    {
        QImage img(40, 80, QImage::Format_RGB32);
        img.fill(Qt::red);
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        img.save(&b, "PNG");
    }
    server.fullHandler = [&](const QByteArray &line, const QByteArray &, QByteArray &,
                             int &status) {
        if (line.startsWith("GET /hdx/fmt.asp"))
            return cp936::Encode("邮政|EMS|/f/b.wlq|/p/none.png|2026-1-1<br>快递|顺丰|/f/a.wlq|"
                                 "/p/a.png|2026-1-5<br>Finished");
        if (line.startsWith("GET /p/a.png"))
            return png;
        status = 404;
        return QByteArray("missing");
    };
    SaveRegSetting("PQT_V", "Para", "ServerHost", server.origin());
    FormatHostState host;
    FmtDown w(host);
    w.show(); // an empty catalogue is fetched at once
    ASSERT_EQ(w.Grid.dataRows(), 2);
    EXPECT_EQ(w.Grid.text(2, catalogue::ColName), "顺丰");
    EXPECT_EQ(w.Grid.text(2, catalogue::ColTick), "√");
    EXPECT_FALSE(w.LBL->isVisibleTo(&w));
    // The second row's picture never comes: "此格式暂无图片！".
    w.Grid.setCurrent(3, catalogue::ColTick);
    EXPECT_EQ(w.Grid.text(2, catalogue::ColTick), "");
    EXPECT_TRUE(w.LBL->isVisibleTo(&w));
}

TEST_F(DataDirTest, CatalogueWithoutServerSaysWhereToSetItAndOpensNothing)
{
    QWidget owner;
    FormatHostState host;
    ShowFmtDown(&owner, host);
    EXPECT_EQ(dlg.messages(),
              QStringList {QStringLiteral("没有设置格式服务器网址，无法下载格式列表。请在数据文件夹的 "
                                          "settings.ini 末尾加上以下两行（等号后换成实际的网址）：\n"
                                          "[PQT_V]\nPara\\ServerHost=formats.example.com")});
    EXPECT_EQ(owner.findChild<FmtDown *>(), nullptr);
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<FmtDown *>(w), nullptr);
}
