// Makes every picture, font, tune and sound of RALLYTON into the folder
// named on the command line; the build then packs them into data/data.dat
// with Allegro's dat tool.
//   makeassets OUTDIR
#include <cstdio>
#include <string>

#include "assets.h"
#include "version.h"

using namespace assets;

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeassets OUTDIR\n");
        return 2;
    }
    setOutputFolder(argv[1]);

    writeBmp("table.bmp", background());
    writeBmp("intro.bmp", intro());
    writeBmp("paddle_left.bmp", paddle({205, 45, 50}));
    writeBmp("paddle_right.bmp", paddle({240, 195, 55}));
    writeBmp("sheen_left.bmp", paddleSheen());
    writeBmp("sheen_right.bmp", paddleSheen());
    writeBmp("ball_right.bmp", ballImage(true));
    writeBmp("ball_left.bmp", ballImage(false));
    writeFontBmp("font_big.bmp", fontGrid(FontSize::BIG));
    writeFontBmp("font_small.bmp", fontGrid(FontSize::SMALL));
    writeText("about.txt", "RALLYTON v" RALLYTON_VERSION ": table tennis seen from above.\n");
    writeMidi("tune_bright.mid", tune(Mood::BRIGHT));
    writeMidi("tune_mellow.mid", tune(Mood::MELLOW));
    writeMidi("tune_driving.mid", tune(Mood::DRIVING));
    writeWav("sound_hit.wav", hitSound(), HIT_PEAK);
    writeWav("sound_click.wav", clickSound(), CLICK_PEAK);

    // The window's icon and the program file's are 32 x 32; the desktop's
    // come in the usual theme sizes, each drawn at its own size.
    Canvas ic = icon(32);
    writeXpmSource("icon_xpm.cpp", ic);
    writeIco("rallyton.ico", ic);
    for (int size : {16, 32, 48, 64, 128, 256}) writePng("icon_" + std::to_string(size) + ".png", icon(size));
    return 0;
}
