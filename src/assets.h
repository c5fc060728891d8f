// The game's datafile once loaded: its objects by entry (ASSET_*).
#pragma once

#include <allegro.h>

#include "entries.h"  // ASSET_*: the datafile's entry names, written by dat at build time

namespace rallyton {

extern DATAFILE *data;

inline BITMAP *bitmapEntry(int i) { return static_cast<BITMAP *>(data[i].dat); }
inline FONT *fontEntry(int i) { return static_cast<FONT *>(data[i].dat); }
inline SAMPLE *sampleEntry(int i) { return static_cast<SAMPLE *>(data[i].dat); }
inline MIDI *trackEntry(int n) { return static_cast<MIDI *>(data[ASSET_TUNE_BRIGHT + n - 1].dat); }  // track 1..3

}  // namespace rallyton
