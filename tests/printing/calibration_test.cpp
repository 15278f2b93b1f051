// Offsets from the margins window and the wizard's deviations; the printer
// chooser's list and preselection.

#include "core/formathost.h"
#include "printing/calibration.h"
#include "printing/printer.h"
#include "printing/printerchoice.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Calibration, DeviationsAndMargins)
{
    const struct
    {
        bool left;
        QString h;
        bool up;
        QString v;
        QString x, y;
    } cases[] = {
        {false, u"1.5"_s, false, u"0"_s, u"14"_s, u"10"_s}, // too far right raises the offset
        {true, u"1.5"_s, true, u"2"_s, u"11"_s, u"8"_s}, // left and up lower them
        {true, u"abc"_s, false, u" 3mm"_s, u"12.5"_s, u"13"_s}, // no number adds nothing
    };
    for (const auto &c : cases) {
        FormatHostState host;
        host.offsetX = u"12.5"_s;
        host.offsetY = u"10"_s;
        AddDeviations(host, c.left, c.h, c.up, c.v);
        EXPECT_EQ(host.offsetX, c.x);
        EXPECT_EQ(host.offsetY, c.y);
    }
    FormatHostState host;
    ApplyMargins(host, u" 7.25 "_s, u"x"_s);
    EXPECT_EQ(host.offsetX, u"7.25"_s);
    EXPECT_EQ(host.offsetY, u"0"_s);
}

TEST(PrinterChoice, ListAndPreselection)
{
    const QStringList installed {u"HP"_s, u"Canon"_s};
    const struct
    {
        QString current, remembered, selected;
    } cases[] = {
        {u"HP"_s, u"Canon"_s, u"Canon"_s}, // the remembered printer
        {u"Canon"_s, u"Removed"_s, u"Canon"_s}, // removed: the current one
        {u"Gone"_s, QString(), u"HP"_s}, // else the first
        {PdfPrinterName(), QString(), PdfPrinterName()},
    };
    for (const auto &c : cases) {
        const PrinterList l = BuildPrinterList(installed, c.current, c.remembered);
        EXPECT_EQ(l.names, (QStringList {u"HP"_s, u"Canon"_s, u"PDF 文件"_s}));
        EXPECT_EQ(l.selected, c.selected);
    }
    EXPECT_EQ(BuildPrinterList({}, QString(), QString()).selected, PdfPrinterName());
}
