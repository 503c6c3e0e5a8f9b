// The spreadsheet service: instances, opening, worksheets by name, used rows by position, cells
// by row number or row text, closing and quitting, and its failures.

#include "bank/bankerror.h"
#include "bank/service.h"
#include "bank/workbook.h"
#include "bank/writer.h"
#include "bankfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace tiku::bank;
using tiku::ErrorKind;
using tiku::testing::numberedQuestions;

namespace {

const QString kPassword = QStringLiteral("qmpzrtv58204617");

template <typename F> BankError failureOf(F&& f) {
    try {
        f();
    } catch (const BankError& e) {
        return e;
    }
    QTest::qFail("expected a BankError", __FILE__, __LINE__);
    return BankError(ErrorKind::Damaged, QString());
}

} // namespace

class TestService : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensBankAndReadsCells();
    void worksheetByNameIgnoresCase_data();
    void worksheetByNameIgnoresCase();
    void rowAsText_data();
    void rowAsText();
    void rowAndColumnLimits_data();
    void rowAndColumnLimits();
    void usedRowCountByPosition();
    void closedWorkbook();
    void quitInstance();
    void runningInstancesCount();
    void traceReportsSuccessfulCalls();
    void openFailures_data();
    void openFailures();
    void fileIsNotHeldOpen();

private:
    QTemporaryDir dir_;
    QString bank_;
    std::vector<tiku::testing::Question> humanities_ =
        numberedQuestions(12, QStringLiteral("人文"));
    std::vector<tiku::testing::Question> clinical_ = numberedQuestions(30, QStringLiteral("临床"));
    int runningBefore_ = 0;
};

void TestService::init() {
    bank_ = tiku::testing::writeBank(dir_.path(), humanities_, clinical_);
    runningBefore_ = Application::runningInstances();
}

void TestService::cleanup() {
    setServiceTrace(nullptr);
    // Every test quits what it starts.
    QCOMPARE(Application::runningInstances(), runningBefore_);
}

void TestService::opensBankAndReadsCells() {
    auto app = Application::start();
    auto book = app->open(bank_, kPassword);
    QVERIFY(book->isOpen());
    QCOMPARE(book->path(), bank_);
    auto sheet = book->worksheet(QStringLiteral("sheet2"));
    QCOMPARE(app->usedRowCount(2), 30);
    QCOMPARE(app->usedRowCount(1), 12);
    QCOMPARE(sheet->cellText(1, 2), clinical_[0].text);
    QCOMPARE(sheet->cellText(30, 3), clinical_[29].answer);
    QCOMPARE(sheet->cellText(31, 2), QString());
    QCOMPARE(sheet->cellText(1, 1), QString());
    book->close();
    app->quit();
}

void TestService::worksheetByNameIgnoresCase_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::newRow("exact") << "sheet1" << true;
    QTest::newRow("upper") << "SHEET1" << true;
    QTest::newRow("mixed") << "Sheet1" << true;
    QTest::newRow("blank after") << "sheet1 " << false;
    QTest::newRow("other") << "sheet3" << false;
    QTest::newRow("empty") << "" << false;
}

void TestService::worksheetByNameIgnoresCase() {
    QFETCH(QString, name);
    QFETCH(bool, found);
    auto app = Application::start();
    auto book = app->open(bank_, kPassword);
    if (found) {
        auto sheet = book->worksheet(name);
        QCOMPARE(sheet->name(), QStringLiteral("sheet1"));
        QCOMPARE(sheet->cellText(12, 2), humanities_[11].text);
    } else {
        const BankError e = failureOf([&] { book->worksheet(name); });
        QCOMPARE(e.kind(), ErrorKind::NoSuchWorksheet);
        QCOMPARE(e.code(), 9);
        QVERIFY(e.description().contains(bank_));
    }
    app->quit();
}

void TestService::rowAsText_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("expectedRow"); // 0: fails with code 13
    QTest::newRow("plain") << "7" << 7;
    QTest::newRow("leading zero") << "07" << 7;
    QTest::newRow("half to even up") << "7.5" << 8;
    QTest::newRow("half to even down") << "6.5" << 6;
    QTest::newRow("below half") << "6.49" << 6;
    QTest::newRow("blanks around") << " 9 " << 9;
    QTest::newRow("exponent") << "1E1" << 10;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("number then letters") << "7a" << 0;
    QTest::newRow("full-width digits") << "７" << 0;
}

