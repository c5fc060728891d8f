// The screens: the state machine with its durations, whole matches, the
// keys of every state, the music playlist, and the frames as pixels.
#include <cstdlib>
#include <set>

#include "support.h"

using namespace test;

namespace {

// Presses ENTER through both menus into a one- or two-player match and
// runs to the first serve countdown.
void startMatch(int players) {
    game_state = STATE_MENU;
    title_trans = -1;
    tapKey(KEY_ENTER);
    ASSERT_EQ(game_state, STATE_PLAYERS_MENU);
    if (players == 2) tapKey(KEY_RIGHT);
    tapKey(KEY_ENTER);
    while (game_state != STATE_SERVE) tick();
}

}  // namespace

// ---- the state machine ------------------------------------------------------

TEST_F(GameTest, FromStartToTheFirstRallyWithEveryDuration) {
    EXPECT_EQ(ticksUntilStateChanges(), 101);
    EXPECT_EQ(game_state, STATE_INTRO);
    EXPECT_EQ(ticksUntilStateChanges(), 657);
    EXPECT_EQ(intro_trans, 0);
    EXPECT_EQ(game_state, STATE_TITLE_DELAY);
    EXPECT_EQ(ticksUntilStateChanges(), 201);
    EXPECT_EQ(game_state, STATE_TITLE_FADE_IN);
    EXPECT_EQ(ticksUntilStateChanges(), 129);
    EXPECT_EQ(game_state, STATE_MENU);
    EXPECT_EQ(title_trans, -1);
    EXPECT_EQ(midi, 0);  // no music before the first serve countdown

    tapKey(KEY_ENTER);
    EXPECT_EQ(game_state, STATE_PLAYERS_MENU);
    key[KEY_ENTER] = 1;
    tick();
    EXPECT_EQ(game_state, STATE_MATCH_FADE_OUT);
    EXPECT_EQ(p2, 0);
    key[KEY_ENTER] = 0;
    EXPECT_EQ(ticksUntilStateChanges(), 129);
    EXPECT_EQ(title_trans, 255);
    EXPECT_EQ(game_state, STATE_MATCH_FADE_IN);
    EXPECT_EQ(ticksUntilStateChanges(), 129);
    EXPECT_EQ(game_state, STATE_SERVE);
    EXPECT_EQ(midi, 0);
    tick();
    EXPECT_EQ(midi, 1);  // the first countdown tick starts the music
    EXPECT_EQ(shu_list[r_midi - 1], 1);
    EXPECT_EQ(ticksUntilStateChanges() + 1, 201);
    EXPECT_EQ(game_state, STATE_PLAY);
    EXPECT_EQ(between, 200);
}

TEST_F(GameTest, IntroFadeRisesHoldsAndFalls) {
    game_state = STATE_INTRO;
    ticksN(128);
    EXPECT_EQ(intro_trans, 256);
    EXPECT_EQ(intro, 400);
    ticksN(400);
    EXPECT_EQ(intro, 0);
    EXPECT_EQ(intro_trans, 256);
    ticksN(128);
    EXPECT_EQ(intro_trans, 0);
    EXPECT_EQ(game_state, STATE_INTRO);
    tick();
    EXPECT_EQ(game_state, STATE_TITLE_DELAY);
}

TEST_F(GameTest, UnknownStatesDoNothing) {
    for (int state : {int(STATE_QUIT), 13, -1}) {
        game_state = state;
        ball.setVel(3, 0);
        tick();
        EXPECT_EQ(game_state, state);
        EXPECT_EQ(ball.x, 155);
        EXPECT_TRUE(allBlack(drawFrame()));
    }
}

TEST_F(GameTest, PauseFreezesEverythingAndPResumes) {
    startMatch(1);
    while (game_state != STATE_PLAY) tick();
    ticksN(5);
    tapKey(KEY_P);
    ASSERT_EQ(game_state, STATE_PAUSE);
    double x = ball.x;
    double y = P1.getY();
    key[KEY_UP] = 1;
    ticksN(50);
    key[KEY_UP] = 0;
    EXPECT_EQ(ball.x, x);
    EXPECT_EQ(P1.getY(), y);
    tapKey(KEY_R);  // no restart in the pause
    EXPECT_EQ(game_state, STATE_PAUSE);
    tapKey(KEY_P);
    EXPECT_EQ(game_state, STATE_PLAY);
    EXPECT_NE(ball.x, x);
}

