// make's entry point in-process: TSV and CSV line ends, question tables from every input kind,
// and the bank check make applies before it writes.

#include "import/bankcheck.h"
#include "import/importerror.h"
#include "import/inputs.h"
#include "import/textinput.h"

#include <QtTest>

using namespace tiku;
using namespace tiku::import;

class TestInputs : public QObject {
    Q_OBJECT

private slots:
    void lineEnds();
};

// Excel for Mac ends lines with a lone CR: a line end in TSV and CSV alike, outside quotes.
void TestInputs::lineEnds() {
    const Table tsv = parseTsv(QStringLiteral("1\ta\\nb\tA\r2\tc\tB\r\n3\td\tC\r"), {});
    QCOMPARE(tsv, (Table{{"1", "a\nb", "A"}, {"2", "c", "B"}, {"3", "d", "C"}}));
    const Table csv = parseCsv(QStringLiteral("1,\"a\rb\",A\r2,c,B\r\r3,\"d\"\r"), {});
    QCOMPARE(csv, (Table{{"1", "a\rb", "A"}, {"2", "c", "B"}, {}, {"3", "d"}}));
    // Line numbers in messages count lone CRs too.
    try {
        parseCsv(QStringLiteral("a\rb\r\"c\"x"), QStringLiteral("f.csv"));
        QFAIL("no error");
    } catch (const ImportError& e) {
        QCOMPARE(e.message(), QStringLiteral("f.csv:3: text after a closing quote"));
    }
}

QTEST_GUILESS_MAIN(TestInputs)
#include "test_inputs.moc"
