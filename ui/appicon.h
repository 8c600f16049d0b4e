#pragma once
// The program's icon (the resource "ICOAPP_VO"), drawn in code: a small table whose rows
// turn into an arrow, in the program's green.
#include <QIcon>
#include <QPixmap>

namespace ui {

QPixmap appIconPixmap(int size = 32);
QIcon appIcon();

}  // namespace ui