TEST_F(GameTest, EscapeLeavesTheMatchInSilenceAndRestartKeepsTheMusic) {
    startMatch(1);
    ticksN(3);
    ASSERT_GE(midi_pos, 0);
    tapKey(KEY_R);
    EXPECT_EQ(game_state, STATE_MATCH_FADE_IN);  // one tick of fade-out: restart set the veil to 255
    EXPECT_GE(midi_pos, 0);
    while (game_state != STATE_SERVE) tick();
    tick();
    EXPECT_EQ(shu_num, 0);  // the track plays on, unmarked: the cycle was cleared
    key[KEY_ESC] = 1;
    tick();
    EXPECT_EQ(game_state, STATE_TITLE_FADE_IN);
    EXPECT_LT(midi_pos, 0);
    key[KEY_ESC] = 0;
    EXPECT_EQ(ticksUntilStateChanges(), 129);
    EXPECT_EQ(game_state, STATE_MENU);  // the intro never comes back
}

TEST_F(GameTest, PlayersMenuEscapeGoesBackToStartGame) {
    game_state = STATE_MENU;
    tapKey(KEY_ENTER);
    tapKey(KEY_RIGHT);
    EXPECT_EQ(selection_2[1], 1);
    tapKey(KEY_ESC);
    EXPECT_EQ(game_state, STATE_MENU);
    EXPECT_EQ(selection_1[0], 1);
    tapKey(KEY_ENTER);
    EXPECT_EQ(game_state, STATE_PLAYERS_MENU);
    EXPECT_EQ(selection_2[0], 1);
    EXPECT_EQ(selection_2[1], 0);
}

TEST_F(GameTest, ExitGameFadesOutToQuit) {
    game_state = STATE_MENU;
    title_trans = -1;
    tapKey(KEY_LEFT);  // from the first item, LEFT wraps to the second
    EXPECT_EQ(rallyton::select, 1);
    EXPECT_EQ(selection_1[1], 1);
    key[KEY_ENTER] = 1;
    tick();
    EXPECT_EQ(game_state, STATE_EXIT_FADE_OUT);
    key[KEY_ENTER] = 0;
    EXPECT_EQ(ticksUntilStateChanges(), 129);  // a state entered by a key starts on the next tick
    EXPECT_EQ(game_state, STATE_QUIT);
}

// ---- whole matches ----------------------------------------------------------

TEST_F(GameTest, OnePlayerMatchAgainstTheComputerEndsAtTen) {
    srand(2026);
    startMatch(1);
    int guard = 0;
    while (game_state != STATE_GAME_OVER && guard++ < 400000) tick();
    ASSERT_EQ(game_state, STATE_GAME_OVER);
    EXPECT_TRUE(score[0] == 10 || score[1] == 10);
    EXPECT_EQ(winner, score[0] == 10 ? 1 : 2);
    EXPECT_EQ(score[1], 10);  // nobody moved the left paddle
    // The ball is no longer moved and the computer stops steering.
    double x = ball.x;
    CPU.vel = 2;
    CPU.setCoor(295, 90);
    ball.dir = 0;  // the ball coming at it, far above: the computer would pull up
    ball.y = 0;
    tick();
    EXPECT_EQ(ball.x, x);
    EXPECT_DOUBLE_EQ(CPU.vel, 1.8);
    key[KEY_UP] = 1;
    tick();
    EXPECT_LT(P1.vel, 0);  // the left paddle still answers
}

