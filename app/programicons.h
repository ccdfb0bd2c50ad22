#pragma once
// The program's own icons, drawn in code: an alarm clock, and the frames of its ringing
// animation (the clock rocking from side to side).

#include <QIcon>
#include <QImage>
#include <vector>

// The clock at size x size pixels (8 to 256), rocked by frame: 0 upright; frames 1 to 4 tilt
// it right, upright, left, upright.
QImage DrawProgramIcon(int size, int frame = 0);
// The program icon at the usual tray and window sizes.
QIcon ProgramIcon();
// The animation frames (frame 1 to 4), for an icon list.
std::vector<QIcon> ProgramIconFrames();
