// libFuzzer target of the datafile check. The check must answer every
// input without reading outside it; and whatever it accepts must load,
// draw and play without fault: the entries loaded as the game loads them,
// every screen of the game drawn (every text in its font), every bitmap
// drawn plain and translucent, and each track run through the music step
// and the library's player (with the silent drivers) to its end, which the
// check keeps within bounds. Needs a display (xvfb-run): the library's
// player runs only with its timer.
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "datacheck.h"
#include "game.h"
#include "instruments.h"
#include "screens.h"

using namespace rallyton;

static std::string scratch;  // the input as a datafile on disk, for the library's loader

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    if (allegro_init() != 0) {
        std::fprintf(stderr, "fuzz_datacheck: needs a display (run under xvfb-run)\n");
        std::exit(1);
    }
    install_timer(), install_sound(DIGI_NONE, MIDI_NONE, nullptr), set_color_depth(32);
    screen = create_bitmap(FIELD_W, FIELD_H), createFrameBitmaps();
    scratch = "/tmp/fuzz-datacheck-" + std::to_string(getpid()) + ".dat";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size) {
    FILE *f = std::fopen(scratch.c_str(), "wb");
    if (!f) return 0;
    std::fwrite("slh.", 1, 4, f), std::fwrite(bytes, 1, size, f), std::fclose(f);  // the magic of an unpacked datafile
    patchesProblem(scratch.c_str());  // the same bytes as the synth's instruments
    if (!datafileStreamProblem(bytes, size).empty()) return std::remove(scratch.c_str()), 0;
    data = load_datafile(scratch.c_str()), std::remove(scratch.c_str());
    if (!data) return 0;
    for (int entry = 0; entry < ASSET_COUNT; entry++)
        if (data[entry].type == DAT_BITMAP)
            draw_sprite(DoubleBuffer, bitmapEntry(entry), 100, 100), fadeIn(bitmapEntry(entry), 128, -5, 200);
    score[0] = 10, score[1] = 7, intro_trans = title_trans = 128;
    for (int state = STATE_MENU; state <= STATE_GAME_OVER; state++)  // every screen, both winners
        for (winner = 1; winner <= 2; winner++) game_state = state, drawProcess();
    for (int track = 1; track <= TRACK_COUNT; track++) {
        game_state = STATE_SERVE, midi = 0, r_midi = track;
        // the track started as the game does, and played to its end at once
        musicProcess(), midi_seek(INT_MAX), stop_midi();
    }
    unload_datafile(data), data = nullptr;
    return 0;
}
