#pragma once

#include <QIcon>
#include <QPixmap>

// The program icon: a sheet of paper with a folded corner bearing a serif
// "A", drawn at 32, 128 and 256 pixels.
QIcon programIcon();

// The icon's 32 x 32 picture, as the About window shows it.
QPixmap programIconPixmap();
