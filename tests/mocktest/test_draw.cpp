// Drawing the test paper: distinct rows within the bank, every row reachable, the redraw rule,
// fair frequencies over many draws, a bounded draw, and a new seed for every set-up.

#include "core/failure.h"
#include "mocktest/paper.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <deque>
#include <set>

using namespace tiku;

namespace {

// A source that gives the listed values in turn, and counts how many were taken.
struct Scripted {
    std::deque<double> values;
    int taken = 0;
    double operator()() {
        if (values.empty()) {
            throw Failure(ErrorKind::InvalidCall, QStringLiteral("no more values"));
        }
        double v = values.front();
        values.pop_front();
        ++taken;
        return v;
    }
};

// r for row k of a bank of n rows: the middle of the row's share of [0, 1).
double forRow(int k, int n) {
    return (k - 0.5) / n;
}

double chiSquare(const std::vector<int>& observed, double expected) {
    double sum = 0;
    for (int o : observed) {
        sum += (o - expected) * (o - expected) / expected;
    }
    return sum;
}

} // namespace

class DrawTest : public QObject {
    Q_OBJECT

private slots:
    void rowFromValue_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<double>("r");
        QTest::addColumn<int>("row");
        const double belowOne = 1.0 - 0x1.0p-53;
        QTest::newRow("r 0 gives row 1") << 5 << 0.0 << 1;
        QTest::newRow("smallest r") << 100 << 0x1.0p-53 << 1;
        QTest::newRow("just below 1/n") << 10 << std::nextafter(0.1, 0.0) << 1;
        QTest::newRow("1/n gives row 2") << 10 << 0.1 << 2;
        QTest::newRow("largest r, n 5") << 5 << belowOne << 5;
        // n * r + 1 rounds up to n + 1 in double for these; the row must still be n.
        QTest::newRow("largest r, n 8") << 8 << belowOne << 8;
        QTest::newRow("largest r, n 64") << 64 << belowOne << 64;
        QTest::newRow("largest r, n 32767") << 32767 << belowOne << 32767;
        QTest::newRow("middle") << 7 << 0.5 << 4;
    }
    void rowFromValue() {
        QFETCH(int, n);
        QFETCH(double, r);
        QFETCH(int, row);
        QCOMPARE(int(drawRow(qint16(n), r)), row);
    }

    void valueOutsideTheUnitIntervalFails_data() {
        QTest::addColumn<double>("r");
        QTest::newRow("1") << 1.0;
        QTest::newRow("negative") << -0.25;
        QTest::newRow("NaN") << std::nan("");
        QTest::newRow("above 1") << 1.5;
    }
    void valueOutsideTheUnitIntervalFails() {
        QFETCH(double, r);
        QVERIFY_THROWS_EXCEPTION(Failure, drawRow(10, r));
    }

    // The redraw rule: a row equal to one already drawn is drawn again and compared from the
    // first row on; the paper keeps the order of drawing.
    void redrawRule() {
        const int n = 5;
        Scripted source;
        // 3; then 1 stands; then 3 (taken) -> 1 (taken) -> 2 stands; then 3 -> 5 stands.
        for (int k : {3, 1, 3, 1, 2, 3, 5}) {
            source.values.push_back(forRow(k, n));
        }
        std::vector<qint16> paper = drawPaper(n, 4, std::ref(source));
        QCOMPARE(paper, (std::vector<qint16>{3, 1, 2, 5}));
        QCOMPARE(source.taken, 7);
    }

    void distinctRowsWithinTheBank_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("m");
        QTest::newRow("5 of 6") << 6 << 5;
        QTest::newRow("7 of 20") << 20 << 7;
        QTest::newRow("100 of 150") << 150 << 100;
        QTest::newRow("100 of 32767") << 32767 << 100;
        QTest::newRow("5 of 5") << 5 << 5;
        QTest::newRow("100 of 100") << 100 << 100;
    }
    void distinctRowsWithinTheBank() {
        QFETCH(int, n);
        QFETCH(int, m);
        for (std::uint64_t seed = 1; seed <= 200; ++seed) {
            PaperRandom random(seed);
            std::vector<qint16> paper =
                drawPaper(qint16(n), qint16(m), [&] { return random.next(); });
            QCOMPARE(int(paper.size()), m);
            std::set<qint16> rows(paper.begin(), paper.end());
            QCOMPARE(int(rows.size()), m); // no row twice
            QVERIFY(*rows.begin() >= 1);
            QVERIFY(*rows.rbegin() <= n);
            if (n == m) { // a bank of exactly m rows: every row, in some order
                QCOMPARE(*rows.begin(), qint16(1));
                QCOMPARE(*rows.rbegin(), qint16(m));
            }
        }
    }

    // A bank of exactly m rows is shuffled, not drawn in bank order.
    void fullBankIsShuffled() {
        std::set<std::vector<qint16>> orders;
        for (std::uint64_t seed = 1; seed <= 50; ++seed) {
            PaperRandom random(seed);
            orders.insert(drawPaper(5, 5, [&] { return random.next(); }));
        }
        QVERIFY2(orders.size() > 30, qPrintable(QString::number(orders.size())));
    }

    // Every row is drawn about as often as every other, overall and at each place of the
    // paper: chi-square against the even share, bounded at the 0.1 % point.
    void rowsAreDrawnEvenly_data() {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("m");
        QTest::addColumn<quint64>("seed");
        QTest::newRow("5 of 20") << 20 << 5 << quint64(12345);
        QTest::newRow("10 of 12") << 12 << 10 << quint64(777);
        QTest::newRow("5 of 40") << 40 << 5 << quint64(2026);
    }
    void rowsAreDrawnEvenly() {
        QFETCH(int, n);
        QFETCH(int, m);
        QFETCH(quint64, seed);
        const int papers = 6000;
        std::vector<int> overall(n, 0);
        std::vector<int> first(n, 0);
        std::vector<int> last(n, 0);
        PaperRandom random(seed);
        for (int p = 0; p < papers; ++p) {
            std::vector<qint16> paper =
                drawPaper(qint16(n), qint16(m), [&] { return random.next(); });
            for (qint16 row : paper) {
                ++overall[row - 1];
            }
            ++first[paper.front() - 1];
            ++last[paper.back() - 1];
        }
        // 0.1 % points of chi-square: 43.8 for 19 degrees of freedom, 31.3 for 11, 72.1 for 39.
        const double bound = n == 20 ? 43.8 : n == 12 ? 31.3 : 72.1;
        const double overallChi = chiSquare(overall, double(papers) * m / n);
        const double firstChi = chiSquare(first, double(papers) / n);
        const double lastChi = chiSquare(last, double(papers) / n);
        QVERIFY2(overallChi < bound, qPrintable(QString::number(overallChi)));
        QVERIFY2(firstChi < bound, qPrintable(QString::number(firstChi)));
        QVERIFY2(lastChi < bound, qPrintable(QString::number(lastChi)));
        QVERIFY(overall.front() > 0); // row 1 is drawn
        QVERIFY(overall.back() > 0);  // and row n
    }

    void valuesLieInTheUnitInterval() {
        PaperRandom random(99);
        double sum = 0;
        const int count = 100000;
        for (int i = 0; i < count; ++i) {
            double v = random.next();
            QVERIFY(v >= 0.0 && v < 1.0);
            sum += v;
        }
        QVERIFY(std::abs(sum / count - 0.5) < 0.01);
    }

    // Too few rows, or a source that keeps giving the same value: the draw fails, it never hangs.
    void drawAlwaysEnds() {
        PaperRandom random(1);
        QVERIFY_THROWS_EXCEPTION(Failure, drawPaper(3, 5, [&] { return random.next(); }));
        int taken = 0;
        QVERIFY_THROWS_EXCEPTION(Failure, drawPaper(10, 5, [&] {
                                     ++taken;
                                     return 0.5;
                                 }));
        QVERIFY(taken > 1);
        QVERIFY(taken < 10000);
    }

    // Every set-up seeds afresh: seeds taken one right after another all differ, and so do the
    // papers drawn from them.
    void newSeedEachTime() {
        std::set<std::uint64_t> seeds;
        for (int i = 0; i < 1000; ++i) {
            seeds.insert(clockSeed());
        }
        QCOMPARE(int(seeds.size()), 1000);
        PaperRandom a(clockSeed());
        PaperRandom b(clockSeed());
        QVERIFY(a.seed() != b.seed());
        QVERIFY(drawPaper(100, 100, [&] { return a.next(); }) !=
                drawPaper(100, 100, [&] { return b.next(); }));
    }
};

QTEST_GUILESS_MAIN(DrawTest)
#include "test_draw.moc"
