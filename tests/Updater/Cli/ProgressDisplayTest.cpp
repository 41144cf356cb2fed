#include "ProgressDisplay.h"

#include "BundleFixtures.h"

#include <QString>
#include <QTextStream>
#include <gtest/gtest.h>

using Status = UpdateProgress::LoadStatus;

namespace
{

// The signals of a run whose last programmed load (a small description file)
// jumps from 0 to 100 % in each step: its verification brings the overall
// figure to 100 without a quarter line of its own.
void playSmallLastLoad(ProgressDisplay& display)
{
    display.onLoadStatus(Status::Updating, "U3V");
    display.onFileProgress(100, "U3V");
    display.onOverallProgress(88);
    display.onLoadStatus(Status::Verifying, "U3V");
    display.onFileProgress(100, "U3V");
    display.onOverallProgress(100);
    display.onLoadStatus(Status::Done, "U3V");
    display.finish();
}

} // namespace

TEST(ProgressDisplay, PipedOutputEndsWithTheLastOverallFigure)
{
    QString text;
    QTextStream out(&text);
    ProgressDisplay display(out, false);
    playSmallLastLoad(display);
    EXPECT_EQ(text, "  U3V: Updating\n"
                    "  U3V: 100% (overall 88%)\n"
                    "  U3V: Verifying\n"
                    "  U3V: Done\n"
                    "  overall 100%\n");
}

TEST(ProgressDisplay, AFigureAlreadyShownIsNotRepeated)
{
    QString text;
    QTextStream out(&text);
    ProgressDisplay display(out, false);
    display.onLoadStatus(Status::Skipped, "AFE");
    display.onFileProgress(100, "AFE");
    display.onOverallProgress(100);
    display.finish();
    EXPECT_EQ(text, "  AFE: Skipped\n  AFE: 100% (overall 100%)\n");
}

TEST(ProgressDisplay, ATerminalRedrawsOneLineAndEndsIt)
{
    QString text;
    QTextStream out(&text);
    ProgressDisplay display(out, true);
    playSmallLastLoad(display);
    EXPECT_TRUE(text.endsWith("100%  Done       overall [################] 100%\n")) << text;
    EXPECT_EQ(text.count('\n'), 1);
}
