// The match and its tick, and the match field by field (match.h).
#include "match.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "screens.h"

namespace rallyton {

Match match;
int &game_state = match.game_state;
int (&score)[2] = match.score;
unsigned char &winner = match.winner;
int &between = match.between;
int &delay1 = match.delay1;
int &delay2 = match.delay2;
int &intro = match.intro;
int &intro_trans = match.intro_trans;
int &title_trans = match.title_trans;
int &paused_from = match.paused_from;
unsigned char &select = match.select;
unsigned char (&selection_1)[2] = match.selection_1;
unsigned char (&selection_2)[2] = match.selection_2;
unsigned char &p2 = match.p2;
Pong &P1 = match.P1;
Pong &CPU = match.CPU;
Ball &ball = match.ball;
Events events;

// Paddles at their lines and the ball, all centred on the middle row;
// the ball also on the middle column, served to the right.
static void placeForMatchStart() {
    P1.setCoor(LEFT_PADDLE_X, (FIELD_H - PADDLE_HEIGHT) / 2);
    CPU.setCoor(RIGHT_PADDLE_X, (FIELD_H - PADDLE_HEIGHT) / 2);
    ball.setCoor((FIELD_W - BALL_SIZE) / 2, (FIELD_H - BALL_SIZE) / 2);
    ball.setVel(SERVE_SPEED, 0);
}

void setStartValues() {
    game_state = STATE_INTRO_DELAY;
    placeForMatchStart();
    between = SERVE_TICKS;
    intro = INTRO_HOLD_TICKS;
    delay1 = INTRO_DELAY_TICKS;
    delay2 = TITLE_DELAY_TICKS;
    intro_trans = 0;
    title_trans = VEIL_BLACK;
    select = 0;
    score[0] = 0;
    score[1] = 0;
}

void advance(const TickInput &in) {
    input = in;
    logicProcess();
    keyPresses();
}

int cpuRandom() {
    match.cpu_random = match.cpu_random * 214013u + 2531011u;  // a plain linear congruential step
    return static_cast<int>(match.cpu_random >> 16 & 0x7FFF);
}

void restart() {
    placeForMatchStart();
    score[0] = 0;
    score[1] = 0;
    winner = 0;
    events.add(EVENT_SHUFFLE_RESET);
    title_trans = VEIL_BLACK;
    selection_1[0] = 1;
    selection_1[1] = 0;
    selection_2[0] = 1;
    selection_2[1] = 0;
    select = 0;
}

bool keyPressed(int k) {
    if (input.keys[k]) {
        if (match.MyKeyArray[k]) return false;
        match.MyKeyArray[k] = 1;
        return true;
    }
    match.MyKeyArray[k] = 0;
    return false;
}

namespace {

// Positions and speeds of a real match stay far inside this; a value
// outside it (or not a number) is not a match.
const double FAR = 1e6;

// Every field of the match, once, with the bounds a sound match keeps it
// in: f(field, lowest, highest).
template <typename M, typename F>
void eachField(M &m, F &&f) {
    f(m.game_state, 0, STATE_GAME_OVER);
    for (auto &s : m.score) f(s, 0, WIN_SCORE);
    f(m.winner, 0, 2);
    f(m.between, 0, SERVE_TICKS);
    f(m.delay1, 0, INTRO_DELAY_TICKS);
    f(m.delay2, 0, TITLE_DELAY_TICKS);
    f(m.intro, 0, INTRO_HOLD_TICKS);
    f(m.intro_trans, 0, VEIL_BLACK + 1);
    f(m.title_trans, -1, VEIL_BLACK);
    f(m.paused_from, STATE_PLAY, STATE_SERVE);
    f(m.select, 0, 1);
    for (auto &s : m.selection_1) f(s, 0, 1);
    for (auto &s : m.selection_2) f(s, 0, 1);
    f(m.p2, 0, 1);
    int id = 0;
    for (auto *p : {&m.P1, &m.CPU}) {
        f(p->height, PADDLE_HEIGHT, PADDLE_HEIGHT);
        f(p->id, id, id), id++;
        f(p->x, -FAR, FAR), f(p->y, -FAR, FAR), f(p->vel, -FAR, FAR);
    }
    auto &b = m.ball;
    f(b.vx, -FAR, FAR), f(b.vy, -FAR, FAR), f(b.x, -FAR, FAR), f(b.y, -FAR, FAR);
    f(b.size, BALL_SIZE, BALL_SIZE);
    f(b.passed, 0, 1), f(b.dir, 0, 1);
    for (int k = 0; k < num_trail; k++) f(b.trail_x[k], -FAR, FAR), f(b.trail_y[k], -FAR, FAR);
    f(m.cpu_random, 0, 0xFFFFFFFFll);
    for (int k : TICK_KEYS) f(m.MyKeyArray[k], 0, 1);
}

// Writes each field big-endian into a sink: the bytes themselves, or
// straight into a digest.
template <typename Sink>
struct Writer {
    Sink &sink;
    void put(std::uint64_t v, int n) {
        for (int i = n - 1; i >= 0; i--) sink(static_cast<unsigned char>(v >> (8 * i)));
    }
    template <typename T>
    void operator()(const T &v, long long, long long) {
        put(static_cast<std::uint64_t>(static_cast<long long>(v)), sizeof(T));
    }
    void operator()(const double &v, double, double) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        put(bits, 8);
    }
};

const std::uint64_t FNV_PRIME = 1099511628211u;

struct Reader {
    const unsigned char *p;
    bool good = true;
    std::uint64_t take(int n) {
        std::uint64_t v = 0;
        for (int i = 0; i < n; i++) v = v << 8 | *p++;
        return v;
    }
    template <typename T>
    void operator()(T &v, long long lowest, long long highest) {
        std::uint64_t raw = take(sizeof(T));
        long long value = static_cast<long long>(raw);
        if (std::is_signed<T>::value && raw >> (8 * sizeof(T) - 1)) value -= 1ll << (8 * sizeof(T));
        if (value < lowest || value > highest) good = false;
        else v = static_cast<T>(value);
    }
    void operator()(double &v, double lowest, double highest) {
        std::uint64_t bits = take(8);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        if (!(d >= lowest && d <= highest)) good = false;  // NaN fails too
        else v = d;
    }
};

// The fields whose values are a set, not the whole range between their
// bounds: P resumes a rally or a serve countdown (never the intro); the
// fades move by two from where they start, so the intro's level is even
// and the veil's odd (another would step past the end, and a fade would
// never finish).
bool valuesHeld(const Match &m) {
    return (m.paused_from == STATE_PLAY || m.paused_from == STATE_SERVE) && m.intro_trans % 2 == 0 &&
           (m.title_trans & 1) == 1;
}

}  // namespace

