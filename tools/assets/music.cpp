// The three tunes, composed by rule: chords per section, a melody of
// two-bar phrases that lean on the chords, comping, bass and drums, all
// with instruments that freepats has. The formats file writes them out.
#include <cstdlib>

#include "assets.h"

namespace assets {

namespace {

// A chord is a root note and a quality; its tones are a triad above it.
struct Chord {
    int root;  // MIDI note of the root, in the bass's octave
    bool minor;
    std::vector<int> tones() const { return {root, root + (minor ? 3 : 4), root + 7}; }
};

struct Style {
    int bpm;
    int seed;
    std::vector<int> scale;  // pitch classes the melody may use
    std::vector<Chord> verse, bridge;  // eight bars each
    std::string form;  // sections: I intro, A verse, B bridge, O outro
    int lead, comp, bass;  // General MIDI programs freepats has
    int leadOctave;  // added to chord roots for the melody
    const char *kick, *snare, *hat;  // sixteen steps a bar: x loud, o soft, . rest
    int kickKey, snareKey, hatKey, crashKey;
    int compStyle;  // 0 off-beat stabs, 1 held chords, 2 quarter pulse
    int bassStyle;  // 0 root-fifth eighths, 1 walking quarters, 2 driving eighths
};

const int BAR = PPQ * 4;
const int STEP = PPQ / 4;  // a sixteenth

// The melody of one section: two-bar phrases whose rhythm repeats and
// whose notes lean on the chord of each bar.
std::vector<Note> melody(const Style &st, const std::vector<Chord> &chords, int startBar, Random &rnd) {
    static const int rhythms[][8] = {
        // lengths in eighths, 0 ends the list; each sums to 8 (one bar)
        {2, 1, 1, 2, 2, 0}, {1, 1, 1, 1, 2, 2, 0}, {3, 1, 2, 2, 0},
        {2, 2, 1, 1, 2, 0}, {1, 2, 1, 2, 2, 0},    {4, 2, 2, 0},
    };
    const int nRhythms = sizeof rhythms / sizeof rhythms[0];
    const int motif[2] = {rnd.below(nRhythms), rnd.below(nRhythms)};
    std::vector<Note> notes;
    int last = chords[0].root + st.leadOctave + 7;
    auto inScale = [&](int n) {
        for (int pc : st.scale)
            if ((n % 12 + 12) % 12 == pc) return true;
        return false;
    };
    for (std::size_t bar = 0; bar < chords.size(); bar++) {
        const int *rhythm = rhythms[motif[bar % 2]];
        if (bar % 4 == 3) rhythm = rhythms[5];  // every phrase breathes at its end
        int t = 0;
        for (int k = 0; rhythm[k]; k++) {
            int len = rhythm[k] * PPQ / 2;
            int pitch;
            if (t % PPQ == 0) {  // on the beat: the nearest chord tone
                std::vector<int> tones = chords[bar].tones();
                int best = last, dist = 99;
                for (int tone : tones)
                    for (int oct = -12; oct <= 24; oct += 12) {
                        int cand = tone + st.leadOctave + oct;
                        int d = std::abs(cand - last) + rnd.below(4);
                        if (d < dist && cand >= 60 && cand <= 86) {
                            dist = d;
                            best = cand;
                        }
                    }
                pitch = best;
            } else {  // between beats: a step along the scale
                int dirn = rnd.below(2) ? 1 : -1;
                if (last > 80) dirn = -1;
                if (last < 64) dirn = 1;
                pitch = last + dirn;
                while (!inScale(pitch)) pitch += dirn;
            }
            bool rest = k > 0 && rnd.below(9) == 0;
            if (!rest)
                notes.push_back({(startBar + static_cast<int>(bar)) * BAR + t, len - 8, pitch, 92 + rnd.below(20)});
            last = pitch;
            t += len;
        }
    }
    return notes;
}

std::vector<Note> drumBar(const Style &st, int bar, bool fill, bool crash) {
    std::vector<Note> notes;
    auto pattern = [&](const char *p, int keyNote) {
        for (int i = 0; i < 16; i++)
            if (p[i] == 'x' || p[i] == 'o')
                notes.push_back({bar * BAR + i * STEP, STEP, keyNote, p[i] == 'x' ? 112 : 72});
    };
    pattern(st.kick, st.kickKey);
    pattern(fill ? "....x.x.xxxxx.xx" : st.snare, st.snareKey);
    pattern(st.hat, st.hatKey);
    if (crash) notes.push_back({bar * BAR, PPQ, st.crashKey, 110});
    return notes;
}

std::vector<Note> bassBar(const Style &st, const Chord &c, int bar) {
    std::vector<Note> notes;
    int r = c.root - 12;
    int start = bar * BAR;
    if (st.bassStyle == 0) {
        const int seq[8] = {0, 0, 7, 0, 12, 0, 7, 0};
        for (int i = 0; i < 8; i++) notes.push_back({start + i * PPQ / 2, PPQ / 2 - 6, r + seq[i], 100});
    } else if (st.bassStyle == 1) {
        const int seq[4] = {0, c.minor ? 3 : 4, 7, 5};
        for (int i = 0; i < 4; i++) notes.push_back({start + i * PPQ, PPQ - 8, r + seq[i], 96});
    } else {
        for (int i = 0; i < 8; i++)
            notes.push_back({start + i * PPQ / 2, PPQ / 2 - 10, r + (i == 6 ? 7 : 0), i % 2 ? 88 : 110});
    }
    return notes;
}

std::vector<Note> compBar(const Style &st, const Chord &c, int bar) {
    std::vector<Note> notes;
    int start = bar * BAR;
    for (int tone : c.tones()) {
        int n = tone + 12;
        if (st.compStyle == 0) {
            for (int i = 0; i < 4; i++) notes.push_back({start + i * PPQ + PPQ / 2, PPQ / 3, n, 70});
        } else if (st.compStyle == 1) {
            notes.push_back({start, BAR - 12, n, 62});
        } else {
            for (int i = 0; i < 4; i++) notes.push_back({start + i * PPQ, PPQ / 2, n, i == 0 ? 78 : 64});
        }
    }
    return notes;
}

Tune song(const Style &st) {
    Random rnd{static_cast<std::uint32_t>(st.seed)};
    Part lead{0, st.lead, {}}, comp{1, st.comp, {}}, bass{2, st.bass, {}}, drums{9, -1, {}};
    std::vector<Note> verseTune, bridgeTune;
    int bar = 0;
    auto add = [](std::vector<Note> &to, const std::vector<Note> &from, int shift) {
        for (Note n : from) {
            n.start += shift;
            to.push_back(n);
        }
    };
    for (char section : st.form) {
        const std::vector<Chord> &chords = section == 'B' ? st.bridge : st.verse;
        int bars = section == 'I' || section == 'O' ? 4 : 8;
        if (section == 'A' || section == 'B') {
            std::vector<Note> &tune = section == 'A' ? verseTune : bridgeTune;
            if (tune.empty()) tune = melody(st, chords, 0, rnd);  // a section's tune comes back unchanged
            add(lead.notes, tune, bar * BAR);
        }
        for (int b = 0; b < bars; b++) {
            const Chord &c = chords[static_cast<std::size_t>(b)];
            bool last = section == 'O' && b == bars - 1;
            if (last) {  // the final chord rings out
                for (int tone : chords[0].tones()) comp.notes.push_back({(bar + b) * BAR, BAR * 2, tone + 12, 80});
                bass.notes.push_back({(bar + b) * BAR, BAR * 2, chords[0].root - 12, 100});
                lead.notes.push_back({(bar + b) * BAR, BAR * 2, chords[0].root + st.leadOctave + 12, 96});
                drums.notes.push_back({(bar + b) * BAR, PPQ, st.crashKey, 120});
                drums.notes.push_back({(bar + b) * BAR, PPQ, st.kickKey, 120});
                continue;
            }
            add(comp.notes, compBar(st, c, bar + b), 0);
            add(bass.notes, bassBar(st, c, bar + b), 0);
            add(drums.notes, drumBar(st, bar + b, b == bars - 1 && section != 'O', b == 0 && section != 'I'), 0);
        }
        bar += bars;
    }
    return {st.bpm, {lead, comp, bass, drums}};
}

// Three moods. C D E F G A B are 60 62 64 65 67 69 71 an octave up.
Style style(Mood mood) {
    const int C = 48, D = 50, E = 52, F = 53, G = 55, A = 57, B = 59, Bb = 58;
    Style bright{132,
                 7,
                 {0, 2, 4, 5, 7, 9, 11},
                 {{C, false}, {G, false}, {A, true}, {F, false}, {C, false}, {G, false}, {F, false}, {G, false}},
                 {{A, true}, {F, false}, {C, false}, {G, false}, {A, true}, {F, false}, {G, false}, {G, false}},
                 "IAABABAO",
                 80,
                 4,
                 38,
                 24,
                 "x.....x.x.......",
                 "....x.......x...",
                 "x.x.x.x.x.x.x.xo",
                 36,
                 38,
                 42,
                 49,
                 0,
                 0};
    Style mellow{96,
                 11,
                 {2, 4, 5, 7, 9, 11, 0},
                 {{D, true}, {G, false}, {A, true}, {E, true}, {D, true}, {G, false}, {C, false}, {A, false}},
                 {{F, false}, {C, false}, {G, false}, {D, true}, {Bb, false}, {F, false}, {G, false}, {A, false}},
                 "IAABAO",
                 66,
                 5,
                 33,
                 12,
                 "x.......x..o....",
                 "....o.......o..o",
                 "x..ox..ox..ox..o",
                 35,
                 37,
                 51,
                 55,
                 1,
                 1};
    Style driving{150,
                  23,
                  {4, 6, 7, 9, 11, 0, 2},
                  {{E, true}, {C, false}, {D, false}, {B, true}, {E, true}, {C, false}, {D, false}, {D, false}},
                  {{C, false}, {D, false}, {E, true}, {E, true}, {A, true}, {C, false}, {B, false}, {B, false}},
                  "IAABABAO",
                  29,
                  45,
                  34,
                  24,
                  "x.x...x.x.x...x.",
                  "....x.......x...",
                  "xoxoxoxoxoxoxoxo",
                  36,
                  40,
                  42,
                  57,
                  2,
                  2};
    return mood == Mood::BRIGHT ? bright : mood == Mood::MELLOW ? mellow : driving;
}

}  // namespace

Tune tune(Mood mood) { return song(style(mood)); }

}  // namespace assets
