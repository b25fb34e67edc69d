#pragma once

#include <QFont>

// The meters' labels and the decoded digits: "Arial" bold, 18 pixels from the top of its accents
// to the bottom of its descenders (a 16-pixel em), 9 pixels average width.
QFont FormLabelFont();
