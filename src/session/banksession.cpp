#include "banksession.h"

#include "bank/bankerror.h"
#include "bank/service.h"
#include "core/bankrules.h"
#include "core/failure.h"

namespace tiku {

namespace {
bool isFirstBank(Bank bank) {
    return bank == Bank::Humanities;
}
} // namespace

BankSession::~BankSession() {
    if (app_ && app_->isRunning()) {
        try {
            app_->quit();
        } catch (const Failure&) {
        }
    }
}

int BankSession::open(const BankPlaces& places, Bank bank) {
    app_ = bank::Application::start();
    const BankChoice choice = chooseBank(places);
    try {
        book_ = app_->open(choice.path, bank::bankPassword());
    } catch (const bank::BankError& failure) {
        if (choice.tried.size() < 2) {
            throw;
        }
        throw bank::BankError(failure.kind(),
                              failure.description() + triedPlacesText(choice.tried));
    }
    sheet_ = book_->worksheet(bank::bankSheetName(isFirstBank(bank)));
    return app_->usedRowCount(bank::bankSheetPosition(isFirstBank(bank)));
}

QString BankSession::questionText(int row) const {
    return sheet_->cellText(row, bank::questionColumn);
}

QString BankSession::answerText(int row) const {
    return sheet_->cellText(row, bank::answerColumn);
}

QString BankSession::questionText(const QString& row) const {
    return sheet_->cellText(row, bank::questionColumn);
}

QString BankSession::answerText(const QString& row) const {
    return sheet_->cellText(row, bank::answerColumn);
}

void BankSession::close() {
    if (book_) {
        book_->close();
    }
    if (app_) {
        app_->quit();
    }
    book_.reset();
    app_.reset();
}

void BankSession::release() {
    if (app_ && app_->isRunning()) {
        app_->quit();
    }
    book_.reset();
    app_.reset();
}

} // namespace tiku
