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

#include "bank/service.h"
#include "bank/writer.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <fstream>
#include <map>
#include <string>

using namespace tiku::bank;

namespace {

const QString kPassword = QStringLiteral("qmpzrtv58204617");

// A question in the style of a licensing exam: a case stem, a question and five options.
QString question(QRandomGenerator& rng, int k) {
    static const char16_t* const who[] = {u"患者，男，", u"患者，女，", u"患儿，男，", u"产妇，"};
    static const char16_t* const complaints[] = {
        u"反复胸骨后压榨样疼痛3年，每次持续3～5分钟，休息或含服硝酸甘油后可缓解。",
        u"突发剧烈头痛伴喷射性呕吐2小时，既往有高血压病史10年，未规律服药。",
        u"咳嗽、咳痰伴发热5天，体温最高39.2℃，右下肺可闻及湿啰音。",
        u"上腹部节律性疼痛2年，多于餐后3～4小时出现，进食后可缓解，近日出现黑便。",
        u"多饮、多尿、多食伴体重下降3个月，空腹血糖9.8 mmol/L。",
        u"转移性右下腹痛12小时，伴恶心、呕吐，右下腹固定压痛及反跳痛。",
        u"心悸、怕热、多汗、手抖2个月，查体见甲状腺弥漫性肿大，可闻及血管杂音。",
        u"乏力、面色苍白半年，月经量多，血红蛋白78 g/L，平均红细胞体积72 fl。",
    };
    static const char16_t* const asks[] = {u"该患者最可能的诊断是", u"为明确诊断，首选的检查是",
                                           u"首选的治疗措施是", u"下列处理中，错误的是",
                                           u"该病最常见的并发症是"};
    static const char16_t* const options[] = {u"稳定型心绞痛",
                                              u"急性心肌梗死",
                                              u"蛛网膜下腔出血",
                                              u"社区获得性肺炎",
                                              u"消化性溃疡",
                                              u"2型糖尿病",
                                              u"急性阑尾炎",
                                              u"Graves病",
                                              u"缺铁性贫血",
                                              u"心电图检查",
                                              u"头颅CT平扫",
                                              u"胸部X线检查",
                                              u"胃镜检查",
                                              u"口服葡萄糖耐量试验",
                                              u"急诊手术",
                                              u"抗甲状腺药物治疗",
                                              u"口服铁剂",
                                              u"静脉溶栓治疗",
                                              u"卧床休息，监测生命体征"};
    QString q = QStringLiteral("%1. ").arg(k);
    q += QString::fromUtf16(who[rng.bounded(4)]) + QString::number(18 + rng.bounded(60)) +
         QStringLiteral("岁。");
    while (q.size() < 120) {
        q += QString::fromUtf16(complaints[rng.bounded(8)]);
    }
    q += QString::fromUtf16(asks[rng.bounded(5)]) + QStringLiteral("（　　）");
    for (int o = 0; o < 5; ++o) {
        q += QStringLiteral("\n%1. ").arg(QChar(u'A' + o)) +
             QString::fromUtf16(options[rng.bounded(19)]);
    }
    return q;
}

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
    auto book = app->open(path, kPassword);
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
