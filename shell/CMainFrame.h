#pragma once

#include <QMainWindow>

// The program's one main window. Its bars, tabs and device handling grow here.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);

    // The caption: application name, " - ", then the document's title.
    static QString captionFor(const QString& documentTitle);
};
