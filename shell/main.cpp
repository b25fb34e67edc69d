#include <QApplication>

#include "shell/CMainFrame.h"
#include "shell/SimulatedSystem.h"

int main(int argc, char** argv)
{
    // The instrument is attached before any window exists, as a device present at start-up is.
    SimulatedSystem system;
    QApplication app(argc, argv);
    CMainFrame frame;
    frame.show();
    return app.exec();
}
