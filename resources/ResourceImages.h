#pragma once

// The program's images from resources.qrc, by resource id: icon IDI_PROGRAM, bitmap IDB_SPLASH
// (magenta (255, 0, 255) where it is transparent), cursors IDC_HAND_CURSOR (for links) and
// IDC_CROSS_HAIR_CURSOR (over the scope), and the tool bar buttons by command id.

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "resources/data/ResourceIds.h"

// A null icon / image when the id has none.
QIcon LoadResourceIcon(int id);
QImage LoadResourceBitmap(int id);
QCursor LoadResourceCursor(int id);  // Qt::ArrowCursor when absent
QIcon LoadToolbarIcon(int commandId);

// Makes sure the .qrc of this library is registered (the builders call it themselves).
void InitResourceImages();
