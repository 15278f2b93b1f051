#include "core/progress.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

// Records what the window would show.
struct RecordingView : IndicatorView
{
    int loads = 0, unloads = 0, clears = 0;
    IndicatorState last;
    void Load() override { ++loads; }
    void Refresh(const IndicatorState &s, bool clearBar) override
    {
        last = s;
        clears += clearBar ? 1 : 0;
    }
    void Unload() override { ++unloads; }
};

class ProgressTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CloseIndicator();
        SetIndicatorView(&view);
        SetIndicatorClock([this] { return clock; });
    }
    void TearDown() override
    {
        CloseIndicator();
        SetIndicatorView(nullptr);
        SetIndicatorClock(nullptr);
    }
    RecordingView view;
    QDateTime clock = QDateTime(QDate(2024, 1, 1), QTime(8, 0, 0));
};

} // namespace

TEST_F(ProgressTest, ZeroTotalCountsAsOne)
{
    ShowIndicator("x", 0);
    EXPECT_TRUE(IndicatorShown());
    EXPECT_EQ(view.loads, 1);
    StepIndicator(1, "pages");
    EXPECT_EQ(Indicator().percentText, "100%");
    EXPECT_EQ(Indicator().counterText, "(1/1)");
    EXPECT_EQ(view.last.percentText, "100%");
    CloseIndicator();
    EXPECT_FALSE(IndicatorShown());
    EXPECT_EQ(view.unloads, 1);
}

TEST_F(ProgressTest, PercentIsCutToATenthOfAPercent)
{
    ShowIndicator("三项", 3);
    StepIndicator(1, "pages");
    EXPECT_EQ(Indicator().percentText, "33.3%");
    StepIndicator(1, "pages");
    EXPECT_EQ(Indicator().percentText, "66.6%");
    StepIndicator(1, "pages");
    EXPECT_EQ(Indicator().percentText, "100%");
    EXPECT_EQ(Indicator().counterText, "(3/3)");
    StepIndicator(1, "");
    EXPECT_EQ(Indicator().percentText, "133.3%");
    EXPECT_EQ(Indicator().counterText, "(3/3)"); // empty mode: bar and percent only
    StepIndicator(0, "新标题");
    EXPECT_EQ(Indicator().caption, "新标题");
}

TEST_F(ProgressTest, TimesAppearFromATenthOfAPercentOn)
{
    ShowIndicator("大", 2000);
    clock = clock.addSecs(3);
    StepIndicator(1, "PAGES");
    EXPECT_EQ(Indicator().percentText, "0%");
    EXPECT_EQ(Indicator().timesText, "");
    EXPECT_EQ(Indicator().counterText, "");
    StepIndicator(1, "Pages");
    EXPECT_EQ(Indicator().percentText, "0.1%");
    EXPECT_EQ(Indicator().counterText, "(2/2000)");
    EXPECT_EQ(Indicator().timesText, "0:3/49:57/50:0");
}

TEST_F(ProgressTest, ElapsedAndRemainingTimes)
{
    ShowIndicator("t", 10);
    clock = clock.addSecs(5);
    StepIndicator(5, "pages");
    EXPECT_EQ(Indicator().timesText, "0:5/0:5/0:10");
    EXPECT_EQ(FormatSeconds(0), "0:0");
    EXPECT_EQ(FormatSeconds(65), "1:5");
    EXPECT_EQ(FormatSeconds(3725), "1:2:5");
    EXPECT_EQ(FormatSeconds(90061), "25:1:1");
}

TEST_F(ProgressTest, NegativeStartGoesOnFromTheLastBar)
{
    ShowIndicator("a", 10);
    StepIndicator(4, "pages");
    CloseIndicator();
    qint32 start = -1;
    ShowIndicator("b", 10, start);
    EXPECT_EQ(start, 4);
    EXPECT_EQ(Indicator().position, 4);
    EXPECT_EQ(view.last.position, 4);
    // A window loaded anew starts with its design texts.
    EXPECT_EQ(view.last.percentText, "0%");
    EXPECT_EQ(view.last.counterText, "");
    StepIndicator(1, "pages");
    EXPECT_EQ(Indicator().percentText, "50%");
}

TEST_F(ProgressTest, UserCloseStopsShowingSteps)
{
    const LongWork work(WorkStop::Can);
    ShowIndicator("a", 10);
    const int refreshes = view.clears;
    EXPECT_TRUE(StopLongWork());
    EXPECT_TRUE(work.Stopped());
    EXPECT_FALSE(IndicatorShown());
    view.last = {};
    StepIndicator(1, "pages");
    EXPECT_TRUE(view.last.percentText == "0%" && view.last.caption.isEmpty());
    CloseIndicator();
    EXPECT_EQ(view.unloads, 1); // the stop's, none after it
    EXPECT_EQ(view.clears, refreshes);
}

// The steps draw the window at the first step, at the step that reaches the
// total, and otherwise only once kIndicatorDrawMs have passed since the last
// drawing. The verdicts follow the time the steps took here, so a slow
// machine draws more often and still passes.
TEST_F(ProgressTest, StepsDrawAtTheFirstAndTheLastAndAtMostEveryDrawingInterval)
{
    struct CountingView : RecordingView
    {
        int draws = 0;
        void Refresh(const IndicatorState &s, bool clearBar) override
        {
            RecordingView::Refresh(s, clearBar);
            draws += clearBar ? 0 : 1;
        }
    } counting;
    SetIndicatorView(&counting);
    for (const qint32 total : {2, 3, 100000}) {
        ShowIndicator("步", total);
        counting.draws = 0;
        QElapsedTimer sinceFirst;
        sinceFirst.start(); // before the first step draws
        StepIndicator(1, "pages");
        EXPECT_EQ(counting.draws, 1) << total;
        EXPECT_EQ(counting.last.position, 1);
        for (qint32 i = 2; i < total; ++i)
            StepIndicator(1, "pages");
        const qint64 beforeLast = sinceFirst.elapsed();
        // Within the interval of the first drawing, no step in between drew.
        if (beforeLast < kIndicatorDrawMs)
            EXPECT_EQ(counting.draws, 1) << total;
        StepIndicator(1, "pages");
        EXPECT_EQ(counting.last.position, total) << total;
        EXPECT_EQ(counting.last.percentText, "100%") << total;
        EXPECT_EQ(counting.last.counterText, QStringLiteral("(%1/%1)").arg(total));
        // The first, the last, and one for every interval passed between.
        EXPECT_LE(counting.draws, 2 + sinceFirst.elapsed() / kIndicatorDrawMs) << total;
        CloseIndicator();
    }
}
