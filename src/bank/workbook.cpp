#include "workbook.h"

#include "bankerror.h"
#include "bankformat.h"
#include "biff.h"
#include "cfb.h"

#include <QFile>
#include <QFileInfo>

namespace tiku::bank {

namespace {

void checkSize(qint64 size, const QString& displayName) {
    if (size > maxWorkbookBytes) {
        throw openFailure(ErrorKind::NotAWorkbook, displayName, workbookTooLarge(size));
    }
}

// The first bytes: a compound file, or a workbook of a format that is not supported.
void checkSignature(const QByteArray& head, const QString& displayName) {
    if (head.startsWith(QByteArrayLiteral("PK\x03\x04"))) {
        throw openFailure(
            ErrorKind::UnsupportedFormat, displayName,
            QStringLiteral("这是 Excel 2007 及以后格式（.xlsx）的工作簿，不支持此格式。"));
    }
    if (!cfb::hasSignature(head)) {
        throw openFailure(ErrorKind::NotAWorkbook, displayName,
                          QStringLiteral("这不是 Excel 工作簿文件。"));
    }
}

} // namespace

BankError openFailure(ErrorKind kind, const QString& displayName, const QString& reason) {
    return BankError(kind, QStringLiteral("无法打开题库文件“%1”：%2").arg(displayName, reason));
}

std::shared_ptr<const WorkbookData> WorkbookData::load(const QString& path,
                                                       const QString& password) {
    const QFileInfo info(path);
    const QString name = info.isRelative() ? info.absoluteFilePath() : path;
    if (!info.exists()) {
        throw openFailure(ErrorKind::FileMissing, name, QStringLiteral("文件不存在。"));
    }
    if (info.isDir()) {
        throw openFailure(ErrorKind::FileUnreadable, name, QStringLiteral("这是一个文件夹。"));
    }
    // A device or a pipe could be read without end.
    if (!info.isFile()) {
        throw openFailure(ErrorKind::FileUnreadable, name, QStringLiteral("这不是普通文件。"));
    }
    checkSize(info.size(), name);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw openFailure(ErrorKind::FileUnreadable, name, QStringLiteral("无法读取文件。"));
    }
    // The signature before the rest, then one read of the whole file as large as it was found:
    // the workbook is a snapshot, the file is not held open.
    QByteArray bytes = file.read(8);
    checkSignature(bytes, name);
    const qint64 size = info.size();
    bytes.resize(size);
    const qint64 rest = size > 8 ? file.read(bytes.data() + 8, size - 8) : 0;
    if (rest < 0 || file.error() != QFileDevice::NoError) {
        throw openFailure(ErrorKind::FileUnreadable, name, QStringLiteral("无法读取文件。"));
    }
    if (rest != size - 8 || !file.read(1).isEmpty()) {
        throw openFailure(ErrorKind::FileUnreadable, name,
                          QStringLiteral("文件在读取时发生了变化。"));
    }
    file.close();
    return fromBytes(std::move(bytes), password, name);
}

std::shared_ptr<const WorkbookData>
WorkbookData::fromBytes(QByteArray bytes, const QString& password, const QString& displayName) {
    checkSize(bytes.size(), displayName);
    checkSignature(bytes, displayName);
    return biff::open(std::move(bytes), password, displayName);
}

QString WorkbookData::cellText(int sheetIndex, int row, int column) const {
    CellContent content = cell(sheetIndex, row, column);
    if (content.kind == CellContent::Kind::Error) {
        throw BankError(ErrorKind::CellError,
                        QStringLiteral("第 %1 行第 %2 列的单元格含有错误值 %3，无法取得文本。")
                            .arg(row)
                            .arg(column)
                            .arg(errorLiteral(content.error)));
    }
    return content.text;
}

QString errorLiteral(ErrorValue value) {
    switch (value) {
    case ErrorValue::Null:
        return QStringLiteral("#NULL!");
    case ErrorValue::Div0:
        return QStringLiteral("#DIV/0!");
    case ErrorValue::Value:
        return QStringLiteral("#VALUE!");
    case ErrorValue::Ref:
        return QStringLiteral("#REF!");
    case ErrorValue::Name:
        return QStringLiteral("#NAME?");
    case ErrorValue::Num:
        return QStringLiteral("#NUM!");
    case ErrorValue::NA:
        return QStringLiteral("#N/A");
    }
    return QStringLiteral("#ERR%1").arg(int(value));
}

} // namespace tiku::bank
