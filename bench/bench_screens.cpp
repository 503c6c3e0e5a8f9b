// What the user waits for on a bank of 32,767 questions: from a click on 查看题库 to question 1
// in the browser, and from a click on 确  定 (100 questions) to question 1 of the paper. The
// screens run offscreen through their real widgets, as the screen tests drive them.

#include "questions.h"
#include "screentest.h"

#include "bank/writer.h"
#include "browser/browser.h"
#include "menu/mainmenu.h"
#include "mocktest/mocktest.h"
#include "mocktest/testoptions.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>

using namespace tiku;
using tiku::testing::ScreenHarness;

namespace {

constexpr int kRows = 32767;

// dxt.xls with kRows questions in each bank, written once.
const QString& bankFolder() {
    static QTemporaryDir dir;
    static bool written = [] {
        QRandomGenerator rng(20241207u);
        bank::WorkbookSpec spec;
        for (const char* name : {"sheet1", "sheet2"}) {
            bank::SheetSpec sheet;
            sheet.name = QString::fromLatin1(name);
            for (int r = 1; r <= kRows; ++r) {
                sheet.cells.push_back({r, 2, bank::CellValue::ofText(bench::question(rng, r))});
                sheet.cells.push_back(
                    {r, 3, bank::CellValue::ofText(QString(QChar(u'A' + r % 5)))});
            }
            spec.sheets.push_back(std::move(sheet));
        }
        bank::writeWorkbookFile(dir.filePath(QStringLiteral("dxt.xls")), spec);
        return true;
    }();
    (void)written;
    static const QString path = dir.path();
    return path;
}

// The main menu, as at program start, over the bank in folder.
void showMenu(ScreenHarness& h, const QString& folder) {
    h.setFolder(folder);
    Toolkit::instance().show(h.form<MainMenu>());
    h.settle();
}

template <class Click> double timed(Click click) {
    const auto t0 = std::chrono::steady_clock::now();
    click();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_BrowseToFirstQuestion(benchmark::State& state) {
    const QString folder = bankFolder();
    for (auto _ : state) {
        ScreenHarness h;
        showMenu(h, folder);
        // click() returns once the queued activation has shown question 1.
        state.SetIterationTime(timed([&] { h.click(h.form<MainMenu>().browseButton); }));
        if (h.form<Browser>().questionNumberLabel->text() != QStringLiteral("1") || h.ended()) {
            state.SkipWithError("question 1 not shown");
            break;
        }
        h.form<Browser>().close();
        h.settle();
    }
}

void BM_TestToFirstQuestion(benchmark::State& state) {
    const QString folder = bankFolder();
    for (auto _ : state) {
        ScreenHarness h;
        showMenu(h, folder);
        h.click(h.form<MainMenu>().testButton);
        h.type(h.form<TestOptions>().countBox, QStringLiteral("100"));
        state.SetIterationTime(timed([&] { h.click(h.form<TestOptions>().okButton); }));
        if (h.form<MockTest>().questionNumberLabel->text() != QStringLiteral("1") || h.ended()) {
            state.SkipWithError("question 1 not shown");
            break;
        }
        h.form<MockTest>().close();
        h.settle();
    }
}

BENCHMARK(BM_BrowseToFirstQuestion)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TestToFirstQuestion)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
