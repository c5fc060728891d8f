#include "support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "input.h"
#include "options.h"

namespace test {

std::vector<int> atLoad, musicCalls;
long fakeTime = 0;

void resetGame() {
    stop_midi();
    for (int k = 1; k < KEY_MAX; k++) key[k] = 0;
    gatherInput(options.controls), match = Match(), setStartValues(), restart(), playEvents();
    midi = 0, thesound = thebg = 1, r_midi = 1, ticks = close_button_pressed = signal_caught = 0;
    set_volume(255, MUSIC_VOLUME), musicCalls.clear();
    clear_to_color(DoubleBuffer, makecol(0, 0, 0)), clear_to_color(screen, makecol(0, 0, 0)), screenChanged();
    for (int entry : {ASSET_SOUND_HIT, ASSET_SOUND_CLICK}) stop_sample(sampleEntry(entry));
}

void tick(int n) {
    for (int i = 0; i < n; i++) gatherInput(options.controls), advance(input), playEvents();
}

std::vector<unsigned char> readFile(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

void writeFile(const std::string &path, const std::vector<unsigned char> &bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

void useStandInSamples(bool on) {
    static SAMPLE *real[2];
    for (int i : {0, 1}) {
        DATAFILE &entry = data[i ? ASSET_SOUND_CLICK : ASSET_SOUND_HIT];
        if (on) real[i] = static_cast<SAMPLE *>(entry.dat), entry.dat = create_sample(16, 0, 22050, 22050 * 60);
        else destroy_sample(static_cast<SAMPLE *>(entry.dat)), entry.dat = real[i];
    }
}

long playing(int entry) {
    for (int v = 0; v < 256; v++)
        if (voice_check(v) == sampleEntry(entry))
            return 1 + voice_get_volume(v) * 1000L + voice_get_pan(v) * 1000000L +
                   (voice_get_frequency(v) == sampleEntry(entry)->freq) * 1000000000L;
    return 0;
}

}  // namespace test

extern "C" {
int __real_play_midi(MIDI *midi, int loop);
void __real_midi_pause();
void __real_midi_resume();
time_t __real_time(time_t *t);
int __wrap_play_midi(MIDI *midi, int loop) {
    int track = 0;
    for (int n = 1; n <= rallyton::TRACK_COUNT && midi; n++) track = midi == rallyton::trackEntry(n) ? n : track;
    return test::musicCalls.push_back(track), __real_play_midi(midi, loop);
}
void __wrap_midi_pause() { test::musicCalls.push_back(-1), __real_midi_pause(); }
void __wrap_midi_resume() { test::musicCalls.push_back(-2), __real_midi_resume(); }
time_t __wrap_time(time_t *t) { return test::fakeTime ? test::fakeTime : __real_time(t); }
}

// Allegro unloads its driver modules at exit, before LeakSanitizer looks:
// their own small leaks would then show as "unknown module", which no
// suppression can name. In the tests they stay loaded.
extern "C" int dlclose(void *) { return 0; }

// The game starts as it always does, in its window under Xvfb, from the
// build folder where data/ is. Its sound goes to a scratch file through
// ALSA, so that samples really take voices on a machine with no sound card.
int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    char scratch[] = "/tmp/rallyton-tests-XXXXXX";
    if (!mkdtemp(scratch)) return 1;
    std::ofstream(std::string(scratch) + "/allegro.cfg")
        << "[sound]\ndigi_card = ALSA\nalsa_fragsize = 441\nalsa_device = file:FILE=" << scratch
        << "/sound.raw,FORMAT=raw\n";
    setenv("ALLEGRO", scratch, 1), setenv("HOME", scratch, 1);
    using namespace rallyton;
    test::atLoad = {thesound, thebg, p2, winner, selection_1[0], selection_1[1], selection_2[0], selection_2[1]};
    initGame(), remove_int(ticker), test::useStandInSamples(true);
    int result = RUN_ALL_TESTS();
    test::useStandInSamples(false), shutdownGame(), std::filesystem::remove_all(scratch);
    return result;
}
