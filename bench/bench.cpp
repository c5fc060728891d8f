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

// The rally frame with its last copy enlarged (--scale), into a memory
// bitmap of the window's size.
void BM_RallyFrameAtZoom(benchmark::State &state) {
    rallyInFlight();
    BITMAP *window = screen;
    zoom = static_cast<int>(state.range(0));
    screen = create_bitmap(FIELD_W * zoom, FIELD_H * zoom);
    for (auto _ : state) drawProcess();
    destroy_bitmap(screen);
    screen = window;
    zoom = 1;
}
BENCHMARK(BM_RallyFrameAtZoom)->Arg(1)->Arg(2)->Arg(3);

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
        for (const auto &[name, ns] : reporter.nanos)
            if (name.rfind("BM_RallyFrameAtZoom/", 0) == 0)
                std::printf("  rally at %sx %5.2f\n", name.c_str() + 20, ns / floor);
    }
    stop_midi();
    unload_datafile(data);
    return 0;
}