std::vector<unsigned char> encodeMatch(const Match &m) {
    std::vector<unsigned char> out;
    auto append = [&out](unsigned char b) { out.push_back(b); };
    eachField(m, Writer<decltype(append)>{append});
    return out;
}

std::size_t matchBytes() {
    static const std::size_t bytes = encodeMatch(Match()).size();
    return bytes;
}

bool decodeMatch(const unsigned char *bytes, std::size_t size, Match &m) {
    if (size != matchBytes()) return false;
    Match read;
    Reader r{bytes};
    eachField(read, r);
    if (!r.good || !valuesHeld(read)) return false;
    m = read;
    return true;
}

std::uint64_t digestOf(const unsigned char *bytes, std::size_t size, std::uint64_t h) {
    for (std::size_t i = 0; i < size; i++) h = (h ^ bytes[i]) * FNV_PRIME;
    return h;
}

std::uint64_t matchDigest(const Match &m) {  // digestOf(encodeMatch(m)), without the bytes
    std::uint64_t h = 14695981039346656037u;
    auto mix = [&h](unsigned char b) { h = (h ^ b) * FNV_PRIME; };
    eachField(m, Writer<decltype(mix)>{mix});
    return h;
}

long syncTest(const Match &start, const std::vector<std::uint16_t> &inputs, int depth,
              void (*tick)(const TickInput &)) {
    depth = std::max(depth, 1);
    std::vector<Match> before(depth);  // the states before the last `depth` ticks, by tick % depth
    std::vector<std::uint64_t> after(depth);  // and their digests after
    const Match outside = match;
    const TickInput outsideInput = input;
    TickInput in{};
    auto run = [&](long t) {
        unpackInput(inputs[t], in);
        tick(in);
        events.count = 0;  // a test hears nothing
    };
    match = start;
    long wrong = -1;
    for (long t = 0; t < static_cast<long>(inputs.size()) && wrong < 0; t++) {
        before[t % depth] = match;
        run(t);
        after[t % depth] = matchDigest(match);
        long from = std::max(0L, t - depth + 1);
        match = before[from % depth];
        for (long u = from; u <= t && wrong < 0; u++)
            if (run(u), matchDigest(match) != after[u % depth]) wrong = u;
    }
    match = outside, input = outsideInput;
    return wrong;
}

}  // namespace rallyton
