// What each game state does per tick and how it answers keys: the tick's
// logic, on the match alone.
#include "screens.h"

#include "match.h"

namespace rallyton {

namespace {
const int FADE_STEP = 2;  // the intro and the veil move by this much a tick
const int INTRO_FULL = 256;  // the intro image's level at full strength
}  // namespace

// ---- state logic -------------------------------------------------------

// The start of every match tick: music, then both paddles. At game over
// the computer stops steering and its paddle only coasts.
static void musicAndPaddles(bool computerSteers) {
    events.add(EVENT_MUSIC_STEP);
    P1.handle_input();
    P1.move();
    if (p2) CPU.handle_input();
    else if (computerSteers) ball.AI(&CPU, &P1);
    CPU.move();
}

static void introFade() {
    if (intro > 0 && intro_trans < INTRO_FULL) intro_trans += FADE_STEP;
    else if (intro > 0 && intro_trans == INTRO_FULL) intro--;
    else if (intro == 0 && intro_trans > 0) intro_trans -= FADE_STEP;
    else if (intro == 0 && intro_trans == 0) game_state = STATE_TITLE_DELAY;
}

// A veil fade: down towards clear (it ends at -1), or up towards black.
static void fadeDown(int next) {
    if (title_trans > 0) title_trans -= FADE_STEP;
    else game_state = next;
}

static void fadeUp(int next) {
    if (title_trans < VEIL_BLACK) title_trans += FADE_STEP;
    else game_state = next;
}

void logicProcess() {
    if (score[0] == WIN_SCORE || score[1] == WIN_SCORE) {
        winner = score[0] == WIN_SCORE ? 1 : 2;
        game_state = STATE_GAME_OVER;
    }

    switch (static_cast<unsigned>(game_state)) {
    case STATE_PLAY:
        musicAndPaddles(true);
        ball.move();
        ball.collide(&P1);
        ball.collide(&CPU);
        break;
    case STATE_INTRO: introFade(); break;
    case STATE_SERVE:
        musicAndPaddles(true);
        if (between > 0) {
            between--;
        } else {
            between = SERVE_TICKS;
            game_state = STATE_PLAY;
        }
        break;
    case STATE_INTRO_DELAY:
        if (delay1 > 0) delay1--;
        else game_state = STATE_INTRO;
        break;
    case STATE_TITLE_DELAY:
        if (delay2 > 0) delay2--;
        else game_state = STATE_TITLE_FADE_IN;
        break;
    case STATE_TITLE_FADE_IN: fadeDown(STATE_MENU); break;
    case STATE_MATCH_FADE_OUT: fadeUp(STATE_MATCH_FADE_IN); break;
    case STATE_MATCH_FADE_IN: fadeDown(STATE_SERVE); break;
    case STATE_EXIT_FADE_OUT: fadeUp(STATE_QUIT); break;
    case STATE_GAME_OVER: musicAndPaddles(false); break;
    default:  // the menus and the pause wait for keys; anything else is not a state
        break;
    }
}

// ---- keys --------------------------------------------------------------

static void click() { events.add(EVENT_CLICK); }

static void highlight(unsigned char *selection) {
    selection[0] = selection[1] = 0;
    selection[select] = 1;
    click();
}

static void menuLeftRight(unsigned char *selection) {
    if (keyPressed(KEY_RIGHT)) {
        select = select == 0 ? 1 : 0;
        highlight(selection);
    }
    if (keyPressed(KEY_LEFT)) {
        if (select != 0) select--;
        else select = 1;
        highlight(selection);
    }
}

void pauseMatch() {
    if (game_state != STATE_PLAY && game_state != STATE_SERVE) return;
    paused_from = game_state;
    game_state = STATE_PAUSE;
    events.add(EVENT_MUSIC_PAUSE);
}

void leaveMatch() {
    events.add(EVENT_MUSIC_STOP);
    game_state = STATE_TITLE_FADE_IN;
    restart();
}

static void restartMatch() {
    restart();
    game_state = STATE_MATCH_FADE_OUT;
}

void keyPresses() {
    switch (static_cast<unsigned>(game_state)) {
    case STATE_MENU:
        menuLeftRight(selection_1);
        if (keyPressed(KEY_ENTER)) {
            click();
            game_state = select == 0 ? STATE_PLAYERS_MENU : STATE_EXIT_FADE_OUT;
        }
        if (keyPressed(KEY_ESC)) game_state = STATE_EXIT_FADE_OUT;
        break;
    case STATE_PLAYERS_MENU:
        menuLeftRight(selection_2);
        if (keyPressed(KEY_ENTER)) {
            click();
            p2 = select;
            game_state = STATE_MATCH_FADE_OUT;
        }
        if (keyPressed(KEY_ESC)) {
            select = 0;
            selection_2[0] = 1;
            selection_2[1] = 0;
            game_state = STATE_MENU;
        }
        break;
    case STATE_PLAY:
        if (keyPressed(KEY_P)) pauseMatch();
        if (keyPressed(KEY_ESC)) leaveMatch();
        if (keyPressed(KEY_R)) restartMatch();
        events.add(EVENT_SWITCH_KEYS);
        break;
    case STATE_SERVE:
    case STATE_GAME_OVER:
        if (keyPressed(KEY_ESC)) leaveMatch();
        if (keyPressed(KEY_R)) restartMatch();
        events.add(EVENT_SWITCH_KEYS);
        break;
    case STATE_PAUSE:
        if (keyPressed(KEY_P)) {
            game_state = paused_from;
            events.add(EVENT_MUSIC_RESUME);
        }
        if (keyPressed(KEY_ESC)) leaveMatch();
        events.add(EVENT_SWITCH_KEYS);
        break;
    default:  // waits, intro and fades cannot be cut short
        break;
    }
}

}  // namespace rallyton