void TestService::rowAsText() {
    QFETCH(QString, row);
    QFETCH(int, expectedRow);
    auto app = Application::start();
    auto sheet = app->open(bank_, kPassword)->worksheet(QStringLiteral("sheet1"));
    if (expectedRow > 0) {
        QCOMPARE(sheet->cellText(row, 2), humanities_[size_t(expectedRow - 1)].text);
    } else {
        const BankError e = failureOf([&] { sheet->cellText(row, 2); });
        QCOMPARE(e.code(), 13);
        QCOMPARE(e.kind(), ErrorKind::NotANumber);
    }
    app->quit();
}

void TestService::rowAndColumnLimits_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("ok");
    QTest::newRow("row 0") << "0" << 2 << false;
    QTest::newRow("row 0.4 rounds to 0") << "0.4" << 2 << false;
    QTest::newRow("row -1") << "-1" << 2 << false;
    QTest::newRow("row 65536") << "65536" << 2 << true;
    QTest::newRow("row 65537") << "65537" << 2 << false;
    QTest::newRow("row huge") << "1E300" << 2 << false;
    QTest::newRow("column 0") << "1" << 0 << false;
    QTest::newRow("column 256") << "1" << 256 << true;
    QTest::newRow("column 257") << "1" << 257 << false;
}

void TestService::rowAndColumnLimits() {
    QFETCH(QString, row);
    QFETCH(int, column);
    QFETCH(bool, ok);
    auto app = Application::start();
    auto sheet = app->open(bank_, kPassword)->worksheet(QStringLiteral("sheet1"));
    if (ok) {
        QCOMPARE(sheet->cellText(row, column), QString());
        QCOMPARE(sheet->cellText(row.toInt(), column), QString());
    } else {
        const BankError e = failureOf([&] { sheet->cellText(row, column); });
        QCOMPARE(e.code(), 1004);
        QCOMPARE(e.kind(), ErrorKind::BadArgument);
    }
    app->quit();
}

void TestService::usedRowCountByPosition() {
    auto app = Application::start();
    QCOMPARE(failureOf([&] { app->usedRowCount(1); }).kind(), ErrorKind::Closed);
    auto first = app->open(bank_, kPassword);
    for (int p : {0, 3, -1}) {
        const BankError e = failureOf([&] { app->usedRowCount(p); });
        QCOMPARE(e.kind(), ErrorKind::NotAWorksheet);
        QCOMPARE(e.code(), 1004);
    }
    // The count follows the workbook opened last.
    QTemporaryDir other;
    const QString otherBank = tiku::testing::writeBank(other.path(), numberedQuestions(3, "x"),
                                                       numberedQuestions(4, "y"));
    auto second = app->open(otherBank, kPassword);
    QCOMPARE(app->usedRowCount(2), 4);
    second->close();
    QCOMPARE(failureOf([&] { app->usedRowCount(2); }).kind(), ErrorKind::Closed);
    QCOMPARE(first->worksheet(QStringLiteral("sheet2"))->cellText(30, 3), clinical_[29].answer);
    app->quit();
}

void TestService::closedWorkbook() {
    auto app = Application::start();
    auto book = app->open(bank_, kPassword);
    auto sheet = book->worksheet(QStringLiteral("sheet1"));
    book->close();
    QVERIFY(!book->isOpen());
    for (auto f : std::vector<std::function<void()>>{
             [&] { sheet->cellText(1, 2); }, [&] { sheet->cellText(QStringLiteral("1"), 2); },
             [&] { book->worksheet(QStringLiteral("sheet1")); }, [&] { book->close(); }}) {
        const BankError e = failureOf(f);
        QCOMPARE(e.kind(), ErrorKind::Closed);
        QCOMPARE(e.code(), 462);
    }
    // A worksheet whose workbook handle was dropped cannot be read either.
    auto book2 = app->open(bank_, kPassword);
    auto sheet2 = book2->worksheet(QStringLiteral("sheet2"));
    book2.reset();
    QCOMPARE(sheet2->cellText(1, 3), clinical_[0].answer); // still held by the instance
    app->quit();
    QCOMPARE(failureOf([&] { sheet2->cellText(1, 3); }).kind(), ErrorKind::Closed);
}

