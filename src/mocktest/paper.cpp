#include "paper.h"

#include "core/failure.h"

#include <atomic>
#include <chrono>
#include <cmath>

namespace tiku {

namespace {
Failure badDraw(const QString& what) {
    return Failure(ErrorKind::InvalidCall, what);
}
} // namespace

qint16 drawRow(qint16 bankRows, double r) {
    if (!(r >= 0.0 && r < 1.0) || bankRows < 1) {
        throw badDraw(QStringLiteral("随机数超出范围。"));
    }
    // floor(n * r) + 1 rather than floor(n * r + 1): the sum can round up to n + 1 for r just
    // below 1, the product never reaches n.
    const int row = int(std::floor(double(bankRows) * r)) + 1;
    if (row < 1 || row > bankRows) {
        throw badDraw(QStringLiteral("抽题超出题库范围。"));
    }
    return qint16(row);
}

std::vector<qint16> drawPaper(qint16 bankRows, qint16 count, const UniformSource& next) {
    if (count < 1) {
        return {};
    }
    if (bankRows < count) {
        throw badDraw(QStringLiteral("题库中的题目不足，无法组卷。"));
    }
    // A fair source takes a new row at each draw with a chance of at least 1 / bankRows, so
    // 64 * bankRows draws for one place fail only with a chance below e^-64.
    const long long drawsPerPlace = 64LL * bankRows + 64;
    std::vector<qint16> rows;
    rows.reserve(count);
    rows.push_back(drawRow(bankRows, next()));
    for (int j = 2; j <= count; ++j) {
        qint16 row = drawRow(bankRows, next());
        long long draws = 1;
        std::size_t i = 0;
        while (i < rows.size()) {
            if (rows[i] == row) {
                if (++draws > drawsPerPlace) {
                    throw badDraw(QStringLiteral("随机数发生器无法抽出不同的题目。"));
                }
                row = drawRow(bankRows, next());
                i = 0;
                continue;
            }
            ++i;
        }
        rows.push_back(row);
    }
    return rows;
}

std::uint64_t clockSeed() {
    static std::atomic<std::uint64_t> counter{0};
    const auto ticks = std::chrono::system_clock::now().time_since_epoch();
    const auto nanoseconds =
        std::uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(ticks).count());
    // The counter times an odd constant: seeds of one tick differ in their high bits too.
    return nanoseconds + counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL;
}

} // namespace tiku
