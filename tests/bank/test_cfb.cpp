// The compound file layer on its own: streams by name, sector chains in any order, the mini
// stream, both versions, and reads at the edges of a stream.

#include "bank/cfb.h"
#include "bankfiles.h"
#include "craftedbook.h"

#include <QFile>
#include <QtTest>

using namespace tiku::bank;
using namespace tiku::testing::crafted;

namespace {

QByteArray pattern(qsizetype n, int seed) {
    QByteArray b(n, '\0');
    for (qsizetype k = 0; k < n; ++k) {
        b[k] = char((k * 7 + seed + (k >> 9)) & 0xFF);
    }
    return b;
}

QByteArray readAll(const cfb::Stream& s) {
    QByteArray out(s.size(), '\0');
    if (!s.read(0, s.size(), out.data())) {
        return {};
    }
    return out;
}

} // namespace

class TestCfb : public QObject {
    Q_OBJECT
private slots:
    void streamsByName_data();
    void streamsByName();
    void chainInAnyOrder();
    void readsAtTheEdges();
    void miniStreamOfRealWorkbook_data();
    void miniStreamOfRealWorkbook();
};

void TestCfb::streamsByName_data() {
    QTest::addColumn<int>("major");
    QTest::newRow("version 3") << 3;
    QTest::newRow("version 4") << 4;
}

void TestCfb::streamsByName() {
    QFETCH(int, major);
    const QByteArray a = pattern(5000, 1);
    const QByteArray b = pattern(9000, 2);
    CfbOptions opt;
    opt.major = major;
    const QByteArray file =
        compoundFile({{QStringLiteral("Alpha"), a}, {QStringLiteral("Workbook"), b}}, opt);
    cfb::CompoundFile cf(file);
    QCOMPARE(cf.majorVersion(), major);
    QStringList names;
    for (const QString& n : cf.rootNames()) {
        names << n;
    }
    names.sort();
    QCOMPARE(names, (QStringList{"Alpha", "Workbook"}));
    QVERIFY(cf.contains(QStringLiteral("workbook")));
    QVERIFY(!cf.contains(QStringLiteral("Book")));
    const auto s = cf.stream(QStringLiteral("WORKBOOK"));
    QVERIFY(s.has_value());
    QCOMPARE(s->size(), qint64(9000));
    QCOMPARE(readAll(*s), b);
    QCOMPARE(readAll(*cf.stream(QStringLiteral("alpha"))), a);
    QVERIFY(!cf.stream(QStringLiteral("Missing")).has_value());
}

void TestCfb::chainInAnyOrder() {
    // The stream's sectors are chained 0 -> 2 -> 1 -> 3 ...: the stream reads in chain order,
    // across sector boundaries, not in file order.
    const QByteArray data = pattern(9 * 512, 3); // at least 4096 bytes: not in the mini stream
    CfbOptions opt;
    opt.patchFat = [](std::vector<quint32>& fat, quint32 first) {
        fat[first] = first + 2;
        fat[first + 2] = first + 1;
        fat[first + 1] = first + 3;
    };
    const QByteArray file = compoundFile({{QStringLiteral("Workbook"), data}}, opt);
    cfb::CompoundFile cf(file);
    const auto s = cf.stream(QStringLiteral("Workbook"));
    QVERIFY(s.has_value());
    QByteArray expected =
        data.mid(0, 512) + data.mid(1024, 512) + data.mid(512, 512) + data.mid(1536);
    QCOMPARE(readAll(*s), expected);
    // A read crossing the out-of-order boundary.
    QByteArray piece(100, '\0');
    QVERIFY(s->read(480, 100, piece.data()));
    QCOMPARE(piece, expected.mid(480, 100));
}

void TestCfb::readsAtTheEdges() {
    const QByteArray data = pattern(4100, 4);
    const QByteArray file = compoundFile({{QStringLiteral("Workbook"), data}}); // outlives cf
    cfb::CompoundFile cf(file);
    const auto s = cf.stream(QStringLiteral("Workbook"));
    QVERIFY(s.has_value());
    char buf[16];
    QVERIFY(s->read(4096, 4, buf));
    QCOMPARE(QByteArray(buf, 4), data.right(4));
    QVERIFY(!s->read(4097, 4, buf));
    QVERIFY(!s->read(-1, 4, buf));
    QVERIFY(!s->read(0, -1, buf));
    QVERIFY(s->read(4100, 0, buf));
}

void TestCfb::miniStreamOfRealWorkbook_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("size");
    QTest::newRow("xor abc") << "poi-xor-encryption-abc.xls" << qint64(1620);
    QTest::newRow("2002 strong") << "sheetjs-password_2002_128_strong.xls" << qint64(2622);
}

void TestCfb::miniStreamOfRealWorkbook() {
    QFETCH(QString, file);
    QFETCH(qint64, size);
    const QString dir = tiku::testing::realFixturesDir();
    if (dir.isEmpty()) {
        QSKIP("the real workbooks are not present");
    }
    QFile f(dir + u'/' + file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    cfb::CompoundFile cf(bytes);
    const auto s = cf.stream(QStringLiteral("Workbook"));
    QVERIFY(s.has_value());
    QCOMPARE(s->size(), size);
    const QByteArray all = readAll(*s);
    // A BIFF8 BOF of the workbook globals at the start, an EOF record at the end.
    QCOMPARE(all.left(8).toHex(), QByteArray("0908100000060500"));
    QCOMPARE(all.right(4).toHex(), QByteArray("0a000000"));
}

QTEST_GUILESS_MAIN(TestCfb)
#include "test_cfb.moc"
