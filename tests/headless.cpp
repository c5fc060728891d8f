#include "headless.h"

#include <cstdio>

#include "game.h"

namespace rallyton {

bool bringUpFramesAndData(const char *who) {
    set_color_depth(32);
    screen = create_bitmap(320, 240);
    DoubleBuffer = create_bitmap(320, 240);
    Black = create_bitmap(320, 240);
    clear_to_color(Black, makecol(0, 0, 0));
    data = load_datafile(DATAFILE_PATH);
    if (!data) std::fprintf(stderr, "%s: cannot load %s (run from the build folder)\n", who, DATAFILE_PATH);
    return data != nullptr;
}

void tearDownFramesAndData() {
    stop_midi();
    unload_datafile(data);
    destroy_bitmap(Black);
    destroy_bitmap(DoubleBuffer);
    destroy_bitmap(screen);
    data = nullptr;
    Black = DoubleBuffer = screen = nullptr;
}

}  // namespace rallyton
