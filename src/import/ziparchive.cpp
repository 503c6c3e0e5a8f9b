#include "ziparchive.h"

#include "importerror.h"

#include <zip.h>

#include <algorithm>

namespace tiku::import {

namespace {

class EntryDevice : public QIODevice {
public:
    EntryDevice(ZipArchive& archive, zip_file_t* file, const QString& name)
        : archive_(archive), file_(file), name_(name) {
        QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    ~EntryDevice() override { zip_fclose(file_); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (failed_) {
            return -1;
        }
        const zip_int64_t n = zip_fread(file_, data, zip_uint64_t(std::max<qint64>(maxSize, 0)));
        if (n < 0) {
            return fail(QStringLiteral("%1: the archive is damaged (%2: %3)")
                            .arg(archive_.displayName(), name_,
                                 QString::fromUtf8(zip_file_strerror(file_))));
        }
        if (!archive_.spend(n)) {
            return fail(QStringLiteral("%1: the archive inflates past %2 MB, which is refused")
                            .arg(archive_.displayName())
                            .arg(kMaxInflatedBytes >> 20));
        }
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 fail(const QString& why) {
        failed_ = true;
        setErrorString(why);
        setProperty(kFailureProperty, why);
        return -1;
    }

    ZipArchive& archive_;
    zip_file_t* file_;
    QString name_;
    bool failed_ = false;
};

} // namespace

ZipArchive::ZipArchive(const QByteArray& bytes, const QString& displayName)
    : displayName_(displayName),
      budget_(std::min(kMaxInflatedBytes, qint64(bytes.size()) * kMaxInflationRatio)) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    if (source != nullptr) {
        zip_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (zip_ == nullptr) {
            zip_source_free(source);
        }
    }
    if (zip_ == nullptr) {
        const QString why = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        throw ImportError(
            QStringLiteral("%1: a damaged or truncated zip archive (%2)").arg(displayName, why));
    }
    zip_error_fini(&error);
    if (zip_get_num_entries(zip_, 0) > kMaxEntries) {
        zip_discard(zip_);
        throw ImportError(
            QStringLiteral("%1: more than %2 entries in the archive, which is refused")
                .arg(displayName)
                .arg(kMaxEntries));
    }
}

ZipArchive::~ZipArchive() {
    zip_discard(zip_);
}

bool ZipArchive::hasSignature(const QByteArray& bytes) {
    return bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06");
}

bool ZipArchive::contains(const QString& name) const {
    return zip_name_locate(zip_, name.toUtf8().constData(), ZIP_FL_NOCASE) >= 0;
}

std::unique_ptr<QIODevice> ZipArchive::open(const QString& name) {
    const zip_int64_t index = zip_name_locate(zip_, name.toUtf8().constData(), ZIP_FL_NOCASE);
    if (index < 0) {
        throw ImportError(QStringLiteral("%1: the part %2 is missing").arg(displayName_, name));
    }
    zip_file_t* file = zip_fopen_index(zip_, zip_uint64_t(index), 0);
    if (file == nullptr) {
        const zip_error_t* error = zip_get_error(zip_);
        const bool encrypted = zip_error_code_zip(error) == ZIP_ER_NOPASSWD ||
                               zip_error_code_zip(error) == ZIP_ER_WRONGPASSWD;
        throw ImportError(
            encrypted ? QStringLiteral("%1: the part %2 is encrypted, which Tiku "
                                       "cannot read")
                            .arg(displayName_, name)
                      : QStringLiteral("%1: the part %2 cannot be read (%3)")
                            .arg(displayName_, name, QString::fromUtf8(zip_strerror(zip_))));
    }
    return std::make_unique<EntryDevice>(*this, file, name);
}

QByteArray ZipArchive::read(const QString& name, qint64 maxBytes) {
    const auto device = open(name);
    QByteArray out;
    char chunk[16384];
    for (;;) {
        const qint64 n = device->read(chunk, sizeof chunk);
        if (n < 0) {
            throw ImportError(device->errorString());
        }
        if (n == 0) {
            return out;
        }
        if (out.size() + n > maxBytes) {
            throw ImportError(QStringLiteral("%1: the part %2 is larger than %3 MB, which is "
                                             "refused")
                                  .arg(displayName_, name)
                                  .arg(maxBytes >> 20));
        }
        out.append(chunk, n);
    }
}

bool ZipArchive::spend(qint64 n) {
    budget_ -= n;
    return budget_ >= 0;
}

} // namespace tiku::import
