// What each player hears, outside the match: the events a tick left
// played once it has run, the music's shuffled playlist, and the sound and
// music switches.
#include "sound.h"

#include <cstdlib>

#include "assets.h"
#include "match.h"

namespace rallyton {

unsigned char thesound = 1;
unsigned char thebg = 1;
unsigned char midi = 0;
int r_midi = 0;
unsigned char shu_list[TRACK_COUNT] = {0, 0, 0};
int shu_num = 0;

// ---- music -------------------------------------------------------------

static int drawTrack() { return rand() % TRACK_COUNT + 1; }

void musicProcess() {
    if (midi && midi_pos < 0) {  // the track we started has ended
        if (shu_num >= TRACK_COUNT) {  // every track started in this cycle
            shu_list[0] = shu_list[1] = shu_list[2] = 0;
            shu_num = 0;
        }
        r_midi = drawTrack();
        while (shu_list[r_midi - 1] == 1) r_midi = drawTrack();
        midi = 0;
    }
    if (!midi) {
        play_midi(trackEntry(r_midi), 0);
        shu_list[r_midi - 1] = 1;
        shu_num++;
        midi = 1;
    }
}

// The sound and music switches are each player's own, outside the match:
// their presses are told apart from the match's keys, as keyPressed does.
static unsigned char switchHeld[2];
static bool switchPressed(int which, int k) {
    bool wasHeld = switchHeld[which] != 0;
    switchHeld[which] = input.keys[k] ? 1 : 0;
    return switchHeld[which] && !wasHeld;
}

static void soundSwitch() { thesound = thesound ? 0 : 1; }

// The sample volume is left alone (-1): changing it while the software
// synth plays makes a just-released note hang on forever.
static void musicSwitch() {
    if (thebg) {
        set_volume(-1, 0);
        thebg = 0;
    } else {
        set_volume(-1, MUSIC_VOLUME);
        thebg = 1;
    }
}

static void switchKeys() {
    if (switchPressed(0, KEY_1)) soundSwitch();
    if (switchPressed(1, KEY_2)) musicSwitch();
}

// The library's player works out its speed on its first run, about 20 ms
// after a track starts, and that run also moves midi_pos from 0 to 1. A
// track paused before then has no speed to resume at and would stay silent
// for good, so it starts again from its beginning instead.
static void resumeMusic() {
    if (midi_pos == 0) play_midi(trackEntry(r_midi), 0);
    else midi_resume();
}

void playEvents() {
    for (int i = 0; i < events.count; i++) switch (events.list[i]) {
        case EVENT_HIT:
            if (thesound) playSound(ASSET_SOUND_HIT);
            break;
        case EVENT_CLICK: playSound(ASSET_SOUND_CLICK); break;
        case EVENT_MUSIC_STEP: musicProcess(); break;
        case EVENT_MUSIC_STOP: stop_midi(); break;
        case EVENT_MUSIC_PAUSE: midi_pause(); break;
        case EVENT_MUSIC_RESUME: resumeMusic(); break;
        case EVENT_SHUFFLE_RESET:
            shu_list[0] = shu_list[1] = shu_list[2] = 0;
            shu_num = 0;
            break;
        case EVENT_SWITCH_KEYS: switchKeys(); break;
        }
    events.count = 0;
}

void playSound(int entry) { play_sample(sampleEntry(entry), 255, 0, 1000, 0); }

}  // namespace rallyton
