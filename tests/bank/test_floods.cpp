// Hand-made workbooks built to make the reader work hard: many sheets over one substream, sheet
// offsets inside records, substreams nested deep, sheet floods, strings over many CONTINUE
// records and a shared string table padded with empty ones. Each reads right or is refused as
// damaged; how long they take is measured by hand, not here.

#include "bank/bankerror.h"
#include "bank/workbook.h"
#include "craftedbook.h"

#include <QtTest>

using namespace tiku::bank;
using tiku::ErrorKind;
using namespace tiku::testing::crafted;

namespace {

std::shared_ptr<const WorkbookData> openBytes(const QByteArray& bytes) {
    return WorkbookData::fromBytes(bytes, QString(), QStringLiteral("/t/flood.xls"));
}

QByteArray boundSheet(const QString& name) {
    return Bytes().u32(0).u8(0).u8(0).u8(int(name.size())).u8(0).latin1(name).b;
}

// Globals naming `sheets` worksheets, then one worksheet substream holding `cells` number
// cells in column 1 (after a decoy whose data starts like a BOF record: row 0x0809, column 16,
// 20 bytes into the substream); target(k) gives the stream position sheet k points at, from the
// substream's position.
QByteArray sheetsOverOneSubstream(int sheets, int cells,
                                  const std::function<qint64(int, qint64)>& target,
                                  bool decoy = false) {
    Stream s;
    s.record(0x0809, bof(0x0005));
    std::vector<qint64> offsets;
    for (int k = 0; k < sheets; ++k) {
        offsets.push_back(s.record(0x0085, boundSheet(QStringLiteral("s%1").arg(k))) + 4);
    }
    s.record(0x000A, {});
    const qint64 substream = s.bytes.size();
    s.record(0x0809, bof(0x0010));
    if (decoy) {
        s.record(0x0203, number(0x0809 + 1, 16 + 1, 0).second);
    }
    for (int r = 1; r <= cells; ++r) {
        s.record(number(r, 1, r).first, number(r, 1, r).second);
    }
    s.record(0x000A, {});
    for (int k = 0; k < sheets; ++k) {
        s.patch32(offsets[size_t(k)], quint32(target(k, substream)));
    }
    s.bytes.append(QByteArray(4096, '\0'));
    return workbookFile(s.bytes);
}

ErrorKind failureOfSheet(const WorkbookData& book, int index) {
    try {
        book.sheet(index);
    } catch (const BankError& e) {
        return e.kind();
    }
    return ErrorKind::Closed; // stands for "read fine"
}

} // namespace

class TestFloods : public QObject {
    Q_OBJECT
private slots:
    void sheetsSharingASubstream();
    void sheetsSharingABrokenSubstream();
    void sheetOffsetInsideARecord();
    void substreamsNestedDeep();
    void sheetFlood();
    void labelOverManyContinueRecords();
    void sharedStringsAmongEmptyContinueRecords();
};

void TestFloods::sheetsSharingASubstream() {
    const auto book = openBytes(
        sheetsOverOneSubstream(2000, 3000, [](int, qint64 substream) { return substream; }));
    const auto& sheets = book->sheets();
    QCOMPARE(sheets.size(), size_t(2000));
    for (const SheetInfo& s : sheets) {
        QCOMPARE(s.usedRows, 3000);
    }
    QCOMPARE(book->cellText(1999, 3000, 1), QStringLiteral("3000"));
}

// Sheet 1 names the substream; sheet 2 the decoy's data, which reads as a BOF record: a
// substream that would start inside another's records.
// Sheets sharing a substream that is broken (it never ends) fail alike, each when it is used.
void TestFloods::sheetsSharingABrokenSubstream() {
    QByteArray file =
        sheetsOverOneSubstream(500, 2000, [](int, qint64 substream) { return substream; });
    // The substream's EOF becomes a BLANK record: the substream runs to the stream's end.
    const QByteArray eof("\x0A\x00\x00\x00", 4);
    const qint64 at = file.lastIndexOf(eof, file.indexOf(QByteArray(4096, '\0')));
    QVERIFY(at > 0);
    file.replace(at, 4, QByteArray("\x01\x02\x00\x00", 4));
    const auto book = openBytes(file);
    for (int k : {0, 499, 0, 250}) {
        QCOMPARE(failureOfSheet(*book, k), ErrorKind::Damaged);
    }
}

