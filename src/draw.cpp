// The frame each pass draws: the current state's picture (the table, the
// paddles and the ball, the scores, the menus, the veils) with the line
// over it and the network's corner line, then sent to the screen.
#include "draw.h"

#include <string_view>

#include "assets.h"
#include "match.h"
#include "picture.h"
#include "sound.h"
#include "version.h"

namespace rallyton {

namespace {
const int PAUSE_VEIL = 180;  // the pause veil's level: the frame keeps about 29 % of its light
const int SHEEN_ALPHA = 30;  // the paddles' sheen
const int PASSED_ALPHA = 40;  // the faint ball behind a paddle line
const int TRAIL_ALPHA_STEP = 4;  // each newer trail copy this much stronger
constexpr char VERSION_TAG[] = "v1.1";  // the title's tag: it must name the version built
static_assert(std::string_view(VERSION_TAG + 1) == RALLYTON_VERSION, "the title's tag names another version");
}  // namespace

const char *status_note = nullptr;
std::string connection_note;
static const char *s_text_1[2] = {"start game", "exit game"};
static const char *s_text_2[2] = {"1 player", "2 players"};
static int sx[2] = {60, 200};

// The paddle, then its sheen translucent over it, one pixel up and left.
void Pong::draw() {
    draw_sprite(DoubleBuffer, bitmapEntry(ASSET_PADDLE_LEFT + id), static_cast<int>(x), static_cast<int>(y));
    fadeIn(bitmapEntry(ASSET_SHEEN_LEFT + id), SHEEN_ALPHA, static_cast<int>(x - 1), static_cast<int>(y - 1));
}

void Ball::draw() {
    BITMAP *image = bitmapEntry(ASSET_BALL_RIGHT + dir);
    if (passed == 0) {
        draw_sprite(DoubleBuffer, image, static_cast<int>(x), static_cast<int>(y));
        // Oldest first, so the newer copies lie on top; entry 0 is not drawn.
        for (int k = num_trail - 1; k >= 1; k--)
            fadeIn(image, TRAIL_ALPHA_STEP * (num_trail - k), static_cast<int>(trail_x[k]),
                   static_cast<int>(trail_y[k]));
    } else {
        fadeIn(image, PASSED_ALPHA, static_cast<int>(x), static_cast<int>(y));
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
