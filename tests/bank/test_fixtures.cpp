// Workbooks made by real spreadsheet applications read as their manifest says: encryption,
// sheets, used rows and the cell texts of columns A to C; wrong passwords are refused.

#include "bank/bankerror.h"
#include "bank/service.h"
#include "bank/workbook.h"
#include "bankfiles.h"
#include "core/numbertext.h"

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace tiku::bank;
using tiku::ErrorKind;

namespace {

const QString kProgramPassword = QStringLiteral("qmpzrtv58204617");

QJsonArray manifestFiles() {
    const QString dir = tiku::testing::realFixturesDir();
    if (dir.isEmpty()) {
        return {};
    }
    QFile f(dir + QStringLiteral("/manifest.json"));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("files")).toArray();
}

Encryption encryptionOf(const QString& kind) {
    if (kind == QStringLiteral("xor")) {
        return Encryption::Xor;
    }
    if (kind == QStringLiteral("rc4")) {
        return Encryption::Rc4;
    }
    if (kind == QStringLiteral("rc4-cryptoapi")) {
        return Encryption::Rc4CryptoApi;
    }
    return Encryption::None;
}

SheetKind sheetKindOf(const QString& kind) {
    if (kind == QStringLiteral("chart")) {
        return SheetKind::Chart;
    }
    return kind == QStringLiteral("worksheet") ? SheetKind::Worksheet : SheetKind::Macro;
}

// What our reader gives for one cell of the manifest. The LibreOffice reading is the reference;
// numbers are written by our own rule (15 significant digits, no trailing zeros) where
// LibreOffice applies the cell's number format ("5344.90"), a date-formatted number is our date
// text, and a boolean formula result is "True"/"False" where LibreOffice shows its value 1.
struct Expected {
    bool error = false;
    QString text;
};

Expected expectedCell(const QJsonObject& cell) {
    const QJsonObject lo = cell.value(QStringLiteral("lo")).toObject();
    const QJsonObject xl = cell.value(QStringLiteral("xlrd")).toObject();
    const QString type = lo.value(QStringLiteral("type")).toString();
    const QString ctype = xl.value(QStringLiteral("ctype")).toString();
    if (type == QStringLiteral("EMPTY")) {
        return {};
    }
    if (type == QStringLiteral("FORMULA") &&
        lo.value(QStringLiteral("result")).toString() == QStringLiteral("ERROR")) {
        return {true, {}};
    }
    if (ctype == QStringLiteral("boolean")) {
        return {false, xl.value(QStringLiteral("value")).toBool() ? QStringLiteral("True")
                                                                  : QStringLiteral("False")};
    }
    if (ctype == QStringLiteral("date")) {
        const double serial = lo.value(QStringLiteral("value")).toDouble();
        return {false,
                QDate(1899, 12, 30).addDays(qint64(serial)).toString(QStringLiteral("yyyy/M/d"))};
    }
    if (lo.contains(QStringLiteral("value")) && ctype == QStringLiteral("number")) {
        return {false, tiku::formatNumber(lo.value(QStringLiteral("value")).toDouble())};
    }
    return {false, lo.value(QStringLiteral("string")).toString()};
}

} // namespace

class TestFixtures : public QObject {
    Q_OBJECT
private slots:
    void readsAsManifestSays_data();
    void readsAsManifestSays();
    void wrongPasswordRefused_data();
    void wrongPasswordRefused();
    void excel95Refused();
    void chartSheetHasNoUsedRows();
    void defaultPasswordOpensWithProgramPassword();
    void passwordIgnoredWithoutEncryption();
};

void TestFixtures::readsAsManifestSays_data() {
    QTest::addColumn<QJsonObject>("entry");
    const QJsonArray files = manifestFiles();
    if (files.isEmpty()) {
        QSKIP("the real workbooks are not present");
    }
    for (const QJsonValue& v : files) {
        const QJsonObject f = v.toObject();
        if (f.value(QStringLiteral("biff_version")).toInt() != 8) {
            continue;
        }
        QTest::newRow(qPrintable(f.value(QStringLiteral("file")).toString())) << f;
    }
}

