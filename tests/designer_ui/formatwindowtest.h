#pragma once
// The fixture of the main-window tests: a fresh data folder, 15 twips to the
// pixel, no start-up record, and WriteFormat to store a 200 × 200 mm format
// (saved at this screen's width) that the window opens.

#include "../designer/testformat.h"
#include "core/globals.h"
#include "platform/screenscale.h"
#include "support/testenv.h"

#include <QGuiApplication>
#include <QScreen>
#include <vector>

class FormatWindowTest : public DataDirTest
{
protected:
    void SetUp() override
    {
        DataDirTest::SetUp();
        screen::SetTwipsPerPixel(15);
        TheStartupRecord = StartupRecord();
    }
    void TearDown() override
    {
        screen::SetTwipsPerPixel(0);
        DataDirTest::TearDown();
    }
    // Stores the format's header and rows and makes it the format to open;
    // returns the rows' IDs in order.
    static std::vector<qint64> WriteFormat(const QString &name,
                                           const std::vector<testfmt::Row> &rows)
    {
        const qint32 sw = QGuiApplication::primaryScreen()->geometry().width() * 15;
        testfmt::WriteHeader(name, 200, 200, sw);
        std::vector<qint64> ids;
        for (const testfmt::Row &r : rows)
            ids.push_back(testfmt::WriteRow(name, r));
        testfmt::SetLastFormat(name);
        return ids;
    }
};
