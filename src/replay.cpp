// Replays recorded, played back and verified (replay.h).
#include "replay.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "loop.h"
#include "match.h"
#include "options.h"
#include "platform.h"
#include "sound.h"
#include "startup.h"
#include "version.h"

namespace rallyton {

namespace {

const unsigned char MAGIC[8] = {'R', 'L', 'T', 'N', 'R', 'P', 'L', 'Y'};
const int VERSION_BYTES = 8;

void say(const std::string &line) { std::fprintf(stderr, "rallyton: %s\n", line.c_str()); }

struct Out {
    std::vector<unsigned char> &bytes;
    void put(std::uint64_t v, int n) {
        for (int i = n - 1; i >= 0; i--) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
};

// Reads with bounds: a read past the end gives zeros and marks the bytes short.
struct In {
    const unsigned char *p, *end;
    bool shortOf = false;
    std::uint64_t take(int n) {
        std::uint64_t v = 0;
        for (int i = 0; i < n; i++) {
            if (p == end) return shortOf = true, 0;
            v = v << 8 | *p++;
        }
        return v;
    }
    // A run's length: 7 bits a byte, the last without its top bit, at most 4 bytes.
    std::uint32_t length() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; i++) {
            std::uint32_t b = std::uint32_t(take(1));
            v = v << 7 | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        return 0;  // too long: no run is
    }
};

std::string readWhole(const std::string &path, std::vector<unsigned char> &bytes) {
    std::FILE *f = openFile(path, "rb");
    if (!f) return std::string("cannot be opened (") + std::strerror(errno) + ")";
    bytes.resize(MAX_REPLAY_BYTES + 1);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    if (bytes.size() > MAX_REPLAY_BYTES) return "is larger than any replay (8 MB)";
    return "";
}

// The verdict of a replay run, as one line.
std::string verdict(const Recording &r, long wrong) {
    std::string ticks = std::to_string(r.inputs.size()) + " ticks";
    if (wrong < 0) return ticks + ", ending on the recorded digest";
    long agreed = wrong / CHECKPOINT_EVERY * CHECKPOINT_EVERY - 1;
    return ticks + ", but it no longer agrees with its recording at tick " + std::to_string(wrong) +
           (agreed < 0 ? " (the first it checks)" : " (it still did at tick " + std::to_string(agreed) + ")");
}

// Every match of the session is kept: the first in the file named, the
// second and later beside it, numbered (match.rly, match-2.rly ...).
struct Recorder {
    std::string path;  // the file asked for: another starts the count again
    bool active = false;
    int kept = 0;  // matches written
    Recording recording;
} recorder;

std::string numbered(const std::string &path, int n) {
    if (n == 1) return path;
    std::size_t dot = path.rfind('.'), slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = path.size();
    return path.substr(0, dot) + "-" + std::to_string(n) + path.substr(dot);
}

Recorder &recorderFor(const std::string &path) {
    if (recorder.path != path) recorder = Recorder(), recorder.path = path;
    return recorder;
}

struct Playback {
    bool on = false;
    Recording recording;
    std::size_t next = 0;  // the next tick to play
    long wrong = -1;  // the first tick that disagreed
    bool escHeld = true;  // ESC held as the replay starts is not a press
} playback;

}  // namespace

std::vector<unsigned char> encodeRecording(const Recording &r) {
    std::vector<unsigned char> bytes(MAGIC, MAGIC + sizeof MAGIC);
    Out out{bytes};
    out.put(REPLAY_FORMAT, 2);
    for (int i = 0; i < VERSION_BYTES; i++)
        out.put(i < int(std::strlen(RALLYTON_VERSION)) ? RALLYTON_VERSION[i] : 0, 1);
    std::vector<unsigned char> start = encodeMatch(r.start);
    bytes.insert(bytes.end(), start.begin(), start.end());
    out.put(r.inputs.size(), 4);
    for (std::size_t t = 0; t < r.inputs.size();) {
        std::size_t run = 1;
        while (t + run < r.inputs.size() && r.inputs[t + run] == r.inputs[t] && run < 0x0FFFFFFF) run++;
        out.put(r.inputs[t], 2);
        for (int shift = 21; shift > 0; shift -= 7)
            if (run >> shift) out.put(0x80 | (run >> shift & 0x7F), 1);
        out.put(run & 0x7F, 1);
        t += run;
    }
    for (std::uint64_t d : r.checkpoints) out.put(d, 8);
    out.put(r.last, 8);
    out.put(digestOf(bytes.data(), bytes.size()), 8);
    return bytes;
}

std::string decodeRecording(const unsigned char *bytes, std::size_t size, Recording &r) {
    if (size > MAX_REPLAY_BYTES) return "is larger than any replay (8 MB)";
    if (size < sizeof MAGIC || std::memcmp(bytes, MAGIC, sizeof MAGIC) != 0) return "is not a replay";
    In in{bytes + sizeof MAGIC, bytes + size};
    unsigned format = unsigned(in.take(2));
    std::string version;
    for (int i = 0; i < VERSION_BYTES; i++)
        if (char c = char(in.take(1))) version += c >= 0x21 && c <= 0x7E ? c : '?';
    if (in.shortOf) return "is cut short";
    if (format != REPLAY_FORMAT)
        return "is a replay of format " + std::to_string(format) + "; this game reads format " +
               std::to_string(REPLAY_FORMAT);
    if (version != RALLYTON_VERSION)
        return "was recorded by rallyton " + version + "; this is rallyton " + RALLYTON_VERSION;
    const unsigned char *start = in.p;
    if (std::size_t(in.end - in.p) < matchBytes()) return "is cut short";
    in.p += matchBytes();
    std::uint32_t ticks = std::uint32_t(in.take(4));
    if (in.shortOf) return "is cut short";
    if (ticks > MAX_REPLAY_TICKS) return "claims " + std::to_string(ticks) + " ticks, more than any replay";
    Recording read;
    read.inputs.reserve(ticks);
    while (read.inputs.size() < ticks) {
        std::uint16_t bits = std::uint16_t(in.take(2));
        std::uint32_t run = in.length();
        if (in.shortOf) return "is cut short";
        if (bits >> PACKED_INPUT_BITS || run == 0 || run > ticks - read.inputs.size()) return "has damaged inputs";
        read.inputs.insert(read.inputs.end(), run, bits);
    }
    for (std::uint32_t c = 0; c < ticks / CHECKPOINT_EVERY; c++) read.checkpoints.push_back(in.take(8));
    read.last = in.take(8);
    std::uint64_t check = in.take(8);
    if (in.shortOf) return "is cut short";
    if (in.p != in.end) return "goes on past its end";
    if (check != digestOf(bytes, size - 8)) return "is damaged (its check digest does not match)";
    if (!decodeMatch(start, matchBytes(), read.start)) return "does not start from a sound match";
    r = std::move(read);
    return "";
}

long firstDisagreement(const Recording &r) {
    const Match outside = match;
    const TickInput outsideInput = input;
    match = r.start;
    TickInput in{};
    long wrong = -1;
    for (std::size_t t = 0; t < r.inputs.size() && wrong < 0; t++) {
        unpackInput(r.inputs[t], in);
        advance(in);
        events.count = 0;
        if ((t + 1) % CHECKPOINT_EVERY == 0 && matchDigest(match) != r.checkpoints[t / CHECKPOINT_EVERY])
            wrong = long(t);
    }
    if (wrong < 0 && matchDigest(match) != r.last) wrong = std::max(0L, long(r.inputs.size()) - 1);
    match = outside, input = outsideInput;
    return wrong;
}

int verifyReplay(const std::string &path) {
    std::vector<unsigned char> bytes;
    Recording r;
    std::string problem = readWhole(path, bytes);
    if (problem.empty()) problem = decodeRecording(bytes.data(), bytes.size(), r);
    if (!problem.empty()) return say(path + " " + problem), 1;
    long wrong = firstDisagreement(r);
    say(path + ": " + verdict(r, wrong));
    return wrong < 0 ? 0 : 1;
}

// ---- playing back in the window ------------------------------------------

void loadReplay() {
    if (options.replay.empty()) return;
    std::vector<unsigned char> bytes;
    std::string problem = readWhole(options.replay, bytes);
    if (problem.empty()) problem = decodeRecording(bytes.data(), bytes.size(), playback.recording);
    if (!problem.empty()) fail(options.replay + " " + problem);
}

void startReplay() {
    if (options.replay.empty()) return;
    match = playback.recording.start;
    playback.on = true, playback.next = 0, playback.wrong = -1, playback.escHeld = true;
    if (playback.recording.inputs.empty() && matchDigest(match) != playback.recording.last) playback.wrong = 0;
}

bool replaying() { return playback.on; }

// The replay is over (at its end, or ESC): one line, and the program ends.
static void endReplay(bool left) {
    const Recording &r = playback.recording;
    if (left)
        say(options.replay + ": left at tick " + std::to_string(playback.next) + " of " +
            std::to_string(r.inputs.size()));
    else say(options.replay + ": " + verdict(r, playback.wrong));
    playback.on = false;
    game_state = STATE_QUIT;
}

void runReplayTicks(int due) {
    const Recording &r = playback.recording;
    for (int n = std::min(due, MAX_CATCH_UP_TICKS); n > 0 && playback.on; n--) {
        gatherInput(options.controls);  // ours: ESC, and the sound and music switches
        bool esc = input.keys[KEY_ESC] != 0;
        if (esc && !playback.escHeld) return endReplay(true);
        playback.escHeld = esc;
        if (playback.next == r.inputs.size()) return endReplay(false);
        std::size_t t = playback.next++;
        TickInput in = input;
        unpackInput(r.inputs[t], in);
        advance(in);
        playEvents();
        bool checked = (t + 1) % CHECKPOINT_EVERY == 0 || t + 1 == r.inputs.size();
        std::uint64_t want = t + 1 == r.inputs.size() ? r.last : checked ? r.checkpoints[t / CHECKPOINT_EVERY] : 0;
        if (checked && playback.wrong < 0 && matchDigest(match) != want) playback.wrong = long(t);
        if (playback.next == r.inputs.size()) return endReplay(false);
    }
}

// ---- recording -------------------------------------------------------------

void beginRecording(const Match &start) {
    if (options.record.empty() || recorderFor(options.record).active) return;
    recorder.recording = Recording();
    recorder.recording.start = start;
    recorder.recording.last = matchDigest(start);
    recorder.active = true;
}

void recordTick(const TickInput &in, const Match &after) {
    if (!recorder.active) return;
    Recording &r = recorder.recording;
    r.inputs.push_back(packInput(in));
    r.last = matchDigest(after);
    if (r.inputs.size() % CHECKPOINT_EVERY == 0) r.checkpoints.push_back(r.last);
    if (r.inputs.size() == MAX_REPLAY_TICKS) finishRecording();
}

void recordLocalTick(int stateBefore) {
    if (!recorder.active) {
        // A match starts as the players menu's choice is taken.
        if (stateBefore == STATE_PLAYERS_MENU && game_state == STATE_MATCH_FADE_OUT) beginRecording(match);
        return;
    }
    recordTick(input, match);
    if (game_state == STATE_TITLE_FADE_IN) finishRecording();  // left for the title
}

void finishRecording() {
    if (options.record.empty() || !recorderFor(options.record).active) return;
    recorder.active = false;
    std::string path = numbered(options.record, ++recorder.kept);
    std::vector<unsigned char> bytes = encodeRecording(recorder.recording);
    std::FILE *f = openFile(path, "wb");
    bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    int why = errno;
    if (f && std::fclose(f) != 0) written = false, why = errno;
    if (!written) return say("cannot write the replay " + path + ": " + std::strerror(why));
    say("the match is recorded in " + path + " (" + std::to_string(recorder.recording.inputs.size()) + " ticks)");
}

void endRecording() {
    finishRecording();
    if (!options.record.empty() && recorderFor(options.record).kept == 0)
        say("no match was played; nothing is recorded in " + options.record);
}

}  // namespace rallyton