TEST_F(GameTest, TwoPlayerMatchWithScriptedPlayers) {
    srand(99);
    startMatch(2);
    EXPECT_EQ(p2, 1);
    int guard = 0, t = 0;
    while (game_state != STATE_GAME_OVER && guard++ < 400000) {
        // The left player follows the ball closely, the right one lazily.
        double ballCentre = ball.y + 5;
        key[KEY_UP] = ballCentre < P1.getY() + 20;
        key[KEY_DOWN] = ballCentre > P1.getY() + 40;
        bool awake = (t++ / 40) % 3 != 0;
        key[KEY_W] = awake && ballCentre < CPU.getY() + 25;
        key[KEY_S] = awake && ballCentre > CPU.getY() + 35;
        tick();
        ASSERT_LE(score[0], 10);
        ASSERT_LE(score[1], 10);
    }
    ASSERT_EQ(game_state, STATE_GAME_OVER);
    EXPECT_EQ(winner, score[0] == 10 ? 1 : 2);
    drawFrame();
    int white = countColour(screen, 83, 55, 92, 83, {255, 255, 255});
    if (winner == 2) {
        EXPECT_GT(white, 0);  // "p2 wins" starts at 83
    }
}

TEST_F(GameTest, TenPointsForceGameOverInAnyState) {
    for (int state : {STATE_MENU, STATE_PAUSE, STATE_INTRO_DELAY, STATE_PLAYERS_MENU, STATE_SERVE}) {
        resetGame();
        game_state = state;
        score[1] = 10;
        tick();
        EXPECT_EQ(game_state, STATE_GAME_OVER) << state;
        EXPECT_EQ(winner, 2) << state;
    }
    resetGame();
    score[0] = score[1] = 10;  // the left score is tested first
    tick();
    EXPECT_EQ(winner, 1);
}

TEST_F(GameTest, TenthPointEndsInServeAndTheNextTickDeclaresTheWinner) {
    startMatch(1);
    game_state = STATE_PLAY;
    score[0] = 9;
    ball.setCoor(308, 200);
    ball.vx = 3;
    tick();
    EXPECT_EQ(game_state, STATE_SERVE);
    EXPECT_EQ(winner, 0);
    tick();
    EXPECT_EQ(game_state, STATE_GAME_OVER);
    EXPECT_EQ(winner, 1);
    // ESC in the tick of the tenth point clears the scores: no win.
    resetGame();
    startMatch(1);
    game_state = STATE_PLAY;
    score[1] = 9;
    ball.setCoor(2, 200);
    ball.vx = -3;
    key[KEY_ESC] = 1;
    tick();
    key[KEY_ESC] = 0;
    tick();
    EXPECT_EQ(game_state, STATE_TITLE_FADE_IN);
    EXPECT_EQ(winner, 0);
}

TEST_F(GameTest, RestartDuringTheCountdownShortensTheNextOne) {
    startMatch(1);
    ticksN(50);
    ASSERT_EQ(between, 150);
    tapKey(KEY_R);  // that tick counted down once more before the key
    EXPECT_EQ(between, 149);
    while (game_state != STATE_SERVE) tick();
    EXPECT_EQ(ticksUntilStateChanges(), 150);
    EXPECT_EQ(game_state, STATE_PLAY);
    while (game_state != STATE_SERVE) tick();  // the next point
    EXPECT_EQ(ticksUntilStateChanges(), 201);
}

// ---- keys ---------------------------------------------------------------------

TEST_F(GameTest, EnterHeldFromTheTitleMenuDoesNotAlsoChooseAPlayer) {
    game_state = STATE_MENU;
    key[KEY_ENTER] = 1;
    ticksN(20);
    EXPECT_EQ(game_state, STATE_PLAYERS_MENU);
    key[KEY_ENTER] = 0;
    tick();
    EXPECT_EQ(game_state, STATE_PLAYERS_MENU);
    // ESC held from the players menu into the title menu does not leave the game.
    key[KEY_ESC] = 1;
    ticksN(20);
    EXPECT_EQ(game_state, STATE_MENU);
}

TEST_F(GameTest, TwoKeysInOneTickBothActInTableOrder) {
    game_state = STATE_MENU;
    key[KEY_ENTER] = key[KEY_ESC] = 1;
    tick();
    EXPECT_EQ(game_state, STATE_EXIT_FADE_OUT);

    resetGame();
    startMatch(1);
    while (game_state != STATE_PLAY) tick();
    key[KEY_P] = key[KEY_ESC] = 1;
    tick();
    EXPECT_EQ(game_state, STATE_TITLE_FADE_IN);

    // ESC then R: the match is left (music stopped) and then restarted.
    resetGame();
    startMatch(1);
    while (game_state != STATE_PLAY) tick();
    ASSERT_GE(midi_pos, 0);
    key[KEY_ESC] = key[KEY_R] = 1;
    tick();
    EXPECT_EQ(game_state, STATE_MATCH_FADE_OUT);
    EXPECT_LT(midi_pos, 0);
}

