#include "shell/CMainFrame.h"

namespace {
const char* const kAppName = "Quorlan View PC";
}

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(captionFor(QString()));
    resize(1024, 720);
}

QString CMainFrame::captionFor(const QString& documentTitle)
{
    return QString::fromLatin1(kAppName) + QStringLiteral(" - ") + documentTitle;
}
