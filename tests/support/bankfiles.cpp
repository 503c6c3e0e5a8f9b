#include "bankfiles.h"

#include <QDir>
#include <QFileInfo>

namespace tiku::testing {

std::vector<Question> numberedQuestions(int n, const QString& prefix) {
    std::vector<Question> out;
    out.reserve(n);
    for (int k = 1; k <= n; ++k) {
        QString text =
            QStringLiteral("%1第%2题\nA. 甲\nB. 乙\nC. 丙\nD. 丁\nE. 戊").arg(prefix).arg(k);
        out.push_back({text, QString(QChar(u'A' + (k - 1) % 5))});
    }
    return out;
}

bank::SheetSpec bankSheet(const QString& name, const std::vector<Question>& questions) {
    bank::SheetSpec sheet;
    sheet.name = name;
    for (size_t i = 0; i < questions.size(); ++i) {
        int row = int(i) + 1;
        if (!questions[i].text.isEmpty()) {
            sheet.cells.push_back({row, 2, bank::CellValue::ofText(questions[i].text)});
        }
        if (!questions[i].answer.isEmpty()) {
            sheet.cells.push_back({row, 3, bank::CellValue::ofText(questions[i].answer)});
        }
        if (questions[i].text.isEmpty() && questions[i].answer.isEmpty()) {
            sheet.cells.push_back({row, 1, bank::CellValue::blank()});
        }
    }
    return sheet;
}

QString writeBank(const QString& dir, const std::vector<Question>& sheet1,
                  const std::vector<Question>& sheet2, const bank::WriteOptions& options) {
    bank::WorkbookSpec spec;
    spec.sheets.push_back(bankSheet(QStringLiteral("sheet1"), sheet1));
    spec.sheets.push_back(bankSheet(QStringLiteral("sheet2"), sheet2));
    QString path = QDir(dir).filePath(QStringLiteral("dxt.xls"));
    bank::writeWorkbookFile(path, spec, options);
    return path;
}

QString realFixturesDir() {
    QString dir = QStringLiteral(TIKU_SHARED_DIR "/fixtures/xls/real");
    return QFileInfo::exists(dir + QStringLiteral("/manifest.json")) ? dir : QString();
}

} // namespace tiku::testing
