#pragma once

// Drawing a test paper: distinct worksheet rows picked at random from the bank, and the
// clock-seeded generator behind the draw.

#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace tiku {

// The next random value, uniform in [0, 1).
using UniformSource = std::function<double()>;

// One worksheet row out of 1 to bankRows for a value r in [0, 1): the integer part of
// bankRows * r + 1. A value outside [0, 1) fails (code 5).
qint16 drawRow(qint16 bankRows, double r);

// count distinct rows out of 1 to bankRows, in the order drawn: question k of the paper is
// element k - 1. Each row is drawn afresh, compared with the rows before it from the first on,
// and drawn again at the first equal one. Fails (code 5) when the bank holds fewer rows than the
// count, or when a source keeps giving rows already taken far beyond any fair chance, so that
// the draw always ends.
std::vector<qint16> drawPaper(qint16 bankRows, qint16 count, const UniformSource& next);

// A seed from the clock, with a counter mixed in so that two seeds taken within the same tick
// of the clock still differ.
std::uint64_t clockSeed();

// The generator of one set-up: 64-bit Mersenne Twister, 53-bit values in [0, 1).
class PaperRandom {
public:
    explicit PaperRandom(std::uint64_t seed) : seed_(seed), engine_(seed) {}
    std::uint64_t seed() const { return seed_; }
    double next() { return double(engine_() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t seed_;
    std::mt19937_64 engine_;
};

} // namespace tiku
