// What each player hears, outside the match: the sounds and the music a
// tick asked for (played once it has run), the music's shuffled playlist,
// and the sound and music switches (1 and 2), each player's own.
#pragma once

namespace rallyton {

const int TRACK_COUNT = 3;  // music tracks, played in shuffled cycles
const int MUSIC_VOLUME = 150;  // MIDI volume with the music on

extern unsigned char thesound;
extern unsigned char thebg;
extern unsigned char midi;
extern int r_midi;
extern unsigned char shu_list[TRACK_COUNT];
extern int shu_num;

// Plays what the last tick (or pauseMatch, leaveMatch, restart) asked to be
// heard, in order, and empties events.
void playEvents();
void musicProcess();
void playSound(int entry);  // a sample of the datafile at full volume, panned hard left, at its own pitch

}  // namespace rallyton
