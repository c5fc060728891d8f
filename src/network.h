// Network play: a two-player match between two machines over ENet, on
// Linux and Windows alike: the waiting screen and the handshake, then the
// match through the rollback (rollback.h), its inputs sent unreliably and
// the rest reliably. The host plays the left paddle, the guest the right;
// it also asks its router for the port (portmap.h), answers searches on
// this network (lan.h) and serves its spectators (audience.h).
#pragma once

namespace rallyton {

// With --host, --join or --watch (watch.h), after initGame: the waiting screen until the
// other player is there and the match starts. ESC there, the close button
// or a signal end the program (game_state becomes STATE_QUIT); a failure
// (nobody answers, another version) ends it with one line and status 1.
void connectPlayers();

// A networked match is under way: the loop hands its ticks to runNetworkTicks.
bool networkMatch();

// Runs the ticks that are due and that both players' inputs have come
// for; the rest wait. Takes the other player's messages. away: the window
// lost the focus (a rally is paused for both). Returns whether a new frame
// is worth drawing.
bool runNetworkTicks(int due, bool away);

// The game is closing (the close button, a signal): tells the other player.
void leaveNetwork();

}  // namespace rallyton
