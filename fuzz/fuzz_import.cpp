// Feeds arbitrary bytes to the readers of bank authors' files, as `tiku-bank make` would: a zip
// as .ods, .docx or .xlsx, anything else as a question list in text. Every failure must be an
// ImportError; anything else, a crash, a hang or a leak is a finding.

#include "import/importerror.h"
#include "import/ods.h"
#include "import/questionlist.h"
#include "import/textlines.h"
#include "import/xlsx.h"
#include "import/ziparchive.h"

#include <cstddef>
#include <cstdint>

using namespace tiku::import;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = QStringLiteral("/fuzz/input");
    try {
        if (ZipArchive::hasSignature(bytes)) {
            ZipArchive archive(bytes, name);
            if (isOds(archive)) {
                readOds(archive);
            } else if (isDocx(archive)) {
                parseQuestionList(readDocxLines(archive), name, QStringLiteral("q"));
            } else {
                readXlsx(archive);
            }
        } else {
            parseQuestionList(splitLines(decodeText(bytes, name)), name, QStringLiteral("q"));
        }
    } catch (const ImportError&) {
        // a refused input, as it should be
    }
    return 0;
}
