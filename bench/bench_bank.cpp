// What opening a bank costs the screens, against reading the same file plainly.
//
// For banks of 1,000, 10,000 and 32,767 questions of about 200 Chinese characters, encrypted
// with RC4 CryptoAPI as the program's own bank is, written when the benchmark starts:
//   BM_ScreensPath: the screens' path through the service: start, open, select the worksheet,
//     count the used rows, read two cells, close, quit. Its counter x_plain is its time over
//     that of a plain read of the file timed in the same iterations, interleaved.
//   BM_PlainRead: the file read into a fresh buffer (QFile::readAll).
// Both report peak_rss_delta: the peak resident memory above the process's resident size just
// before one run, and mem_x_file: that over the file size.

#include "bank/bankformat.h"
#include "bank/service.h"
#include "bank/writer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include "questions.h"

#include <chrono>
#include <fstream>
#include <map>
#include <string>

using namespace tiku::bank;
using tiku::bench::question;

namespace {

struct Bank {
    QString path;
    qint64 size = 0;
};

QTemporaryDir& workDir() {
    static QTemporaryDir dir;
    return dir;
}

// sheet1 holds the bank of n questions, sheet2 a small second bank.
const Bank& bank(int n) {
    static std::map<int, Bank> banks;
    auto it = banks.find(n);
    if (it != banks.end()) {
        return it->second;
    }
    QRandomGenerator rng(20240601u + quint32(n));
    WorkbookSpec spec;
    for (int s = 0; s < 2; ++s) {
        SheetSpec sheet;
        sheet.name = s == 0 ? QStringLiteral("sheet1") : QStringLiteral("sheet2");
        const int rows = s == 0 ? n : 100;
        for (int r = 1; r <= rows; ++r) {
            sheet.cells.push_back({r, 1, CellValue::ofNumber(r)});
            sheet.cells.push_back({r, 2, CellValue::ofText(question(rng, r))});
            sheet.cells.push_back({r, 3, CellValue::ofText(QString(QChar(u'A' + rng.bounded(5))))});
        }
        spec.sheets.push_back(std::move(sheet));
    }
    Bank b;
    b.path = workDir().filePath(QStringLiteral("bank-%1.xls").arg(n));
    writeWorkbookFile(b.path, spec);
    b.size = QFileInfo(b.path).size();
    return banks.emplace(n, b).first->second;
}

// Resident and peak resident memory of the process, in bytes, from /proc/self/status.
qint64 statusField(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stoll(line.substr(key.size())) * 1024;
        }
    }
    return -1;
}

// Resets the peak to the current resident size (Linux 4.0 on).
bool resetPeak() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return bool(out);
}

template <class F> void reportPeak(benchmark::State& state, qint64 fileSize, F&& run) {
    // Freed memory goes back to the system first, so that what the run takes shows as resident
    // growth rather than reuse of pages the process already holds.
    malloc_trim(0);
    if (!resetPeak()) {
        return;
    }
    const qint64 before = statusField("VmRSS");
    run();
    const qint64 delta = statusField("VmHWM") - before;
    state.counters["peak_rss_delta"] = double(delta);
    state.counters["mem_x_file"] = double(delta) / double(fileSize);
}

int screensPath(const QString& path, int n) {
    auto app = Application::start();
    auto book = app->open(path, bankPassword());
    auto sheet = book->worksheet(QStringLiteral("sheet1"));
    const int count = app->usedRowCount(1);
    const QString q = sheet->cellText(1, 2);
    const QString a = sheet->cellText(n / 2 + 1, 3);
    benchmark::DoNotOptimize(q.constData());
    benchmark::DoNotOptimize(a.constData());
    book->close();
    app->quit();
    return count;
}

qint64 plainRead(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray bytes = f.readAll();
    benchmark::DoNotOptimize(bytes.constData());
    return bytes.size();
}

void BM_ScreensPath(benchmark::State& state) {
    const int n = int(state.range(0));
    const Bank& b = bank(n);
    using Clock = std::chrono::steady_clock;
    double screensSeconds = 0;
    double plainSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const qint64 read = plainRead(b.path);
        const auto t1 = Clock::now();
        const int count = screensPath(b.path, n);
        const auto t2 = Clock::now();
        if (count != n || read != b.size) {
            state.SkipWithError("the bank did not read back");
            return;
        }
        plainSeconds += std::chrono::duration<double>(t1 - t0).count();
        const double s = std::chrono::duration<double>(t2 - t1).count();
        screensSeconds += s;
        state.SetIterationTime(s);
    }
    state.counters["x_plain"] = screensSeconds / plainSeconds;
    state.counters["file_bytes"] = double(b.size);
    reportPeak(state, b.size, [&] { screensPath(b.path, n); });
}

void BM_PlainRead(benchmark::State& state) {
    const Bank& b = bank(int(state.range(0)));
    for (auto _ : state) {
        if (plainRead(b.path) != b.size) {
            state.SkipWithError("short read");
            return;
        }
    }
    state.counters["file_bytes"] = double(b.size);
    reportPeak(state, b.size, [&] { plainRead(b.path); });
}

} // namespace

BENCHMARK(BM_ScreensPath)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(32767)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRead)->Arg(1000)->Arg(10000)->Arg(32767)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // The banks are written before anything is timed.
    for (int n : {1000, 10000, 32767}) {
        bank(n);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
