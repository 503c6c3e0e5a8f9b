#include "biff.h"

#include "bankformat.h"
#include "core/numbertext.h"
#include "filepass.h"
#include "recordids.h"
#include "recordstream.h"
#include "sharedstrings.h"
#include "sheetindex.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <set>

namespace tiku::bank::biff {

namespace {

struct Sheet {
    SheetInfo info;
    quint32 bofPos = 0;
    const SheetIndex* index = nullptr; // set when a worksheet is first used
};

class BiffWorkbook final : public WorkbookData {
public:
    BiffWorkbook(QByteArray bytes, const QString& password, const QString& displayName);

    QString format() const override { return QStringLiteral("BIFF8"); }
    Encryption encryption() const override { return encryption_; }
    int keyBits() const override { return keyBits_; }
    const std::vector<SheetInfo>& sheets() const override;
    int sheetCount() const override { return int(sheetList_.size()); }
    QString sheetName(int index) const override { return sheetList_.at(size_t(index)).info.name; }
    SheetKind sheetKind(int index) const override { return sheetList_.at(size_t(index)).info.kind; }
    const SheetInfo& sheet(int index) const override;
    CellContent cell(int sheetIndex, int row, int column) const override;
    void visitCells(int sheetIndex, const CellVisitor& visit) const override;

private:
    void openStream(const QString& password);
    void locateStream();
    void readGlobals();
    bool startsSubstream(quint32 pos) const;
    const Sheet& scanned(size_t index) const;
    CellContent decode(const CellRef& ref, int column) const;
    CellContent numberCell(double value, int xf) const;
    QString formulaString(const Record& formula) const;

    QByteArray bytes_;
    QString displayName_;
    std::optional<cfb::CompoundFile> cfb_;
    cfb::Stream stream_;
    std::optional<Records> records_;
    std::optional<SharedStrings> strings_;

    Encryption encryption_ = Encryption::None;
    int keyBits_ = 0;
    bool date1904_ = false;
    int codePage_ = 1200;
    std::vector<quint16> xfFormat_;  // number format index of each XF
    std::map<int, QString> formats_; // FORMAT records
    mutable std::map<int, DateParts> dateFormats_;

