#pragma once

// The spreadsheet service the screens call: start an instance, open a workbook with a password,
// take a worksheet by name, count the used rows of the sheet at a position, read a cell as text,
// close, quit. Every failure is a BankError.

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace tiku::bank {

class Workbook;
class Worksheet;
class WorkbookData; // the parsed, read-only snapshot behind a workbook and its worksheets

// Observes the service's life-cycle calls for the tests: "start", "open", "close" and "quit" are
// reported as they happen (a successful call only).
using ServiceTrace = std::function<void(const QString& event)>;
void setServiceTrace(ServiceTrace trace);
void traceServiceEvent(const QString& event);

class Application : public std::enable_shared_from_this<Application> {
public:
    // Starts a new instance; nothing is shared with other instances.
    static std::shared_ptr<Application> start();
    ~Application();

    // Opens the workbook at path, read-only, with the password to open it. The file is read
    // once into memory and never written or locked. The workbook becomes the active workbook.
    std::shared_ptr<Workbook> open(const QString& path, const QString& password);

    // The used-row count of the sheet at position (1-based, workbook order) of the active
    // workbook: last used row - first used row + 1, 1 for an empty worksheet. A chart or macro
    // sheet at that position, or no sheet there, fails.
    int usedRowCount(int position) const;

    // Quits the instance: every workbook it opened is closed.
    void quit();
    bool isRunning() const { return running_; }

    // Instances started and not yet quit, across the process.
    static int runningInstances();

private:
    Application();
    void checkRunning() const;

    bool running_ = true;
    std::shared_ptr<Workbook> active_;
    std::vector<std::weak_ptr<Workbook>> opened_; // closed by quit()
};

class Workbook : public std::enable_shared_from_this<Workbook> {
public:
    // The worksheet of that name, letter case ignored; chart and macro sheets do not count.
    std::shared_ptr<Worksheet> worksheet(const QString& name) const;
    // Closes the workbook; its worksheets can no longer be read.
    void close();
    bool isOpen() const { return data_ != nullptr; }
    const QString& path() const { return path_; }

    // Used by the engine.
    Workbook(QString path, std::shared_ptr<const WorkbookData> data);
    const std::shared_ptr<const WorkbookData>& data() const { return data_; }

private:
    friend class Application; // quit() closes the instance's workbooks
    QString path_;
    std::shared_ptr<const WorkbookData> data_;
};

class Worksheet {
public:
    // The text of the cell at row and column (1-based): empty for an empty cell, the text as
    // stored, a number in at most 15 significant digits, "True"/"False", a date as its date
    // text. A cell holding an error value fails with code 13.
    QString cellText(int row, int column) const;
    // The same with the row given as decimal text, which is taken as a number (rounded half to
    // even); text that is no number fails with code 13.
    QString cellText(const QString& row, int column) const;

    const QString& name() const { return name_; }

    // Used by the engine.
    Worksheet(std::weak_ptr<const Workbook> book, QString name, int sheetIndex);

private:
    std::weak_ptr<const Workbook> book_;
    QString name_;
    int sheetIndex_;
};

} // namespace tiku::bank