void TestFloods::sheetOffsetInsideARecord() {
    const auto book = openBytes(sheetsOverOneSubstream(
        2, 10, [](int k, qint64 substream) { return k == 0 ? substream : substream + 20 + 4; },
        true));
    QCOMPARE(failureOfSheet(*book, 0), ErrorKind::Closed);
    QCOMPARE(failureOfSheet(*book, 1), ErrorKind::Damaged);
}

void TestFloods::substreamsNestedDeep() {
    Stream s;
    s.record(0x0809, bof(0x0005));
    const qint64 offset = s.record(0x0085, boundSheet(QStringLiteral("deep"))) + 4;
    s.record(0x000A, {});
    s.patch32(offset, quint32(s.bytes.size()));
    for (int k = 0; k < 6; ++k) {
        s.record(0x0809, bof(0x0010));
    }
    for (int k = 0; k < 6; ++k) {
        s.record(0x000A, {});
    }
    s.bytes.append(QByteArray(4096, '\0'));
    const auto book = openBytes(workbookFile(s.bytes));
    QCOMPARE(failureOfSheet(*book, 0), ErrorKind::Damaged);
}

void TestFloods::sheetFlood() {
    auto same = [](int, qint64 substream) { return substream; };
    QCOMPARE(openBytes(sheetsOverOneSubstream(10000, 1, same))->sheetCount(), 10000);
    try {
        openBytes(sheetsOverOneSubstream(10001, 1, same));
        QFAIL("10,001 sheets were taken");
    } catch (const BankError& e) {
        QCOMPARE(e.kind(), ErrorKind::Damaged);
        QVERIFY2(e.description().contains(QStringLiteral("10000")), qPrintable(e.description()));
    }
}

// A 5,000-character LABEL, 50 characters in each of its record and 99 CONTINUE records.
void TestFloods::labelOverManyContinueRecords() {
    QString text;
    for (int k = 0; k < 5000; ++k) {
        text.append(QChar(u'a' + k % 26));
    }
    Bytes label;
    label.u16(0).u16(0).u16(0).u16(5000).u8(0).latin1(text.left(50));
    std::vector<std::pair<int, QByteArray>> records{{0x0204, label.b}};
    for (int k = 50; k < 5000; k += 50) {
        records.push_back({0x003C, Bytes().u8(0).latin1(text.mid(k, 50)).b});
    }
    SheetDef sheet{QStringLiteral("S"), 0, records};
    const auto book = openBytes(workbookFile(workbookStream({sheet})));
    QCOMPARE(book->cellText(0, 1, 1), text);
}

// Between the strings of the table lie thousands of CONTINUE records without data.
void TestFloods::sharedStringsAmongEmptyContinueRecords() {
    std::vector<QByteArray> segments{Bytes().u32(3).u32(3).str16(QStringLiteral("one"), false).b};
    for (int k = 0; k < 5000; ++k) {
        segments.push_back({});
    }
    segments.push_back(Bytes().str16(QStringLiteral("二"), true).b);
    for (int k = 0; k < 5000; ++k) {
        segments.push_back({});
    }
    segments.push_back(Bytes().str16(QStringLiteral("three"), false).b);
    SheetDef sheet{
        QStringLiteral("S"), 0, {labelSst(1, 1, 2), labelSst(2, 1, 0), labelSst(3, 1, 1)}};
    const auto book = openBytes(workbookFile(workbookStream({sheet}, segments)));
    QCOMPARE(book->cellText(0, 1, 1), QStringLiteral("three"));
    QCOMPARE(book->cellText(0, 2, 1), QStringLiteral("one"));
    QCOMPARE(book->cellText(0, 3, 1), QStringLiteral("二"));
}

QTEST_GUILESS_MAIN(TestFloods)
#include "test_floods.moc"
