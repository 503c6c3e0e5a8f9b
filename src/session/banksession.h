#pragma once

// The question bank as one screen holds it from its activation to its unloading: a spreadsheet
// service instance of its own, the workbook opened through it and the chosen bank's worksheet.

#include "session/bank.h"
#include "session/banklocation.h"

#include <QString>

#include <memory>

namespace tiku {

namespace bank {
class Application;
class Workbook;
class Worksheet;
} // namespace bank

class BankSession {
public:
    BankSession() = default;
    // A service still running when the session goes (only where the program ended through a
    // failure no screen trapped) is quit with it.
    ~BankSession();
    BankSession(const BankSession&) = delete;
    BankSession& operator=(const BankSession&) = delete;

    // Starts a service, opens the bank file chosen among the places with the bank password, takes
    // the bank's worksheet by name and returns the used-row count of the sheet at the bank's
    // position, in that order. A failure goes on to the caller; what was opened before it stays
    // held. A file that cannot be opened after more than one place was looked at is reported with
    // the places tried.
    int open(const BankPlaces& places, Bank bank);
    // After a failed opening: quits the service if it is running (which closes what it opened)
    // and lets go of the workbook and the service.
    void release();

    // The question text (with its options) and the answer of a row of the bank's worksheet, read
    // anew on every call; the row given as a number or as decimal text, which the service takes
    // as a number.
    QString questionText(int row) const;
    QString answerText(int row) const;
    QString questionText(const QString& row) const;
    QString answerText(const QString& row) const;

    // Closes the workbook, quits the service, then lets go of the workbook and of the service,
    // in that order; each step only for what is held.
    void close();

    bool isOpen() const { return book_ != nullptr; }
    bool hasService() const { return app_ != nullptr; }
    // The bank's worksheet; it stays held after close(). Tests may put another in its place.
    const std::shared_ptr<bank::Worksheet>& sheet() const { return sheet_; }
    void setSheet(std::shared_ptr<bank::Worksheet> sheet) { sheet_ = std::move(sheet); }

private:
    std::shared_ptr<bank::Application> app_;
    std::shared_ptr<bank::Workbook> book_;
    std::shared_ptr<bank::Worksheet> sheet_;
};

} // namespace tiku
