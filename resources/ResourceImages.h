#pragma once

// The program's images from resources.qrc, by resource id: icon 129 (the main window), bitmap 151
// (the splash picture, magenta (255, 0, 255) where it is transparent), cursors 192 (a hand, for
// links) and 195 (a cross hair, over the scope), and the tool bar buttons by command id.

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>

constexpr int kMainIconId = 129;
constexpr int kSplashBitmapId = 151;
constexpr int kHandCursorId = 192;
constexpr int kCrossHairCursorId = 195;

// A null icon / image when the id has none.
QIcon LoadResourceIcon(int id);
QImage LoadResourceBitmap(int id);
QCursor LoadResourceCursor(int id);  // Qt::ArrowCursor when absent
QIcon LoadToolbarIcon(int commandId);

// Makes sure the .qrc of this library is registered (the builders call it themselves).
void InitResourceImages();
