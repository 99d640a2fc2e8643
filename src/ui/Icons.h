#pragma once

#include <QCursor>
#include <QPixmap>

namespace hvt {

// The program's own artwork, drawn, by the resource numbers the core uses
// for button images, the run lamp and the program list's cursor.
QPixmap ResourceImage(int resource, int size);
// Cursor 135: over the program list, where a double click edits the program.
QCursor ProgramListCursor();
// Cursor 138: the arrow with a mouse whose left button is pressed twice,
// over the program editor's unit rows, where a double click picks the unit.
QCursor DoubleClickCursor();

}  // namespace hvt
