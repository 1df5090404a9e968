#include "shell/download_status.h"

#include <gtest/gtest.h>

namespace korv {
namespace {

constexpr platform::Pixel kRedPixel = 0x00FF0000;
constexpr platform::Pixel kBlackPixel = 0x00000000;

TEST(DownloadStatusMessages, EachCodeHasItsLine) {
    EXPECT_EQ(StatusMessage(0, "x"), "");
    EXPECT_EQ(StatusMessage(-1, ""), "Failed to download script file, check remote files");
    EXPECT_EQ(StatusMessage(-2, ""), "Script tags are missing");
    EXPECT_EQ(StatusMessage(-3, ""), "Script parsing failed");
    EXPECT_EQ(StatusMessage(-4, ""), "Error in script");
    EXPECT_EQ(StatusMessage(-5, ""), "Warning! Update file is missing, will use default.");
    EXPECT_EQ(StatusMessage(-6, "x"), "Redirecting to:x, please wait...");
    EXPECT_EQ(StatusMessage(-7, "x"), "");
    EXPECT_EQ(StatusMessage(-100, ""),
              "Warning! 'Do not check for updates' option enabled (check SCR settings dialog). No new data will be "
              "downloaded.");
    EXPECT_EQ(StatusMessage(404, "a.jpg"), "File: a.jpg does not exist on server [404]");
    // A name from the site is text, never a format.
    EXPECT_EQ(StatusMessage(500, "%s%n"), "File: %s%n does not exist on server [500]");
}

// Red pixels in the overall bar's row, from its left end.
int RedRun(const platform::Surface& surface, int y) {
    int x = surface.Width() / 2 - 300, run = 0;
    while (x + run < surface.Width() && surface.At(x + run, y) == kRedPixel) ++run;
    return run;
}

TEST(DownloadStatusDrawing, BarsFollowTheCounters) {
    DownloadStatus status({1024, 768});
    platform::Surface screen(1024, 768);
    const int overallRow = 768 / 2 + 25 + 20, currentRow = 768 / 2 + 125 + 20;

    status.Progress().objectTotal = 10;
    status.Progress().objectNumber = 1;
    status.Draw(screen);
    EXPECT_EQ(RedRun(screen, overallRow), 0);

    status.Progress().objectNumber = 6;
    status.Progress().objectSize = 1000;
    status.Progress().bytesReceived = 250;
    status.Draw(screen);
    EXPECT_EQ(RedRun(screen, overallRow), 300);
    EXPECT_EQ(RedRun(screen, currentRow), 150);

    // A new object: its bar is cleared before it fills again.
    status.Progress().bytesReceived = 0;
    status.Draw(screen);
    EXPECT_EQ(RedRun(screen, currentRow), 0);
    EXPECT_EQ(screen.At(1024 / 2 - 300 + 100, currentRow), kBlackPixel);
}

TEST(DownloadStatusDrawing, TheMessageLineIsRedAndErasedWhenCleared) {
    DownloadStatus status({1024, 768});
    platform::Surface screen(1024, 768);
    auto redInMessageRow = [&] {
        int count = 0;
        for (int y = 768 / 2 + 215; y < 768 / 2 + 250; ++y)
            for (int x = 0; x < 1024; ++x) count += screen.At(x, y) == kRedPixel;
        return count;
    };
    status.ReportStatus(404, "a.jpg");
    status.Draw(screen);
    EXPECT_GT(redInMessageRow(), 50);
    status.ReportStatus(0, "");
    status.Draw(screen);
    EXPECT_EQ(redInMessageRow(), 0);
}

}  // namespace
}  // namespace korv
