// Feeds arbitrary bytes to the workbook reader: open, then every worksheet's used rows and the
// cells of its first rows and last row. Every failure must be a BankError.

#include "bank/bankerror.h"
#include "bank/bankformat.h"
#include "bank/workbook.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>

using namespace tiku::bank;
using tiku::ErrorKind;

namespace {

// The program's password first (the writer's seeds use it), then the passwords of the real
// seed workbooks, so that encrypted seeds get past their verifier.
const char16_t* const kSeedPasswords[] = {
    u"password", u"Password1234_", u"123456789012345", u"freedom", u"abc", u"11", u"QwErTyUiOp"};

std::shared_ptr<const WorkbookData> open(const QByteArray& bytes) {
    static const QStringList passwords = [] {
        QStringList list{bankPassword()};
        for (const char16_t* pw : kSeedPasswords) {
            list.append(QString::fromUtf16(pw));
        }
        return list;
    }();
    for (const QString& pw : passwords) {
        try {
            return WorkbookData::fromBytes(bytes, pw, QStringLiteral("/fuzz/dxt.xls"));
        } catch (const BankError& e) {
            if (e.kind() != ErrorKind::PasswordRefused) {
                return nullptr;
            }
        }
    }
    return nullptr;
}

// Reads what the screens would: every worksheet's used rows and the cells of its first rows and
// of its last row. A damaged sheet fails when it is first used.
void readAll(const WorkbookData& book) {
    for (int s = 0; s < book.sheetCount(); ++s) {
        if (book.sheetKind(s) != SheetKind::Worksheet) {
            continue;
        }
        try {
            const SheetInfo& info = book.sheet(s);
            const int first = info.firstRow > 0 ? info.firstRow : 1;
            const int last = info.lastRow > 0 ? info.lastRow : 1;
            for (int r = first; r <= last && r < first + 8; ++r) {
                for (int c = 1; c <= 4; ++c) {
                    try {
                        book.cellText(s, r, c);
                    } catch (const BankError&) {
                    }
                }
            }
            for (int c = 1; c <= 4; ++c) {
                try {
                    book.cellText(s, last, c);
                } catch (const BankError&) {
                }
            }
        } catch (const BankError&) {
        }
    }
    try {
        book.sheets();
    } catch (const BankError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (std::shared_ptr<const WorkbookData> book = open(bytes)) {
        readAll(*book);
    }
    return 0;
}