void TestFixtures::readsAsManifestSays() {
    QFETCH(QJsonObject, entry);
    const QString path =
        tiku::testing::realFixturesDir() + u'/' + entry.value(QStringLiteral("file")).toString();
    const QString password = entry.value(QStringLiteral("password")).toString();
    auto book = WorkbookData::load(path, password);

    const QJsonObject enc = entry.value(QStringLiteral("encryption")).toObject();
    QCOMPARE(book->encryption(), encryptionOf(enc.value(QStringLiteral("kind")).toString()));
    QCOMPARE(book->keyBits(), enc.value(QStringLiteral("key_bits")).toInt(0));
    QCOMPARE(book->format(), QStringLiteral("BIFF8"));

    const QJsonArray sheets = entry.value(QStringLiteral("sheets")).toArray();
    QCOMPARE(int(book->sheets().size()), int(sheets.size()));
    int cellsChecked = 0;
    for (int s = 0; s < sheets.size(); ++s) {
        const QJsonObject sh = sheets[s].toObject();
        const SheetInfo& info = book->sheets()[size_t(s)];
        QCOMPARE(info.name, sh.value(QStringLiteral("name")).toString());
        QCOMPARE(info.kind, sheetKindOf(sh.value(QStringLiteral("kind")).toString()));
        if (info.kind != SheetKind::Worksheet) {
            continue;
        }
        const QJsonValue used = sh.value(QStringLiteral("used_rows"));
        if (used.isObject()) {
            QCOMPARE(info.firstRow, used.toObject().value(QStringLiteral("first")).toInt());
            QCOMPARE(info.lastRow, used.toObject().value(QStringLiteral("last")).toInt());
            QCOMPARE(info.usedRows, used.toObject().value(QStringLiteral("count")).toInt());
        } else {
            QCOMPARE(info.firstRow, 0);
            QCOMPARE(info.usedRows, 1);
        }
        QCOMPARE(info.usedRows, sh.value(QStringLiteral("excel_usedrange_rows_count")).toInt(1));
        for (const QJsonValue& rv : sh.value(QStringLiteral("rows")).toArray()) {
            const QJsonObject row = rv.toObject();
            const int r = row.value(QStringLiteral("row")).toInt();
            for (int c = 1; c <= 3; ++c) {
                const QString col(QChar(u'A' + c - 1));
                if (!row.contains(col)) {
                    continue;
                }
                const Expected want = expectedCell(row.value(col).toObject());
                const QString where = QStringLiteral("%1!%2%3").arg(info.name, col).arg(r);
                if (want.error) {
                    QVERIFY2(book->cell(s, r, c).kind == CellContent::Kind::Error,
                             qPrintable(where));
                    try {
                        book->cellText(s, r, c);
                        QFAIL(qPrintable(where + QStringLiteral(": error value gave text")));
                    } catch (const BankError& e) {
                        QCOMPARE(e.code(), 13);
                    }
                } else {
                    QCOMPARE(book->cellText(s, r, c), want.text);
                }
                ++cellsChecked;
            }
        }
    }
    QVERIFY(
        cellsChecked > 0 ||
        entry.value(QStringLiteral("file")).toString().contains(QStringLiteral("poi-password")));
}

