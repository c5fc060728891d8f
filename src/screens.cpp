#include "screens.h"

#include <cstdlib>
#include <string_view>

#include "game.h"
#include "version.h"

namespace rallyton {

namespace {
const int FADE_STEP = 2;  // the intro and the veil move by this much a tick
const int INTRO_FULL = 256;  // the intro image's level at full strength
const int PAUSE_VEIL = 180;  // the pause veil's level: the frame keeps about 29 % of its light
constexpr char VERSION_TAG[] = "v1.1";  // the title's tag, as designed: it must name the version built
static_assert(std::string_view(VERSION_TAG + 1) == RALLYTON_VERSION, "the title's tag names another version");
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

// ---- music -------------------------------------------------------------

static int drawTrack() { return rand() % TRACK_COUNT + 1; }

void musicProcess() {
    if (midi && midi_pos < 0) {  // the track we started has ended
        if (shu_num >= TRACK_COUNT) {  // every track started in this cycle
            shu_list[0] = shu_list[1] = shu_list[2] = 0;
            shu_num = 0;
        }
        r_midi = drawTrack();
        while (shu_list[r_midi - 1] == 1) r_midi = drawTrack();
        midi = 0;
    }
    if (!midi) {
        play_midi(trackEntry(r_midi), 0);
        shu_list[r_midi - 1] = 1;
        shu_num++;
        midi = 1;
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

// The sound and music switches are each player's own, outside the match:
// their presses are told apart from the match's keys, as keyPressed does.
static unsigned char switchHeld[2];
static bool switchPressed(int which, int k) {
    bool wasHeld = switchHeld[which] != 0;
    switchHeld[which] = input.keys[k] ? 1 : 0;
    return switchHeld[which] && !wasHeld;
}

static void soundSwitch() { thesound = thesound ? 0 : 1; }

// The sample volume is left alone (-1): changing it while the software
// synth plays makes a just-released note hang on forever.
static void musicSwitch() {
    if (thebg) {
        set_volume(-1, 0);
        thebg = 0;
    } else {
        set_volume(-1, MUSIC_VOLUME);
        thebg = 1;
    }
}

static void switchKeys() {
    if (switchPressed(0, KEY_1)) soundSwitch();
    if (switchPressed(1, KEY_2)) musicSwitch();
}

// The library's player works out its speed on its first run, about 20 ms
// after a track starts, and that run also moves midi_pos from 0 to 1. A
// track paused before then has no speed to resume at and would stay silent
// for good, so it starts again from its beginning instead.
static void resumeMusic() {
    if (midi_pos == 0) play_midi(trackEntry(r_midi), 0);
    else midi_resume();
}

void playEvents() {
    for (int i = 0; i < events.count; i++) switch (events.list[i]) {
        case EVENT_HIT:
            if (thesound) playSound(ASSET_SOUND_HIT);
            break;
        case EVENT_CLICK: playSound(ASSET_SOUND_CLICK); break;
        case EVENT_MUSIC_STEP: musicProcess(); break;
        case EVENT_MUSIC_STOP: stop_midi(); break;
        case EVENT_MUSIC_PAUSE: midi_pause(); break;
        case EVENT_MUSIC_RESUME: resumeMusic(); break;
        case EVENT_SHUFFLE_RESET:
            shu_list[0] = shu_list[1] = shu_list[2] = 0;
            shu_num = 0;
            break;
        case EVENT_SWITCH_KEYS: switchKeys(); break;
        }
    events.count = 0;
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

// ---- drawing -----------------------------------------------------------

static void drawBackground() { blit(bitmapEntry(ASSET_TABLE), DoubleBuffer, 0, 0, 0, 0, FIELD_W, FIELD_H); }

static void drawScores(int left, int right) {
    writeTextFromInt("%d", score[0], 70, 90, left);
    writeTextFromInt("%d", score[1], 230, 90, right);
}

static void drawWinnerLine() {
    int white = makecol(255, 255, 255);
    int dark = makecol(15, 15, 15);
    if (winner == 1) {
        writeTextFromInt("p1 wins", score[0], 92, 55, white);
        drawScores(white, dark);
    } else if (winner == 2 && p2) {
        writeTextFromInt("p2 wins", score[0], 83, 55, white);
        drawScores(dark, white);
    } else if (winner == 2) {
        writeTextFromInt("cpu wins", score[0], 74, 55, white);
        drawScores(dark, white);
    }
}

static void drawPlayField() {
    bool whiteScores = game_state == STATE_SERVE || game_state == STATE_GAME_OVER;
    int s = whiteScores ? makecol(255, 255, 255) : makecol(15, 15, 15);

    drawBackground();
    drawScores(s, s);
    if (game_state == STATE_GAME_OVER) drawWinnerLine();
    P1.draw();
    CPU.draw();
    if (game_state != STATE_GAME_OVER) ball.draw();
    int grey = makecol(200, 200, 200);
    writeTextFromInt2(thesound ? "sound:on" : "sound:off", score[0], 240, 226, grey);
    writeTextFromInt2(thebg ? "music:on" : "music:off", score[0], 160, 226, grey);
    if (!connection_note.empty())  // the status line's free corner, past the left paddle's column, before the music's
        writeTextFromInt2(connection_note.c_str(), 0, 24, 226, makecol(120, 120, 120));

    if (game_state == STATE_PAUSE) {
        fadeIn(Black, PAUSE_VEIL, 0, 0);
        writeTextFromInt("PAUSED", score[0], 87, 90, makecol(190, 190, 190));
    } else if (game_state == STATE_MATCH_FADE_IN) {
        fadeIn(Black, title_trans, 0, 0);
    }
}

static void drawMenu(const char *const *texts, const unsigned char *flags, bool veiled) {
    drawBackground();
    int title = makecol(220, 220, 220);
    writeTextFromInt("RALLYTON", score[0], 75, 84, title);
    writeTextFromInt2(VERSION_TAG, score[0], 240, 82, title);
    for (int i = 0; i < 2; i++)
        writeTextFromInt2(texts[i], score[0], sx[i], 120, flags[i] ? makecol(200, 200, 200) : makecol(80, 80, 80));
    if (veiled) fadeIn(Black, title_trans, 0, 0);
}

void drawProcess() {
    buildFrame();
    blitBuffer();
}

void buildFrame() {
    switch (static_cast<unsigned>(game_state)) {
    case STATE_MENU: drawMenu(s_text_1, selection_1, false); break;
    case STATE_INTRO: fadeIn(bitmapEntry(ASSET_INTRO), intro_trans, 0, 0); break;
    case STATE_TITLE_FADE_IN:
    case STATE_EXIT_FADE_OUT: drawMenu(s_text_1, selection_1, true); break;
    case STATE_MATCH_FADE_OUT: drawMenu(s_text_2, selection_2, true); break;
    case STATE_PLAYERS_MENU: drawMenu(s_text_2, selection_2, false); break;
    case STATE_PLAY:
    case STATE_SERVE:
    case STATE_PAUSE:
    case STATE_MATCH_FADE_IN:
    case STATE_GAME_OVER: drawPlayField(); break;
    default:  // the delays, STATE_QUIT and anything unknown: black
        break;
    }
    if (status_note) {
        FONT *small = fontEntry(ASSET_FONT_SMALL);
        writeTextFromInt2(status_note, 0, (FIELD_W - text_length(small, status_note)) / 2, 140, makecol(230, 230, 230));
    }
}

}  // namespace rallyton
