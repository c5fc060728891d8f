// The picture: the frame bitmaps, the picture sent to the screen in the
// parts that changed (enlarged by our own `enlarge`), and the drawing
// helpers (the text, the translucent fades).
#pragma once

#include <allegro.h>

#include <string>

namespace rallyton {

extern BITMAP *DoubleBuffer;  // the frame, built each pass at 320 x 240
extern BITMAP *Black;
extern int zoom;  // each pixel of DoubleBuffer becomes a zoom x zoom block on the screen
extern int picture_x;  // where the picture's top-left corner lies on the screen (full screen centres it)
extern int picture_y;

bool createFrameBitmaps();  // DoubleBuffer and Black, both black; false when memory runs out
void blitBuffer();
void screenChanged();  // the screen was drawn on, or is another: the next frame goes whole
bool nextFrameWhole();  // the screen does not hold the last frame (the next goes whole)
void releasePicture();  // at shutdown: what blitBuffer kept

// An integer n x n enlargement of a w x h area of a 32-bit bitmap into
// another, at (toX, toY): each row widened once, then copied n - 1 times.
void enlarge(BITMAP *from, int x, int y, int w, int h, BITMAP *to, int toX, int toY, int n);
void writeTextFromInt(const char *format, int number, int x, int y, int colour);
void writeTextFromInt2(const char *format, int number, int x, int y, int colour);
void writeLine(const std::string &text, int x, int y, int colour);  // small, as it stands: no format, any length
void fadeIn(BITMAP *bitmap, int level, int x, int y);

}  // namespace rallyton