TEST_F(GameTest, KeysThatDoNothingWhereTheyDoNothing) {
    startMatch(1);
    tapKey(KEY_P);  // no pause in the countdown
    EXPECT_EQ(game_state, STATE_SERVE);
    game_state = STATE_INTRO;
    tapKey(KEY_ESC);  // waits, intro and fades cannot be cut short
    tapKey(KEY_ENTER);
    EXPECT_EQ(game_state, STATE_INTRO);
    game_state = STATE_MENU;
    tapKey(KEY_1);  // the switches work only in a match
    tapKey(KEY_2);
    EXPECT_EQ(thesound, 1);
    EXPECT_EQ(thebg, 1);
}

TEST_F(GameTest, SoundAndMusicSwitches) {
    startMatch(1);
    tapKey(KEY_1);
    EXPECT_EQ(thesound, 0);
    tapKey(KEY_2);
    EXPECT_EQ(thebg, 0);
    int digi = -2, music = -2;
    get_volume(&digi, &music);
    EXPECT_EQ(digi, 255);
    EXPECT_EQ(music, 0);
    EXPECT_GE(midi_pos, 0);  // the music goes on, unheard
    tapKey(KEY_2);
    get_volume(&digi, &music);
    EXPECT_EQ(digi, 255);
    EXPECT_EQ(music, 150);
    tapKey(KEY_1);
    EXPECT_EQ(thesound, 1);
}

TEST_F(GameTest, MenuClickSoundsEvenWithSoundEffectsOff) {
    thesound = 0;
    game_state = STATE_MENU;
    tapKey(KEY_RIGHT);
    expectPlayedAsTheGameDoes(15);
    stop_sample(sampleEntry(ASSET_SOUND_CLICK));
    tapKey(KEY_ESC);  // no click for ESC
    EXPECT_FALSE(playing(15));
}

// ---- music ----------------------------------------------------------------------

TEST_F(GameTest, PlaylistPlaysEachTrackOncePerCycle) {
    srand(5);
    game_state = STATE_SERVE;
    r_midi = 2;
    tick();
    EXPECT_EQ(r_midi, 2);  // the track drawn at start-up comes first
    std::set<int> cycle{r_midi};
    for (int played = 1; played < 30; played++) {
        stop_midi();  // the track ends
        tick();
        ASSERT_EQ(midi, 1);
        if (cycle.size() == 3) cycle.clear();
        EXPECT_TRUE(cycle.insert(r_midi).second) << "track " << r_midi << " twice in a cycle";
        EXPECT_EQ(shu_num, static_cast<int>(cycle.size()));
    }
}

TEST_F(GameTest, PauseInTheTickATrackStartsStillResumesIt) {
    game_state = STATE_PLAY;  // midi is 0: this tick starts a track
    key[KEY_P] = 1;
    tick();
    key[KEY_P] = 0;
    tick();
    ASSERT_EQ(game_state, STATE_PAUSE);
    rest(100);
    EXPECT_EQ(midi_pos, 0);  // halted before it began
    tapKey(KEY_P);
    rest(300);
    EXPECT_GT(midi_pos, 0);
}

TEST_F(GameTest, MusicRunsOnlyInMatchStates) {
    for (int state : {STATE_MENU, STATE_PAUSE, STATE_MATCH_FADE_IN, STATE_MATCH_FADE_OUT, STATE_PLAYERS_MENU}) {
        resetGame();
        game_state = state;
        tick();
        EXPECT_EQ(midi, 0) << state;
    }
    resetGame();
    game_state = STATE_GAME_OVER;
    score[0] = 10;
    tick();
    EXPECT_EQ(midi, 1);
}

// ---- frames ---------------------------------------------------------------------

TEST_F(GameTest, DelayScreensAreBlack) {
    for (int state : {STATE_INTRO_DELAY, STATE_TITLE_DELAY}) {
        game_state = state;
        EXPECT_TRUE(allBlack(drawFrame())) << state;
    }
    game_state = STATE_INTRO;
    intro_trans = 0;
    EXPECT_TRUE(allBlack(drawFrame()));
    intro_trans = 256;
    BITMAP *image = bitmapEntry(ASSET_INTRO);
    drawFrame();
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; x += 7) ASSERT_TRUE(same(pixel(screen, x, y), pixel(image, x, y)));
}

