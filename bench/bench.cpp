// What a logic tick and each kind of frame cost, against the floor every
// play frame pays: three full-frame copies (background into the buffer,
// buffer to the screen, clearing the buffer). Run under a display (xvfb-run)
// from the build folder; prints each frame's cost as a ratio to the floor.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "game.h"
#include "input.h"
#include "match.h"
#include "options.h"
#include "screens.h"

using namespace rallyton;

namespace {

// The frame bitmaps and the datafile without a window: a memory bitmap
// stands in for the screen, so that the copy to a real window (measured by
// the end-to-end run) is left out.
bool bringUpFramesAndData() {
    set_color_depth(32);
    screen = create_bitmap(FIELD_W, FIELD_H);
    createFrameBitmaps();
    data = load_datafile("data/data.dat");
    if (!data) std::fputs("bench: cannot load data/data.dat (run from the build folder)\n", stderr);
    return data != nullptr;
}

void freshMatch() {
    stop_midi();
    match = Match();
    setStartValues();
    restart();
    events.count = 0;
    midi = 1;  // no music to start: the tick alone is measured
    for (int k = 1; k < KEY_MAX; k++) key[k] = 0;
    input = TickInput{};
}

// A rally in full flight: the ball has flown 40 ticks, so its trail shows
// all 29 copies apart.
void rallyInFlight() {
    freshMatch();
    game_state = STATE_PLAY;
    ball.vy = -1.7;
    for (int i = 0; i < 40; i++) advance(input);
    events.count = 0;
}

void BM_RallyTick(benchmark::State &state) {
    rallyInFlight();
    for (auto _ : state) {
        advance(input);
        events.count = 0;
        if (game_state != STATE_PLAY) rallyInFlight();
    }
}
BENCHMARK(BM_RallyTick);

// The same tick with its input step: the keyboard (and pads, none here)
// gathered into what the tick reads.
void BM_RallyTickWithInput(benchmark::State &state) {
    rallyInFlight();
    for (auto _ : state) {
        gatherInput(options.controls);
        advance(input);
        events.count = 0;
        if (game_state != STATE_PLAY) rallyInFlight();
    }
}
BENCHMARK(BM_RallyTickWithInput);

// What rollback costs: the match saved before a tick and its digest after
// (as network play does every tick), and the sync test's whole work per
// tick at a depth of 8 (each tick run 9 times, a digest after each).
void BM_SaveTickDigest(benchmark::State &state) {
    rallyInFlight();
    Match saved;
    for (auto _ : state) {
        saved = match;
        advance(input);
        events.count = 0;
        benchmark::DoNotOptimize(matchDigest(match));
        if (game_state != STATE_PLAY) rallyInFlight();
    }
}
BENCHMARK(BM_SaveTickDigest);

void BM_SyncTestPerTick(benchmark::State &state) {
    freshMatch();
    game_state = STATE_SERVE;
    std::vector<std::uint16_t> inputs(1000);
    for (std::size_t t = 0; t < inputs.size(); t++) inputs[t] = (t / 37 % 3 == 0 ? 64 : t / 37 % 3 == 1 ? 128 : 0);
    for (auto _ : state) benchmark::DoNotOptimize(syncTest(match, inputs, 8));
    state.SetItemsProcessed(state.iterations() * long(inputs.size()));
}
BENCHMARK(BM_SyncTestPerTick)->Unit(benchmark::kMillisecond);

void BM_WholeMatch(benchmark::State &state) {
    long ticks = 0;
    for (auto _ : state) {
        freshMatch();
        match.cpu_random = 77;
        game_state = STATE_SERVE;
        while (game_state != STATE_GAME_OVER) {
            advance(input);
            events.count = 0;
            ticks++;
        }
    }
    state.counters["ticks_per_match"] = benchmark::Counter(static_cast<double>(ticks) / state.iterations());
}
BENCHMARK(BM_WholeMatch)->Unit(benchmark::kMillisecond);

void BM_Floor(benchmark::State &state) {
    for (auto _ : state) {
        blit(bitmapEntry(ASSET_TABLE), DoubleBuffer, 0, 0, 0, 0, 320, 240);
        blit(DoubleBuffer, screen, 0, 0, 0, 0, 320, 240);
        clear_to_color(DoubleBuffer, makecol(0, 0, 0));
    }
}
BENCHMARK(BM_Floor);

void frame(benchmark::State &state, void (*setUp)()) {
    setUp();
    for (auto _ : state) drawProcess();
}

BENCHMARK_CAPTURE(frame, Rally, [] { rallyInFlight(); });
BENCHMARK_CAPTURE(frame, Serve, [] {
    freshMatch();
    game_state = STATE_SERVE;
});
BENCHMARK_CAPTURE(frame, Pause, [] {
    rallyInFlight();
    game_state = STATE_PAUSE;
});
BENCHMARK_CAPTURE(frame, Menu, [] {
    freshMatch();
    game_state = STATE_MENU;
});
BENCHMARK_CAPTURE(frame, Fade, [] {
    freshMatch();
    game_state = STATE_TITLE_FADE_IN;
    title_trans = 127;
});
BENCHMARK_CAPTURE(frame, Intro, [] {
    freshMatch();
    game_state = STATE_INTRO;
    intro_trans = 256;
});

// A rally's frames, one a tick, as they reach a screen (a memory bitmap of
// the window's size, or of a 1920 x 1080 screen for full screen, at 4x):
// whole, or only what changed. The copy to a real window, and the X
// server's work, are bench/power-save.sh's.
void BM_RallyFrames(benchmark::State &state) {
    rallyInFlight();
    BITMAP *window = screen;
    zoom = static_cast<int>(state.range(0));
    bool whole = state.range(1) != 0, full = state.range(2) != 0;
    screen = full ? create_bitmap(1920, 1080) : create_bitmap(FIELD_W * zoom, FIELD_H * zoom);
    picture_x = full ? (1920 - FIELD_W * zoom) / 2 : 0, picture_y = full ? (1080 - FIELD_H * zoom) / 2 : 0;
    screenChanged();
    for (auto _ : state) {
        advance(input);
        events.count = 0;
        if (game_state != STATE_PLAY) rallyInFlight();
        if (whole) screenChanged();
        drawProcess();
    }
    destroy_bitmap(screen);
    screen = window, zoom = 1, picture_x = picture_y = 0;
    screenChanged();
}
BENCHMARK(BM_RallyFrames)
    ->ArgNames({"zoom", "whole", "full"})
    ->Args({1, 1, 0})
    ->Args({1, 0, 0})
    ->Args({2, 1, 0})
    ->Args({2, 0, 0})
    ->Args({4, 1, 0})
    ->Args({4, 0, 0})
    ->Args({4, 1, 1})
    ->Args({4, 0, 1});

// The whole picture enlarged into a memory bitmap: ours against the library's.
void BM_Enlarge(benchmark::State &state) {
    int n = static_cast<int>(state.range(1));
    BITMAP *big = create_bitmap(FIELD_W * n, FIELD_H * n);
    for (auto _ : state) {
        if (state.range(0)) stretch_blit(Black, big, 0, 0, FIELD_W, FIELD_H, 0, 0, FIELD_W * n, FIELD_H * n);
        else enlarge(Black, 0, 0, FIELD_W, FIELD_H, big, 0, 0, n);
    }
    destroy_bitmap(big);
}
BENCHMARK(BM_Enlarge)->ArgNames({"stretch_blit", "n"})->Args({0, 2})->Args({1, 2})->Args({0, 4})->Args({1, 4});

// Keeps each run's time per iteration, to print the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> nanos;
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &r : runs) nanos[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (allegro_init() != 0) {
        std::fprintf(stderr, "bench: needs a display (run under xvfb-run)\n");
        return 1;
    }
    install_timer();
    install_sound(DIGI_NONE, MIDI_NONE, nullptr);
    if (!bringUpFramesAndData()) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double floor = reporter.nanos["BM_Floor"];
    if (floor > 0) {
        std::printf("\nEach frame as a ratio to the floor (%.0f ns):\n", floor);
        for (const auto &[name, ns] : reporter.nanos)
            if (name.rfind("frame/", 0) == 0) std::printf("  %-8s %5.2f\n", name.c_str() + 6, ns / floor);
        double oneX = reporter.nanos["BM_RallyFrames/zoom:1/whole:1/full:0"];
        if (oneX > 0) {
            std::printf("\nA rally's frames as a ratio to the 1x window sent whole (%.0f ns):\n", oneX);
            for (const auto &[name, ns] : reporter.nanos)
                if (name.rfind("BM_RallyFrames/", 0) == 0) std::printf("  %-24s %5.2f\n", name.c_str() + 15, ns / oneX);
        }
    }
    stop_midi();
    unload_datafile(data);
    return 0;
}
