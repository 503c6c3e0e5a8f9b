// The bank browser's failures through its real widgets: a cell that cannot be read while
// opening, moving or jumping, and a bank that cannot be opened.

#include "browsersteps.h"

#include "bank/bankformat.h"
#include "bank/service.h"

using namespace tiku;
using namespace tiku::testing;

class BrowserFailuresTest : public QObject {
    Q_OBJECT

    InstanceCount instances_;
    int running() const { return instances_.running(); }

private slots:
    void init() { instances_.reset(); }
    void cleanup() { instances_.verifyNoneLeft(); }

    // A cell that cannot be read while jumping: the cell error's code, then the range message;
    // what was shown before the failure stays.
    void jumpToAnErrorCell() {
        ScreenHarness h;
        bank::WorkbookSpec spec;
        spec.sheets.push_back(bankSheet("sheet1", humanities()));
        spec.sheets.push_back(bankSheet("sheet2", clinical()));
        spec.sheets[0].cells.push_back({3, 3, bank::CellValue::ofError(bank::ErrorValue::Div0)});
        bank::writeWorkbookFile(h.folder() + "/dxt.xls", spec);
        Browser& f = browse(h);
        h.expectMessage(QStringLiteral("13"));
        h.expectMessage(rangeMessage(humanitiesCount));
        jump(h, f, QStringLiteral("3"));
        TIKU_VERIFY_SCRIPT(h);
        QCOMPARE(f.questionBox->toPlainText(), humanities()[2].text); // read before the failure
        QCOMPARE(f.answerBox->text(), humanities()[0].answer);
        QCOMPARE(f.questionNumberLabel->text(), QStringLiteral("1"));
        QVERIFY(!f.previousButton->isEnabled());
        QVERIFY(f.nextButton->isEnabled());
        QVERIFY(!h.ended());
        h.click(f.backButton);
        TIKU_VERIFY_SCRIPT(h);
    }

    // Answer reveal ----------------------------------------------------------------------------

    // Failures -----------------------------------------------------------------------------------

    void errorInFirstQuestion_data() {
        QTest::addColumn<int>("column");
        QTest::newRow("question text") << 2;
        QTest::newRow("answer") << 3;
    }
    void errorInFirstQuestion() {
        QFETCH(int, column);
        ScreenHarness h;
        bank::WorkbookSpec spec;
        spec.sheets.push_back(bankSheet("sheet1", humanities()));
        spec.sheets.push_back(bankSheet("sheet2", clinical()));
        spec.sheets[0].cells.push_back({1, column, bank::CellValue::ofError(bank::ErrorValue::NA)});
        bank::writeWorkbookFile(h.folder() + "/dxt.xls", spec);
        h.expectMessage(openingFailed);
        browse(h);
        TIKU_VERIFY_SCRIPT(h);
        QVERIFY(h.ended());
        QCOMPARE(h.exitCode(), 0);
        QCOMPARE(h.timeline(), (QStringList{"start", "open", "msgbox " + openingFailed, "close",
                                            "quit", "end 0"}));
        QCOMPARE(running(), 0);
        QVERIFY(!h.form<MainMenu>().isVisible()); // the program ended: no way back to the menu
    }

    // Opening the workbook is not trapped: the toolkit reports the failure and ends the program.
    void openingFailure_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("code");
        QTest::newRow("no workbook") << "missing" << 53;
        QTest::newRow("wrong password") << "password" << 1004;
        QTest::newRow("no sheet2") << "sheet" << 9;
    }
    void openingFailure() {
        QFETCH(QString, kind);
        QFETCH(int, code);
        ScreenHarness h;
        bool clinicalBank = false;
        if (kind == "password") {
            bank::WriteOptions options;
            options.password = QStringLiteral("qmpzrtv58204618");
            writeBank(h.folder(), humanities(), clinical(), options);
        } else if (kind == "sheet") {
            bank::WorkbookSpec spec;
            spec.sheets.push_back(bankSheet("sheet1", humanities()));
            bank::writeWorkbookFile(h.folder() + "/dxt.xls", spec);
            clinicalBank = true;
        }
        instances_.endedByReport = true;
        browse(h, clinicalBank);
        TIKU_VERIFY_FAILURE_REPORT(h);
        QVERIFY(h.shown().first().text.endsWith(QStringLiteral("（错误代码：%1）").arg(code)));
        QVERIFY(!h.timeline().contains("msgbox " + openingFailed));
        QVERIFY(!h.timeline().contains("close"));
    }

    // Moves set no trap: a cell that cannot be read ends the program through the toolkit.
    void errorCellOnAMove() {
        ScreenHarness h;
        bank::WorkbookSpec spec;
        spec.sheets.push_back(bankSheet("sheet1", humanities()));
        spec.sheets.push_back(bankSheet("sheet2", clinical()));
        spec.sheets[0].cells.push_back({2, 3, bank::CellValue::ofError(bank::ErrorValue::Value)});
        bank::writeWorkbookFile(h.folder() + "/dxt.xls", spec);
        Browser& f = browse(h);
        instances_.endedByReport = true;
        h.click(f.nextButton);
        TIKU_VERIFY_FAILURE_REPORT(h);
        QVERIFY(h.shown().first().text.endsWith(QStringLiteral("（错误代码：13）")));
        QVERIFY(!h.timeline().contains("msgbox " + openingFailed));
        QCOMPARE(f.questionBox->toPlainText(), humanities()[1].text); // what was updated stays
        QCOMPARE(f.questionNumberLabel->text(), QStringLiteral("1"));
    }
};

QTEST_MAIN(BrowserFailuresTest)
#include "test_browserfailures.moc"