TEST_F(GameTest, MenuHighlightFollowsTheFlags) {
    game_state = STATE_MENU;
    drawFrame();
    Colour bright{200, 200, 200}, dim{80, 80, 80}, title{220, 220, 220};
    EXPECT_GT(countColour(screen, 60, 120, 140, 132, bright), 0);
    EXPECT_EQ(countColour(screen, 60, 120, 140, 132, dim), 0);
    EXPECT_GT(countColour(screen, 200, 120, 280, 132, dim), 0);
    EXPECT_EQ(countColour(screen, 200, 120, 280, 132, bright), 0);
    EXPECT_GT(countColour(screen, 75, 84, 235, 112, title), 0);  // RALLYTON
    EXPECT_GT(countColour(screen, 240, 82, 272, 93, title), 0);  // v1.1
    selection_1[0] = selection_1[1] = 1;  // each item by its own flag
    drawFrame();
    EXPECT_GT(countColour(screen, 200, 120, 280, 132, bright), 0);
    EXPECT_GT(countColour(screen, 60, 120, 140, 132, bright), 0);

    // The players menu shows its own items at the same places.
    game_state = STATE_PLAYERS_MENU;
    BITMAP *expected = create_bitmap(320, 240);
    blit(bitmapEntry(ASSET_TABLE), expected, 0, 0, 0, 0, 320, 240);
    textout_ex(expected, fontEntry(ASSET_FONT_BIG), "RALLYTON", 75, 84, makecol(220, 220, 220), -1);
    textout_ex(expected, fontEntry(ASSET_FONT_SMALL), "v1.1", 240, 82, makecol(220, 220, 220), -1);
    textout_ex(expected, fontEntry(ASSET_FONT_SMALL), "1 player", 60, 120, makecol(200, 200, 200), -1);
    textout_ex(expected, fontEntry(ASSET_FONT_SMALL), "2 players", 200, 120, makecol(80, 80, 80), -1);
    EXPECT_TRUE(sameFrame(drawFrame(), expected));
    destroy_bitmap(expected);
}

TEST_F(GameTest, VeiledMenusAndTheMatchFadeIn) {
    for (int state : {STATE_TITLE_FADE_IN, STATE_MATCH_FADE_OUT, STATE_EXIT_FADE_OUT, STATE_MATCH_FADE_IN}) {
        game_state = state;
        title_trans = 255;
        EXPECT_TRUE(allBlack(drawFrame())) << state;
    }
    BITMAP *clear = create_bitmap(320, 240);
    game_state = STATE_PLAY;
    blit(drawFrame(), clear, 0, 0, 0, 0, 320, 240);
    game_state = STATE_MATCH_FADE_IN;
    title_trans = -1;
    EXPECT_TRUE(sameFrame(drawFrame(), clear));
    game_state = STATE_MENU;
    blit(drawFrame(), clear, 0, 0, 0, 0, 320, 240);
    game_state = STATE_TITLE_FADE_IN;
    EXPECT_TRUE(sameFrame(drawFrame(), clear));
    destroy_bitmap(clear);
}

TEST_F(GameTest, ScoresAreWhiteAtTheServeAndDarkInTheRally) {
    score[0] = 3;
    score[1] = 10;
    Colour white{255, 255, 255}, dark{15, 15, 15};
    game_state = STATE_SERVE;
    drawFrame();
    EXPECT_GT(countColour(screen, 70, 90, 90, 118, white), 20);
    EXPECT_GT(countColour(screen, 230, 90, 270, 118, white), 40);  // "10" from x 230
    EXPECT_GT(countColour(screen, 250, 90, 270, 118, white), 20);
    game_state = STATE_PLAY;
    drawFrame();
    EXPECT_EQ(countColour(screen, 70, 90, 90, 118, white), 0);
    EXPECT_GT(countColour(screen, 70, 90, 90, 118, dark), 20);
}

