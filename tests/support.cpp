#include "support.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "headless.h"

namespace test {

void releaseAllKeys() {
    for (int k = 1; k < KEY_MAX; k++) key[k] = 0;
    for (int k = 1; k < KEY_MAX; k++) keyPressed(k);
}

void resetGame() {
    stop_midi();
    stop_sample(sampleEntry(ASSET_SOUND_HIT));
    stop_sample(sampleEntry(ASSET_SOUND_CLICK));
    releaseAllKeys();
    setStartValues();
    restart();
    winner = 0;
    p2 = 0;
    thesound = 1;
    thebg = 1;
    midi = 0;
    r_midi = 1;
    ticks = 0;
    close_button_pressed = 0;
    P1.vel = CPU.vel = 0;
    ball.vx = 3;
    ball.vy = 0;
    ball.dir = 0;
    ball.passed = 0;
    set_volume(255, 150);
    clear_to_color(DoubleBuffer, makecol(0, 0, 0));
    clear_to_color(screen, makecol(0, 0, 0));
}

int voiceOf(int entry) {
    for (int v = 0; v < 256; v++)
        if (voice_check(v) == sampleEntry(entry)) return v;
    return -1;
}

bool playing(int entry) { return voiceOf(entry) >= 0; }

void expectPlayedAsTheGameDoes(int entry) {
    int v = voiceOf(entry);
    ASSERT_GE(v, 0) << "entry " << entry << " is not sounding";
    EXPECT_EQ(voice_get_volume(v), 255);
    EXPECT_EQ(voice_get_pan(v), 0);  // the hard left, as the game has always had it
    EXPECT_EQ(voice_get_frequency(v), sampleEntry(entry)->freq);  // 1000: its own pitch
}

BITMAP *drawFrame() {
    drawProcess();
    return screen;
}

bool sameFrame(BITMAP *a, BITMAP *b) {
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            if (!same(pixel(a, x, y), pixel(b, x, y))) return false;
    return true;
}

void tick() {
    logicProcess();
    keyPresses();
}

void ticksN(int n) {
    for (int i = 0; i < n; i++) tick();
}

int ticksUntilStateChanges(int limit) {
    int start = game_state;
    for (int n = 1; n <= limit; n++) {
        tick();
        if (game_state != start) return n;
    }
    return -1;
}

void tapKey(int k) {
    key[k] = 1;
    tick();
    key[k] = 0;
    tick();
}

Colour pixel(BITMAP *bmp, int x, int y) {
    int c = getpixel(bmp, x, y);
    return {getr(c), getg(c), getb(c)};
}

bool same(Colour a, Colour b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

int countColour(BITMAP *bmp, int x0, int y0, int x1, int y1, Colour c) {
    int n = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            if (same(pixel(bmp, x, y), c)) n++;
    return n;
}

bool allBlack(BITMAP *bmp) { return countColour(bmp, 0, 0, bmp->w, bmp->h, {0, 0, 0}) == bmp->w * bmp->h; }

}  // namespace test

// Allegro unloads its driver modules at exit, before LeakSanitizer looks:
// their own small leaks would then show as "unknown module", which no
// suppression can name. Pin them so they keep their names.
static void keepAllegroModulesLoaded() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::size_t at = line.find('/');
        if (at == std::string::npos || line.find("/allegro/") == std::string::npos) continue;
        dlopen(line.substr(at).c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
}

// The library comes up once for the whole run, as the game brings it up,
// except that no window opens: a memory bitmap stands in for the screen.
int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    using namespace rallyton;
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    // Sound goes to a scratch file through ALSA, so that samples really play
    // (voices are taken) on a machine with no sound card.
    char scratch[] = "/tmp/rallyton-tests-XXXXXX";
    if (!mkdtemp(scratch)) return 1;
    std::string dir = scratch;
    FILE *cfg = std::fopen((dir + "/allegro.cfg").c_str(), "w");
    if (!cfg) return 1;
    std::fprintf(cfg,
                 "[sound]\ndigi_card = ALSA\nalsa_device = file:FILE=%s/sound.raw,FORMAT=raw\nalsa_fragsize = 441\n",
                 scratch);
    std::fclose(cfg);
    setenv("ALLEGRO", scratch, 1);
    setenv("HOME", scratch, 1);
    if (allegro_init() != 0) {
        std::fprintf(stderr, "tests: Allegro needs a display; run under xvfb-run: %s\n", allegro_error);
        return 1;
    }
    install_timer();
    if (install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) != 0) {
        std::fprintf(stderr, "tests: no sound: %s\n", allegro_error);
        return 1;
    }
    keepAllegroModulesLoaded();
    if (!bringUpFramesAndData("tests")) return 1;
    int result = RUN_ALL_TESTS();
    tearDownFramesAndData();
    remove_sound();
    std::filesystem::remove_all(dir);
    return result;
}