void TestService::quitInstance() {
    auto app = Application::start();
    auto book = app->open(bank_, kPassword);
    auto sheet = book->worksheet(QStringLiteral("sheet1"));
    app->quit();
    QVERIFY(!app->isRunning());
    QVERIFY(!book->isOpen()); // quit closes what the instance opened
    for (auto f : std::vector<std::function<void()>>{
             [&] { app->open(bank_, kPassword); }, [&] { app->usedRowCount(1); },
             [&] { app->quit(); }, [&] { sheet->cellText(1, 2); }}) {
        QCOMPARE(failureOf(f).kind(), ErrorKind::Closed);
    }
}

void TestService::runningInstancesCount() {
    const int before = Application::runningInstances();
    auto a = Application::start();
    auto b = Application::start();
    QCOMPARE(Application::runningInstances(), before + 2);
    a->open(bank_, kPassword);
    a->quit();
    QCOMPARE(Application::runningInstances(), before + 1);
    // A failed open leaves the instance running until it is quit.
    QVERIFY_THROWS_EXCEPTION(BankError, b->open(bank_, QStringLiteral("wrong")));
    QCOMPARE(Application::runningInstances(), before + 1);
    b->quit();
    QCOMPARE(Application::runningInstances(), before);
}

void TestService::traceReportsSuccessfulCalls() {
    QStringList events;
    setServiceTrace([&events](const QString& e) { events << e; });
    auto app = Application::start();
    QVERIFY_THROWS_EXCEPTION(BankError, app->open(bank_ + QStringLiteral(".missing"), kPassword));
    auto book = app->open(bank_, kPassword);
    book->close();
    app->quit();
    QCOMPARE(events, (QStringList{"start", "open", "close", "quit"}));
}

void TestService::openFailures_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("content"); // written to file unless null
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "none.xls" << QByteArray() << int(ErrorKind::FileMissing) << 53
                             << "文件不存在。";
    QTest::newRow("text") << "text.xls" << QByteArray("题库") << int(ErrorKind::NotAWorkbook)
                          << 1004 << "这不是 Excel 工作簿文件。";
    QTest::newRow("folder") << "folder.xls" << QByteArray("<dir>") << int(ErrorKind::FileUnreadable)
                            << 75 << "这是一个文件夹。";
    // A pipe would block or be read without end; neither is opened.
    QTest::newRow("pipe") << "pipe.xls" << QByteArray("<fifo>") << int(ErrorKind::FileUnreadable)
                          << 75 << "这不是普通文件。";
    // Over the limit, refused by its size before a byte is read (the file is sparse).
    QTest::newRow("too large") << "large.xls" << QByteArray("<sparse>")
                               << int(ErrorKind::NotAWorkbook) << 1004
                               << "文件太大（134217729 字节），题库文件最大为 128 MB。";
}

void TestService::openFailures() {
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(int, kind);
    QFETCH(int, code);
    QFETCH(QString, reason);
    QTemporaryDir d;
    const QString path = d.filePath(file);
    if (content == "<dir>") {
        QVERIFY(QDir(d.path()).mkdir(file));
    } else if (content == "<fifo>") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (content == "<sparse>") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize((qint64(128) << 20) + 1));
    } else if (!content.isNull()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    auto app = Application::start();
    const BankError e = failureOf([&] { app->open(path, kPassword); });
    QCOMPARE(int(e.kind()), kind);
    QCOMPARE(e.code(), code);
    QCOMPARE(e.description(), QStringLiteral("无法打开题库文件“%1”：%2").arg(path, reason));
    QVERIFY(!e.description().contains(kPassword));
    app->quit();
}

void TestService::fileIsNotHeldOpen() {
    auto app = Application::start();
    auto book = app->open(bank_, kPassword);
    // The workbook is a snapshot: the file can be replaced while it is open.
    QVERIFY(QFile::remove(bank_));
    QCOMPARE(book->worksheet(QStringLiteral("sheet2"))->cellText(2, 2), clinical_[1].text);
    app->quit();
}

QTEST_GUILESS_MAIN(TestService)
#include "test_service.moc"