TEST_F(GameTest, StatusLineShowsEachSwitch) {
    game_state = STATE_PLAY;
    thesound = 0;
    drawFrame();
    BITMAP *expected = create_bitmap(320, 240);
    clear_to_color(expected, makecol(0, 0, 0));
    textout_ex(expected, fontEntry(ASSET_FONT_SMALL), "sound:off", 240, 226, makecol(200, 200, 200), -1);
    textout_ex(expected, fontEntry(ASSET_FONT_SMALL), "music:on", 160, 226, makecol(200, 200, 200), -1);
    Colour grey{200, 200, 200};
    EXPECT_EQ(countColour(screen, 160, 226, 320, 240, grey), countColour(expected, 160, 226, 320, 240, grey));
    for (int y = 226; y < 240; y++)
        for (int x = 160; x < 320; x++)
            if (same(pixel(expected, x, y), grey)) {
                ASSERT_TRUE(same(pixel(screen, x, y), grey)) << x << "," << y;
            }
    destroy_bitmap(expected);
}

TEST_F(GameTest, PauseVeilDarkensAllButPaused) {
    game_state = STATE_PLAY;
    drawFrame();
    Colour table = pixel(screen, 120, 60);
    EXPECT_GT(countColour(screen, 160, 226, 320, 240, {200, 200, 200}), 0);
    game_state = STATE_PAUSE;
    drawFrame();
    Colour veiled = pixel(screen, 120, 60);
    EXPECT_NEAR(veiled.b, table.b * 75 / 256, 1);
    EXPECT_EQ(countColour(screen, 160, 226, 320, 240, {200, 200, 200}), 0);  // the status line is under the veil
    EXPECT_GT(countColour(screen, 87, 90, 207, 118, {190, 190, 190}), 40);  // "PAUSED" is not
}

TEST_F(GameTest, WinnerLineAndItsScoreColours) {
    Colour white{255, 255, 255}, dark{15, 15, 15};
    struct Case {
        int winner, p2, textX;
    };
    for (Case c : {Case{1, 0, 92}, Case{2, 1, 83}, Case{2, 0, 74}}) {
        resetGame();
        game_state = STATE_GAME_OVER;
        winner = static_cast<unsigned char>(c.winner);
        p2 = static_cast<unsigned char>(c.p2);
        score[0] = c.winner == 1 ? 10 : 4;
        score[1] = c.winner == 2 ? 10 : 4;
        drawFrame();
        BITMAP *expected = create_bitmap(320, 240);
        clear_to_color(expected, makecol(0, 0, 0));
        const char *text = c.winner == 1 ? "p1 wins" : c.p2 ? "p2 wins" : "cpu wins";
        textout_ex(expected, fontEntry(ASSET_FONT_BIG), text, c.textX, 55, makecol(255, 255, 255), -1);
        for (int y = 55; y < 83; y++)
            for (int x = 0; x < 320; x++)
                ASSERT_EQ(same(pixel(expected, x, y), white), same(pixel(screen, x, y), white))
                    << text << " " << x << "," << y;
        bool leftWon = c.winner == 1;
        EXPECT_GT(countColour(screen, 70, 90, 110, 118, leftWon ? white : dark), 20) << text;
        EXPECT_EQ(countColour(screen, 70, 90, 110, 118, leftWon ? dark : white), 0) << text;
        EXPECT_GT(countColour(screen, 230, 90, 270, 118, leftWon ? dark : white), 20) << text;
        destroy_bitmap(expected);
    }
}

TEST_F(GameTest, GameOverDrawsPaddlesButNoBall) {
    ball.setCoor(100, 40);
    ball.passed = 0;
    game_state = STATE_PLAY;
    drawFrame();
    Colour withBall = pixel(screen, 105, 45);
    game_state = STATE_GAME_OVER;
    drawFrame();
    Colour without = pixel(screen, 105, 45);
    EXPECT_TRUE(same(without, pixel(bitmapEntry(ASSET_TABLE), 105, 45)));
    EXPECT_FALSE(same(withBall, without));
    EXPECT_TRUE(same(pixel(screen, 15, 145), pixel(screen, 15, 145)));
    EXPECT_FALSE(same(pixel(screen, 15, 100), pixel(bitmapEntry(ASSET_TABLE), 15, 100)));  // the left paddle
}
