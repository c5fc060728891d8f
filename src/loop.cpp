// The fixed-rate loop: each pass runs the ticks that came due (for a
// network match or a replay, their own way) and draws a frame; the stall,
// the focus, the close button and the quit signals.
#include "loop.h"

#include <cstdint>

#include "game.h"
#include "network.h"
#include "options.h"
#include "platform.h"
#include "replay.h"

namespace rallyton {

std::atomic<int> ticks{0};
std::atomic<int> close_button_pressed{0};
volatile std::sig_atomic_t signal_caught = 0;

void ticker() {
    ticks++;
    tickArrived();
}

void close_button_handler() { close_button_pressed = TRUE; }

// The window lost the focus (the library's window thread calls this): the
// loop pauses a match at its next pass.
static std::atomic<int> focus_lost{0};
void focusLost() { focus_lost = 1; }

// The signals that end the game as the close button does: the handler only
// raises a flag, the loop ends after its pass and the game shuts down as
// usual. (Allegro's own handlers shut the library down inside the handler,
// under the drawing thread's feet.) A signal ignored when we started, as a
// script's background job has SIGINT and SIGQUIT, stays ignored.
extern "C" void quitSignalHandler(int signo) { signal_caught = signo; }

int exitStatus() { return signal_caught ? 128 + signal_caught : 0; }

// With --power-save a frame is drawn only when what it shows may have
// changed: the match, the player's switches, the line over it, or the
// screen itself.
static bool pictureMayHaveChanged() {
    static std::uint64_t drawn = 0;
    const std::uint64_t parts[] = {matchDigest(match), thesound, thebg, reinterpret_cast<std::uintptr_t>(status_note)};
    std::uint64_t now = digestOf(reinterpret_cast<const unsigned char *>(parts), sizeof parts);
    bool changed = now != drawn || nextFrameWhole();
    drawn = now;
    return changed;
}

void processGamePass() {
    int n = ticks.exchange(0);  // a tick arriving now is neither lost nor run twice
    bool away = focus_lost.exchange(0) != 0;
    if (networkMatch()) {
        // The ticks that are due, our input at once and the other player's
        // as it comes (rolled back and run again when it was not as guessed).
        bool fresh = runNetworkTicks(n, away);
        if (!options.power_save || fresh) drawProcess();
        else waitForTick(TICK_MS);
        if (close_button_pressed || signal_caught) leaveNetwork(), game_state = STATE_QUIT;
        return;
    }
    if (replaying()) {
        runReplayTicks(n);
        if (!options.power_save || n > 0) drawProcess();
        else waitForTick(TICK_MS);
        if (close_button_pressed || signal_caught) game_state = STATE_QUIT;
        return;
    }
    if (away) pauseMatch(), playEvents();  // the player's hands are elsewhere
    if (n > MAX_CATCH_UP_TICKS) {
        // The game was stopped (a suspend, a debugger, a stalled display):
        // it goes on from where it stopped, and a match waits for its player.
        n = 0;
        pauseMatch(), playEvents();
    }
    if (options.power_save && n == 0) {
        waitForTick(TICK_MS);  // the picture cannot have changed: give the processor back
    } else {
        while (n > 0) {
            gatherInput(options.controls);
            int before = game_state;
            advance(input);
            playEvents();
            recordLocalTick(before);
            n--;
        }
        if (!options.power_save || pictureMayHaveChanged()) drawProcess();
    }
    if (close_button_pressed || signal_caught) game_state = STATE_QUIT;
}

void processGame() {
    while (game_state != STATE_QUIT) processGamePass();
}

}  // namespace rallyton
