#pragma once

#include <QPixmap>

// The login-state picture (400 x 200) and the window icon (32 x 32), drawn by
// the program itself so that no image file has to travel with it. The
// desktop entry's icons are the same drawing at larger sizes.
QPixmap StartPicture();
QPixmap WindowIcon(int size = 32);
