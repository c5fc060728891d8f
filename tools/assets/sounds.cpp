// The two sampled sounds, synthesised: the paddle hit and the menu click.
// Both are peak-normalised when written (see main).
#include <cmath>

#include "assets.h"

namespace assets {

// The paddle hit: a hollow wooden knock with a bright snap on top.
std::vector<double> hitSound() {
    Random rnd{1234};
    std::vector<double> s(SAMPLE_RATE * 12 / 100);
    double lp = 0;
    for (std::size_t i = 0; i < s.size(); i++) {
        double t = static_cast<double>(i) / SAMPLE_RATE;
        double body = std::sin(2 * M_PI * 410 * t) * std::exp(-t / 0.030);
        double shell = 0.6 * std::sin(2 * M_PI * 1130 * t) * std::exp(-t / 0.012);
        lp += 0.35 * ((rnd.unit() * 2 - 1) - lp);
        double snap = 0.8 * lp * std::exp(-t / 0.003);
        double attack = t < 0.0008 ? t / 0.0008 : 1;
        s[i] = attack * (body + shell + snap);
    }
    return s;
}

// The menu click: a short, light tick.
std::vector<double> clickSound() {
    Random rnd{4321};
    std::vector<double> s(SAMPLE_RATE * 3 / 100);
    for (std::size_t i = 0; i < s.size(); i++) {
        double t = static_cast<double>(i) / SAMPLE_RATE;
        double tone = std::sin(2 * M_PI * 2350 * t) * std::exp(-t / 0.005);
        double noise = 0.3 * (rnd.unit() * 2 - 1) * std::exp(-t / 0.0015);
        double attack = t < 0.0004 ? t / 0.0004 : 1;
        s[i] = attack * (tone + noise);
    }
    return s;
}

}  // namespace assets
