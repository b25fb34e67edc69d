#include <QApplication>

#include "shell/CMainFrame.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    CMainFrame frame;
    frame.show();
    return app.exec();
}
