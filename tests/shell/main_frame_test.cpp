#include <gtest/gtest.h>

#include <QApplication>

#include "shell/CMainFrame.h"

namespace {
int argc = 1;
char arg0[] = "shell_main_frame_test";
char* argv[] = {arg0, nullptr};
}

TEST(MainFrame, CaptionWithoutDocumentEndsWithSeparator)
{
    QApplication app(argc, argv);
    CMainFrame frame;
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Quorlan View PC - "));
    EXPECT_EQ(CMainFrame::captionFor("run1.hsc"), QStringLiteral("Quorlan View PC - run1.hsc"));
}
