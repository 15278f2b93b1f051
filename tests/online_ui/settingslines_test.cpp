// The lines that README.md and the windows' messages tell the user to write
// into settings.ini, written as shown: the program reads the hosts from them,
// in a new file and added to a file that already holds the program's own
// values.

#include "core/settings.h"
#include "online/hosts.h"
#include "online/ui/fmtdown.h"
#include "online/ui/tbdown.h"
#include "support/testenv.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// The lines from "[PQT_V]" on, up to an empty line, "```" or the end.
QStringList settingsLines(const QString &text)
{
    QStringList out;
    for (const QString &raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (out.isEmpty() && line != QStringLiteral("[PQT_V]"))
            continue;
        if (line.isEmpty() || line.startsWith(QStringLiteral("```")))
            break;
        out << line;
    }
    return out;
}

QString readmeBlock()
{
    QFile f(QStringLiteral(TEST_SOURCE_DIR "/../README.md"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    const qsizetype at = text.indexOf(QStringLiteral("```ini\n"));
    return at < 0 ? QString() : text.mid(at + 7);
}

} // namespace

TEST_F(DataDirTest, SettingsLinesAsShownAreRead)
{
    const QString ini = path(QStringLiteral("settings.ini"));
    const QRegularExpression keyLine(QStringLiteral("^Para\\\\(\\w+)=(.+)$"));
    const struct
    {
        const char *where;
        QString text;
        QStringList keys; // the settings it must give
    } cases[] = {
        {"README", readmeBlock(),
         {"ServerHost", "TaobaoLoginHost", "TaobaoSellerHost", "TaobaoTradeHost", "QQHelp1",
          "QQHelp2"}},
        {"catalogue", QString::fromUtf8(kNoMakerHost), {"ServerHost"}},
        {"marketplace", QString::fromUtf8(kNoMarketplaceHost),
         {"TaobaoLoginHost", "TaobaoSellerHost", "TaobaoTradeHost"}},
    };
    for (const auto &c : cases) {
        const QStringList lines = settingsLines(c.text);
        ASSERT_GT(lines.size(), 1) << c.where << ": " << qPrintable(c.text);
        for (const bool added : {false, true}) {
            QFile::remove(ini);
            if (added)
                ASSERT_TRUE(SaveRegSetting("PQT_V", "Para", "Other", "1"));
            QFile f(ini);
            ASSERT_TRUE(f.open(QIODevice::Append));
            f.write(('\n' + lines.join(u'\n') + '\n').toUtf8());
            f.close();
            QStringList read;
            for (const QString &line : lines.mid(1)) {
                const auto m = keyLine.match(line);
                ASSERT_TRUE(m.hasMatch()) << c.where << ": " << qPrintable(line);
                EXPECT_EQ(hosts::Setting(m.captured(1).toLatin1().constData()), m.captured(2))
                    << c.where;
                read << m.captured(1);
            }
            for (const QString &k : c.keys)
                EXPECT_TRUE(read.contains(k)) << c.where << ": " << qPrintable(k);
            if (added)
                EXPECT_EQ(GetRegSetting("PQT_V", "Para", "Other"), "1") << c.where;
            // The hosts are used: the catalogue's and the login page's addresses.
            if (read.contains("ServerHost"))
                EXPECT_TRUE(hosts::MakerServerAddress().contains("example.com")) << c.where;
            if (read.contains("TaobaoLoginHost"))
                EXPECT_TRUE(hosts::LoginPageUrl().startsWith("https://login.example.com/"))
                    << c.where;
        }
    }
}
