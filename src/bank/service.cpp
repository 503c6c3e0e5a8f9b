#include "service.h"

#include "bankformat.h"

#include "bankerror.h"
#include "workbook.h"

#include <QFileInfo>
#include <QLocale>

#include <atomic>
#include <cfenv>
#include <cmath>

namespace tiku::bank {

namespace {

// Instances started and not quit. An instance dropped without quit stays counted, as a service
// process left running would.
std::atomic<int> g_running{0};

[[noreturn]] void closedFailure(const QString& what) {
    throw BankError(ErrorKind::Closed, what);
}

QString displayPath(const QString& path) {
    const QFileInfo info(path);
    return info.isRelative() ? info.absoluteFilePath() : path;
}

} // namespace

// --- Application -------------------------------------------------------------------------------

Application::Application() {
    ++g_running;
}

Application::~Application() = default;

std::shared_ptr<Application> Application::start() {
    std::shared_ptr<Application> app(new Application());
    traceServiceEvent(QStringLiteral("start"));
    return app;
}

int Application::runningInstances() {
    return g_running.load();
}

void Application::checkRunning() const {
    if (!running_) {
        closedFailure(QStringLiteral("电子表格服务已退出，无法再使用。"));
    }
}

std::shared_ptr<Workbook> Application::open(const QString& path, const QString& password) {
    checkRunning();
    std::shared_ptr<const WorkbookData> data = WorkbookData::load(path, password);
    auto book = std::make_shared<Workbook>(displayPath(path), std::move(data));
    active_ = book;
    std::erase_if(opened_, [](const std::weak_ptr<Workbook>& w) { return w.expired(); });
    opened_.push_back(book);
    traceServiceEvent(QStringLiteral("open"));
    return book;
}

int Application::usedRowCount(int position) const {
    checkRunning();
    if (!active_ || !active_->isOpen()) {
        closedFailure(QStringLiteral("没有打开的工作簿，无法统计已用行数。"));
    }
    const WorkbookData& data = *active_->data();
    if (position < 1 || position > data.sheetCount()) {
        throw BankError(
            ErrorKind::NotAWorksheet,
            QStringLiteral("题库文件“%1”中没有第 %2 张表。").arg(active_->path()).arg(position));
    }
    if (data.sheetKind(position - 1) != SheetKind::Worksheet) {
        throw BankError(ErrorKind::NotAWorksheet,
                        QStringLiteral("题库文件“%1”的第 %2 张表“%3”不是工作表。")
                            .arg(active_->path())
                            .arg(position)
                            .arg(data.sheetName(position - 1)));
    }
    return data.sheet(position - 1).usedRows;
}

void Application::quit() {
    checkRunning();
    for (const std::weak_ptr<Workbook>& w : opened_) {
        if (std::shared_ptr<Workbook> book = w.lock(); book && book->isOpen()) {
            book->data_.reset();
        }
    }
    opened_.clear();
    active_.reset();
    running_ = false;
    --g_running;
    traceServiceEvent(QStringLiteral("quit"));
}

// --- Workbook ----------------------------------------------------------------------------------

Workbook::Workbook(QString path, std::shared_ptr<const WorkbookData> data)
    : path_(std::move(path)), data_(std::move(data)) {}

std::shared_ptr<Worksheet> Workbook::worksheet(const QString& name) const {
    if (!data_) {
        closedFailure(QStringLiteral("题库文件“%1”已关闭。").arg(path_));
    }
    for (int k = 0; k < data_->sheetCount(); ++k) {
        if (data_->sheetKind(k) == SheetKind::Worksheet &&
            data_->sheetName(k).compare(name, Qt::CaseInsensitive) == 0) {
            return std::make_shared<Worksheet>(weak_from_this(), data_->sheetName(k), k);
        }
    }
    throw BankError(ErrorKind::NoSuchWorksheet,
                    QStringLiteral("题库文件“%1”中没有名为“%2”的工作表。").arg(path_, name));
}

void Workbook::close() {
    if (!data_) {
        closedFailure(QStringLiteral("题库文件“%1”已关闭。").arg(path_));
    }
    data_.reset();
    traceServiceEvent(QStringLiteral("close"));
}

// --- Worksheet ---------------------------------------------------------------------------------

Worksheet::Worksheet(std::weak_ptr<const Workbook> book, QString name, int sheetIndex)
    : book_(std::move(book)), name_(std::move(name)), sheetIndex_(sheetIndex) {}

QString Worksheet::cellText(int row, int column) const {
    const std::shared_ptr<const Workbook> book = book_.lock();
    if (!book || !book->isOpen()) {
        closedFailure(QStringLiteral("工作表“%1”所在的工作簿已关闭。").arg(name_));
    }
    if (row < 1 || row > maxSheetRows || column < 1 || column > maxSheetColumns) {
        throw BankError(ErrorKind::BadArgument,
                        QStringLiteral("单元格位置（第 %1 行，第 %2 列）超出工作表范围。")
                            .arg(row)
                            .arg(column));
    }
    const CellContent content = book->data()->cell(sheetIndex_, row, column);
    if (content.kind == CellContent::Kind::Error) {
        throw BankError(
            ErrorKind::CellError,
            QStringLiteral("题库文件“%1”中工作表“%2”第 %3 行第 %4 列的单元格含有错误值 %5，"
                           "无法取得文本。")
                .arg(book->path(), name_)
                .arg(row)
                .arg(column)
                .arg(errorLiteral(content.error)));
    }
    return content.text;
}

QString Worksheet::cellText(const QString& row, int column) const {
    bool ok = false;
    const double value = QLocale::c().toDouble(row.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
        throw BankError(ErrorKind::NotANumber, QStringLiteral("行号“%1”不是数字。").arg(row));
    }
    if (std::fabs(value) > 1e9) {
        throw BankError(ErrorKind::BadArgument,
                        QStringLiteral("单元格位置（第 %1 行，第 %2 列）超出工作表范围。")
                            .arg(row)
                            .arg(column));
    }
    // Rounded half to even, as the service converts a number to a row index.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    return cellText(int(rounded), column);
}

} // namespace tiku::bank