void TestFixtures::wrongPasswordRefused_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password");
    const QJsonArray files = manifestFiles();
    if (files.isEmpty()) {
        QSKIP("the real workbooks are not present");
    }
    for (const QJsonValue& v : files) {
        const QJsonObject f = v.toObject();
        const QString pw = f.value(QStringLiteral("password")).toString();
        if (pw.isEmpty() || f.value(QStringLiteral("biff_version")).toInt() != 8 ||
            pw == QStringLiteral("VelvetSweatshop")) {
            continue;
        }
        const QString name = f.value(QStringLiteral("file")).toString();
        QTest::newRow(qPrintable(name + QStringLiteral(" program password")))
            << name << kProgramPassword;
        QTest::newRow(qPrintable(name + QStringLiteral(" empty"))) << name << QString();
        QTest::newRow(qPrintable(name + QStringLiteral(" other case")))
            << name
            << (pw.toUpper() != pw ? pw.toUpper()
                : pw.toLower() != pw
                    ? pw.toLower()
                    : pw.chopped(1) + (pw.endsWith(u'0') ? u'1' : u'0')); // digits only
    }
}

void TestFixtures::wrongPasswordRefused() {
    QFETCH(QString, file);
    QFETCH(QString, password);
    const QString path = tiku::testing::realFixturesDir() + u'/' + file;
    try {
        WorkbookData::load(path, password);
        QFAIL("a wrong password opened the workbook");
    } catch (const BankError& e) {
        QCOMPARE(e.kind(), ErrorKind::PasswordRefused);
        QCOMPARE(e.code(), 1004);
        // The exact text: the password never appears in it.
        QCOMPARE(e.description(), QStringLiteral("无法打开题库文件“%1”：密码不正确。").arg(path));
    }
}

void TestFixtures::excel95Refused() {
    const QString dir = tiku::testing::realFixturesDir();
    if (dir.isEmpty()) {
        QSKIP("the real workbooks are not present");
    }
    const QString path = dir + QStringLiteral("/sheetjs-biff5-password_2002_40_xor.xls");
    try {
        WorkbookData::load(path, QStringLiteral("password"));
        QFAIL("an Excel 5/95 workbook was opened");
    } catch (const BankError& e) {
        QCOMPARE(e.kind(), ErrorKind::UnsupportedFormat);
        QVERIFY(e.description().contains(path));
        QVERIFY(e.description().contains(QStringLiteral("Excel 5.0/95")));
    }
}

void TestFixtures::chartSheetHasNoUsedRows() {
    const QString dir = tiku::testing::realFixturesDir();
    if (dir.isEmpty()) {
        QSKIP("the real workbooks are not present");
    }
    auto app = Application::start();
    app->open(dir + QStringLiteral("/poi-SimpleScatterChart.xls"), kProgramPassword);
    QCOMPARE(app->usedRowCount(1), 3);
    try {
        app->usedRowCount(2);
        QFAIL("a chart sheet gave a row count");
    } catch (const BankError& e) {
        QCOMPARE(e.kind(), ErrorKind::NotAWorksheet);
        QCOMPARE(e.code(), 1004);
    }
    app->quit();
}

void TestFixtures::defaultPasswordOpensWithProgramPassword() {
    const QString dir = tiku::testing::realFixturesDir();
    if (dir.isEmpty()) {
        QSKIP("the real workbooks are not present");
    }
    auto app = Application::start();
    auto book = app->open(dir + QStringLiteral("/poi-50833.xls"), kProgramPassword);
    QCOMPARE(book->worksheet(QStringLiteral("SHEET1"))->cellText(1, 1),
             QStringLiteral("test cell value"));
    QCOMPARE(book->data()->encryption(), Encryption::Rc4);
    app->quit();
}

void TestFixtures::passwordIgnoredWithoutEncryption() {
    const QString dir = tiku::testing::realFixturesDir();
    if (dir.isEmpty()) {
        QSKIP("the real workbooks are not present");
    }
    auto book = WorkbookData::load(dir + QStringLiteral("/poi-12843-2.xls"), kProgramPassword);
    QCOMPARE(book->encryption(), Encryption::None);
    QCOMPARE(book->sheets()[0].usedRows, 93);
}

QTEST_GUILESS_MAIN(TestFixtures)
#include "test_fixtures.moc"
