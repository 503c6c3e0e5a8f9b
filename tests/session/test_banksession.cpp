// The bank session: the order of the service calls, which sheet each bank reads, and what is
// held after a failure, without any screen.

#include "bankfiles.h"

#include "bank/bankformat.h"
#include "bank/service.h"
#include "core/failure.h"
#include "session/banksession.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tiku;

class BankSessionTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QStringList trace_;

    // The bank beside the program alone.
    static BankPlaces beside(const QString& folder) { return BankPlaces{{}, {}, folder}; }

    // sheet2 stands first in the workbook, so a sheet taken by name and a count taken by position
    // tell apart: 临床 reads sheet2 (3 questions) and counts the second sheet (sheet1, 7 rows).
    void writeSwappedBank() {
        bank::WorkbookSpec spec;
        spec.sheets.push_back(testing::bankSheet("sheet2", testing::numberedQuestions(3, "临床")));
        spec.sheets.push_back(testing::bankSheet("sheet1", testing::numberedQuestions(7, "人文")));
        bank::writeWorkbookFile(bankPath(dir_.path()), spec);
    }

private slots:
    void init() {
        trace_.clear();
        bank::setServiceTrace([this](const QString& event) { trace_.append(event); });
    }
    void cleanup() {
        bank::setServiceTrace({});
        QCOMPARE(bank::Application::runningInstances(), 0);
    }

    void sheetByNameCountByPosition_data() {
        QTest::addColumn<Bank>("bank");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("firstQuestion");
        QTest::newRow("人文") << Bank::Humanities << 3 << "人文第1题";
        QTest::newRow("临床") << Bank::Clinical << 7 << "临床第1题";
    }
    void sheetByNameCountByPosition() {
        QFETCH(Bank, bank);
        QFETCH(int, rows);
        QFETCH(QString, firstQuestion);
        writeSwappedBank();
        BankSession session;
        QCOMPARE(session.open(beside(dir_.path()), bank), rows);
        QVERIFY(session.questionText(1).startsWith(firstQuestion));
        QCOMPARE(session.answerText(1), QStringLiteral("A"));
        // A row given as text is taken as its number.
        QCOMPARE(session.answerText(QStringLiteral("02")), QStringLiteral("B"));
        QCOMPARE(session.questionText(QStringLiteral("2")), session.questionText(2));
        session.close();
        QCOMPARE(trace_, (QStringList{"start", "open", "close", "quit"}));
    }

    // Close, quit, then both handles let go; the sheet stays held; a second close does nothing.
    void closeInOrder() {
        writeSwappedBank();
        BankSession session;
        session.open(beside(dir_.path()), Bank::Humanities);
        QVERIFY(session.isOpen() && session.hasService());
        session.close();
        QVERIFY(!session.isOpen());
        QVERIFY(!session.hasService());
        QVERIFY(session.sheet());
        session.close();
        QCOMPARE(trace_, (QStringList{"start", "open", "close", "quit"}));
    }

    // A workbook that cannot be opened: the failure goes on, the started service stays held
    // until released (quit, nothing to close) or until the session goes.
    void failedOpening() {
        const QTemporaryDir empty;
        BankSession session;
        try {
            session.open(beside(empty.path()), Bank::Humanities);
            QFAIL("opened a bank that is not there");
        } catch (const Failure&) {
        }
        QVERIFY(session.hasService());
        QVERIFY(!session.isOpen());
        QCOMPARE(bank::Application::runningInstances(), 1);
        session.release();
        QVERIFY(!session.hasService());
        QCOMPARE(trace_, (QStringList{"start", "quit"}));

        {
            BankSession dropped;
            QVERIFY_THROWS_EXCEPTION(Failure, dropped.open(beside(empty.path()), Bank::Clinical));
            QCOMPARE(bank::Application::runningInstances(), 1);
        }
        QCOMPARE(bank::Application::runningInstances(), 0);
    }
};

QTEST_GUILESS_MAIN(BankSessionTest)
#include "test_banksession.moc"
