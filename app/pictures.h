// Pictures of the main window: the play and stop buttons and the treble clef.
#pragma once

#include <QPixmap>

namespace pictures {

QPixmap PlayPicture(int size);
QPixmap StopPicture(int size);
// The treble clef drawn black on white, as the score shows it beside the staff.
QPixmap TrebleClef();

}  // namespace pictures
