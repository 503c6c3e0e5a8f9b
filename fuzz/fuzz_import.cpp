// Feeds arbitrary bytes to `tiku-bank make`'s entry point as the tool calls it, once under a name
// for each way an input is told apart (a workbook or question list by its content, CSV, TSV and
// .txt by the name). Every failure must be an ImportError or a BankError (a .xls the workbook
// reader refuses); anything else, a crash, a hang or a leak is a finding.

#include "import/importerror.h"
#include "import/inputs.h"
#include "import/ziparchive.h"

#include "bank/bankerror.h"
#include "bank/bankformat.h"
#include "bank/cfb.h"

#include <cstddef>
#include <cstdint>

using namespace tiku::import;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // The name's extension picks CSV, TSV or question list for text; content decides the rest.
    const char* names[] = {"/fuzz/input.txt", "/fuzz/input.csv", "/fuzz/input.tsv"};
    InputOptions options;
    options.bankPassword = tiku::bank::bankPassword();
    // A container is read by its content, whatever the name.
    const bool container =
        tiku::bank::cfb::hasSignature(bytes) || tiku::import::ZipArchive::hasSignature(bytes);
    for (const char* name : names) {
        try {
            readInputs({QString::fromLatin1(name)}, options,
                       [&bytes](const QString&) { return bytes; });
        } catch (const ImportError&) {
            // a refused input, as it should be
        } catch (const tiku::bank::BankError&) {
            // a .xls the workbook reader refuses
        }
        if (container) {
            break;
        }
    }
    return 0;
}