    // A worksheet's cell records are indexed when it is first used, once per substream.
    mutable std::vector<Sheet> sheetList_;
    mutable std::map<quint32, SheetIndex> indexes_;
    mutable std::map<quint32, Fault> faults_; // substreams found broken
    qint64 globalsEnd_ = 0;                   // where the globals' EOF record ends
    mutable qint64 chainPos_ = 0;             // how far startsSubstream() walked the records
    mutable std::vector<quint32> chainBofs_;  // the BOF records it passed, in stream order
    mutable std::set<qint64> substreamEnds_;  // where the indexed substreams end
    mutable std::vector<SheetInfo> infos_;
    mutable bool allScanned_ = false;
};

BiffWorkbook::BiffWorkbook(QByteArray bytes, const QString& password, const QString& displayName)
    : bytes_(std::move(bytes)), displayName_(displayName) {
    guarded(displayName_, [&] { openStream(password); });
}

void BiffWorkbook::openStream(const QString& password) {
    try {
        cfb_.emplace(bytes_);
    } catch (const cfb::Corrupt&) {
        refuse(ErrorKind::Damaged, QStringLiteral("文件已损坏（复合文件结构错误）。"));
    }
    locateStream();
    records_.emplace(stream_);
    strings_.emplace(*records_);
    const Record bof = records_->require(0);
    if (bof.type != record::Bof || bof.size < 4) {
        refuse(ErrorKind::Damaged, QStringLiteral("文件已损坏（工作簿流不以 BOF 记录开始）。"));
    }
    const quint16 version = records_->u16(bof, 0);
    const quint16 kind = records_->u16(bof, 2);
    if (version != 0x0600) {
        refuse(ErrorKind::UnsupportedFormat,
               QStringLiteral("这是 Excel 5.0/95 或更早格式的工作簿，不支持此格式。"));
    }
    if (kind != 0x0005) {
        refuse(ErrorKind::NotAWorkbook, QStringLiteral("文件中没有工作簿。"));
    }
    // Reads FILEPASS and sets up decryption before anything encrypted is read.
    qint64 pos = bof.end();
    for (;;) {
        const Record r = records_->require(pos);
        if (r.type == record::FilePass) {
            Protection protection = readFilePass(*records_, r, password);
            encryption_ = protection.encryption;
            keyBits_ = protection.keyBits;
            records_->setCipher(std::move(protection.cipher), r.end());
            break;
        }
        if (r.type == record::Eof || r.type == record::BoundSheet || r.type == record::Sst) {
            break; // FILEPASS comes right after BOF or not at all
        }
        pos = r.end();
    }
    readGlobals();
}

void BiffWorkbook::locateStream() {
    std::optional<cfb::Stream> s;
    try {
        s = cfb_->stream(QStringLiteral("Workbook"));
    } catch (const cfb::Corrupt&) {
        refuse(ErrorKind::Damaged, QStringLiteral("文件已损坏（工作簿流的扇区链错误）。"));
    }
    if (s) {
        stream_ = std::move(*s);
        return;
    }
    if (cfb_->contains(QStringLiteral("EncryptionInfo")) &&
        cfb_->contains(QStringLiteral("EncryptedPackage"))) {
        refuse(ErrorKind::UnsupportedFormat,
               QStringLiteral("这是加密的 Excel 2007 及以后格式（.xlsx）的工作簿，不支持此格式。"));
    }
    if (cfb_->contains(QStringLiteral("Book"))) {
        refuse(ErrorKind::UnsupportedFormat,
               QStringLiteral("这是 Excel 5.0/95 格式的工作簿，不支持此格式。"));
    }
    refuse(ErrorKind::NotAWorkbook, QStringLiteral("文件中没有工作簿。"));
}

void BiffWorkbook::readGlobals() {
    qint64 pos = 0;
    bool inSst = false;
    for (;;) {
        const Record r = records_->require(pos);
        pos = r.end();
        if (r.type == record::Continue && inSst) {
            strings_->addContinue(r);
            continue;
        }
        inSst = false;
        switch (r.type) {
        case record::Eof:
            break;
        case record::DateMode:
            if (r.size >= 2) {
                date1904_ = records_->u16(r, 0) == 1;
            }
            continue;
        case record::CodePage:
            if (r.size >= 2) {
                codePage_ = records_->u16(r, 0);
            }
            continue;
        case record::Xf:
            if (r.size >= 4) {
                xfFormat_.push_back(records_->u16(r, 2));
            }
            continue;
        case record::Format: {
            if (r.size < 5) {
                continue;
            }
            const int ifmt = records_->u16(r, 0);
            Cursor c(*records_, r, 2);
            QString code;
            if (readPlainString(c, code)) {
                formats_[ifmt] = code;
            }
            continue;
        }
        case record::BoundSheet: {
            if (r.size < 8) {
                damage("BOUNDSHEET too short");
            }
            const QByteArray d = records_->data(r);
            const auto* p = reinterpret_cast<const quint8*>(d.constData());
            if (sheetList_.size() >= size_t(maxSheets)) {
                // More than any spreadsheet application makes: a flood of BOUNDSHEET records.
                damage("more than 10000 sheets");
            }
            Sheet sheet;
            sheet.bofPos = le32(p);
            const quint8 dt = p[5];
            sheet.info.kind = dt == 0x00   ? SheetKind::Worksheet
                              : dt == 0x02 ? SheetKind::Chart
                                           : SheetKind::Macro;
            const int cch = p[6];
            const bool high = (p[7] & 0x01) != 0;
            if (8 + cch * (high ? 2 : 1) > r.size) {
                damage("sheet name runs past its record");
            }
            for (int k = 0; k < cch; ++k) {
                sheet.info.name.append(high ? QChar(char16_t(le16(p + 8 + 2 * k)))
                                            : QChar(char16_t(p[8 + k])));
            }
            sheetList_.push_back(std::move(sheet));
            continue;
        }
        case record::Sst:
            strings_->begin(r);
            inSst = true;
            continue;
        default:
            continue;
        }
        break; // EOF
    }
    globalsEnd_ = pos;
}

// True when pos is a record of the stream's own sequence of records, walked from the start as
// far as asked and never twice: the substreams of sheets never begin inside one another's
// records, so indexing each once reads every record a bounded number of times however many
// sheets name them.
bool BiffWorkbook::startsSubstream(quint32 pos) const {
    if (pos == globalsEnd_ || substreamEnds_.count(pos) != 0) {
        return true; // right after the globals or after a sheet's substream, where sheets are
    }
    while (chainPos_ < pos) {
        const std::optional<Record> r = records_->at(chainPos_);
        if (!r) {
            return false;
        }
        if (r->type == record::Bof) {
            chainBofs_.push_back(quint32(chainPos_));
        }
        chainPos_ = r->end();
    }
    return chainPos_ == pos || std::binary_search(chainBofs_.begin(), chainBofs_.end(), pos);
}

const Sheet& BiffWorkbook::scanned(size_t index) const {
    Sheet& sheet = sheetList_.at(index);
    if (sheet.index == nullptr && sheet.info.kind == SheetKind::Worksheet) {
        if (!startsSubstream(sheet.bofPos)) {
            damage("a worksheet's substream does not start with BOF");
        }
        // Sheets naming the same substream share its index, or its fault.
        auto it = indexes_.find(sheet.bofPos);
        if (it == indexes_.end()) {
            if (auto failed = faults_.find(sheet.bofPos); failed != faults_.end()) {
                throw failed->second;
            }
            try {
                it = indexes_.emplace(sheet.bofPos, indexSheet(*records_, sheet.bofPos)).first;
                substreamEnds_.insert(it->second.end);
            } catch (const Fault& fault) {
                faults_.emplace(sheet.bofPos, fault);
                throw;
            }
        }
        sheet.index = &it->second;
        sheet.info.firstRow = it->second.firstRow;
        sheet.info.lastRow = it->second.lastRow;
        if (sheet.info.firstRow > 0) {
            sheet.info.usedRows = sheet.info.lastRow - sheet.info.firstRow + 1;
        }
    }
    return sheet;
}

const SheetInfo& BiffWorkbook::sheet(int index) const {
    return guarded(displayName_, [&]() -> const SheetInfo& { return scanned(size_t(index)).info; });
}

const std::vector<SheetInfo>& BiffWorkbook::sheets() const {
    if (!allScanned_) {
        guarded(displayName_, [&] {
            infos_.clear();
            for (size_t k = 0; k < sheetList_.size(); ++k) {
                infos_.push_back(scanned(k).info);
            }
        });
        allScanned_ = true;
    }
    return infos_;
}

CellContent BiffWorkbook::cell(int sheetIndex, int row, int column) const {
    if (sheetIndex < 0 || sheetIndex >= int(sheetList_.size()) || row < 1 || row > maxSheetRows ||
        column < 1 || column > maxSheetColumns) {
        throw BankError(ErrorKind::BadArgument,
                        QStringLiteral("单元格位置超出范围：工作表 %1，第 %2 行，第 %3 列。")
                            .arg(sheetIndex + 1)
                            .arg(row)
                            .arg(column));
    }
    return guarded(displayName_, [&] {
        const std::vector<CellRef>& cells = scanned(size_t(sheetIndex)).index->cells;
        const quint16 r = quint16(row - 1);
        const quint16 c = quint16(column - 1);
        auto range =
            std::equal_range(cells.begin(), cells.end(), CellRef{0, r, 0, 0},
                             [](const CellRef& a, const CellRef& b) { return a.row < b.row; });
        const CellRef* found = nullptr;
        for (auto it = range.first; it != range.second; ++it) {
            if (it->firstCol <= c && c <= it->lastCol) {
                found = &*it; // a later record for the same cell wins
            }
        }
        if (found == nullptr) {
            return CellContent{};
        }
        return decode(*found, c);
    });
}

void BiffWorkbook::visitCells(int sheetIndex, const CellVisitor& visit) const {
    if (sheetIndex < 0 || sheetIndex >= int(sheetList_.size())) {
        throw BankError(ErrorKind::BadArgument,
                        QStringLiteral("工作表 %1 不存在。").arg(sheetIndex + 1));
    }
    guarded(displayName_, [&] {
        const Sheet& sheet = scanned(size_t(sheetIndex));
        if (sheet.index == nullptr) {
            return; // a chart or macro sheet
        }
        for (const CellRef& ref : sheet.index->cells) {
            for (int c = ref.firstCol; c <= ref.lastCol; ++c) {
                const CellContent content = decode(ref, c);
                if (content.kind != CellContent::Kind::Empty) {
                    visit(int(ref.row) + 1, c + 1, content);
                }
            }
        }
    });
}

CellContent BiffWorkbook::decode(const CellRef& ref, int column) const {
    const Record r = records_->require(qint64(ref.pos) - 4);
    const QByteArray data = records_->data(r);
    const auto* p = reinterpret_cast<const quint8*>(data.constData());
    CellContent out;
    switch (r.type) {
    case record::LabelSst:
        out.kind = CellContent::Kind::Text;
        out.text = strings_->at(le32(p + 6));
        return out;
    case record::Label:
    case record::RString: {
        Cursor cur(*records_, r, 6);
        out.kind = CellContent::Kind::Text;
        if (!readPlainString(cur, out.text)) {
            damage("text cell runs past its record");
        }
        return out;
    }
    case record::Number: {
        double v;
        std::memcpy(&v, p + 6, 8);
        return numberCell(qFromLittleEndian<double>(&v), le16(p + 4));
    }
    case record::Rk:
        return numberCell(decodeRk(le32(p + 6)), le16(p + 4));
    case record::MulRk: {
        const int at = 4 + 6 * (column - ref.firstCol);
        return numberCell(decodeRk(le32(p + at + 2)), le16(p + at));
    }
    case record::BoolErr:
        if (p[7] != 0) {
            out.kind = CellContent::Kind::Error;
            out.error = ErrorValue(p[6]);
        } else {
            out.kind = CellContent::Kind::Boolean;
            out.text = p[6] != 0 ? QStringLiteral("True") : QStringLiteral("False");
        }
        return out;
    case record::Formula:
        if (p[12] == 0xFF && p[13] == 0xFF) {
            switch (p[6]) {
            case 0:
                out.kind = CellContent::Kind::Text;
                out.text = formulaString(r);
                return out;
            case 1:
                out.kind = CellContent::Kind::Boolean;
                out.text = p[8] != 0 ? QStringLiteral("True") : QStringLiteral("False");
                return out;
            case 2:
                out.kind = CellContent::Kind::Error;
                out.error = ErrorValue(p[8]);
                return out;
            case 3:
                out.kind = CellContent::Kind::Text;
                return out;
            default:
                damage("unknown formula result type");
            }
        } else {
            double v;
            std::memcpy(&v, p + 6, 8);
            return numberCell(qFromLittleEndian<double>(&v), le16(p + 4));
        }
    default: // BLANK, MULBLANK
        return out;
    }
}

CellContent BiffWorkbook::numberCell(double value, int xf) const {
    CellContent out;
    out.kind = CellContent::Kind::Number;
    if (xf >= 0 && size_t(xf) < xfFormat_.size()) {
        const int ifmt = xfFormat_[size_t(xf)];
        auto cached = dateFormats_.find(ifmt);
        if (cached == dateFormats_.end()) {
            auto code = formats_.find(ifmt);
            cached = dateFormats_
                         .emplace(ifmt, classifyFormat(ifmt, code == formats_.end() ? QString()
                                                                                    : code->second))
                         .first;
        }
        if (cached->second.any()) {
            out.text = dateText(value, date1904_, cached->second);
            if (!out.text.isEmpty()) {
                return out;
            }
        }
    }
    out.text = formatNumber(value);
    return out;
}

QString BiffWorkbook::formulaString(const Record& formula) const {
    qint64 pos = formula.pos + formula.size;
    for (int k = 0; k < 8; ++k) {
        const Record r = records_->require(pos);
        pos = r.end();
        if (r.type == record::String) {
            Cursor c(*records_, r, 0);
            QString text;
            if (!readPlainString(c, text)) {
                damage("STRING record cut short");
            }
            return text;
        }
        if (r.type != record::ShrFmla && r.type != record::Array && r.type != record::Table &&
            r.type != record::Continue) {
            break;
        }
    }
    damage("formula text result without its STRING record");
}

} // namespace

std::shared_ptr<const WorkbookData> open(QByteArray bytes, const QString& password,
                                         const QString& displayName) {
    return std::make_shared<const BiffWorkbook>(std::move(bytes), password, displayName);
}

} // namespace tiku::bank::biff
