#include "ziparchive.h"

#include "importerror.h"
#include "quote.h"

#include <QByteArrayView>
#include <QHash>

#include <cstring>

#include <zip.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

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
            return fail(archive_.budgetRefusal());
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

// Inflates an entry on a thread of its own, a few chunks ahead of the reader, so that inflating
// and parsing share the machine's cores. At most kAhead chunks wait; a failure of the entry
// reaches the reader after the chunks before it.
class PrefetchDevice : public QIODevice {
public:
    PrefetchDevice(std::unique_ptr<QIODevice> source, const QByteArray& cut)
        : source_(std::move(source)) {
        if (!cut.isEmpty()) {
            cutter_.emplace(cut);
        }
        QIODevice::open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        worker_ = std::thread([this] { run(); });
    }
    ~PrefetchDevice() override {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        worker_.join();
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        qint64 done = 0;
        std::unique_lock lock(mutex_);
        while (done < maxSize) {
            changed_.wait(lock, [this] { return !chunks_.empty() || ended_; });
            if (chunks_.empty()) {
                break;
            }
            QByteArray& front = chunks_.front();
            const qint64 n = std::min<qint64>(maxSize - done, front.size() - offset_);
            std::memcpy(data + done, front.constData() + offset_, size_t(n));
            done += n;
            offset_ += n;
            if (offset_ == front.size()) {
                if (spare_.size() < size_t(kAhead) + 2) {
                    spare_.push_back(std::move(front)); // its memory is reused, never returned
                }
                chunks_.pop_front();
                offset_ = 0;
                changed_.notify_all();
            }
        }
        if (done == 0 && !failure_.isEmpty()) {
            setErrorString(failure_);
            setProperty(kFailureProperty, failure_);
            return -1;
        }
        return done;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    static constexpr int kAhead = 4;
    static constexpr qint64 kChunkSize = qint64(1) << 18;

    // A buffer of kChunkSize bytes, one the reader is done with when there is one: allocating
    // and freeing a quarter of a megabyte for every piece costs more than inflating it.
    QByteArray buffer() {
        QByteArray b;
        {
            std::lock_guard lock(mutex_);
            if (!spare_.empty()) {
                b = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        b.resize(kChunkSize);
        return b;
    }

    void run() {
        QByteArray inflated(kChunkSize, Qt::Uninitialized);
        for (;;) {
            QByteArray chunk = buffer();
            qint64 n = source_->read(chunk.data(), kChunkSize);
            if (cutter_ && n >= 0) {
                std::swap(chunk, inflated);
                chunk.truncate(0); // keeps its memory for what is left after the cut
                if (n > 0) {
                    cutter_->feed(inflated.constData(), n, chunk);
                } else {
                    cutter_->finish(chunk);
                }
                if (n > 0 && chunk.isEmpty()) {
                    std::lock_guard lock(mutex_);
                    if (stop_) {
                        return;
                    }
                    continue; // all of it cut
                }
                n = chunk.size();
            }
            std::unique_lock lock(mutex_);
            if (n <= 0) {
                if (n < 0) {
                    failure_ = source_->property(kFailureProperty).toString();
                    if (failure_.isEmpty()) {
                        failure_ = source_->errorString();
                    }
                }
                ended_ = true;
                changed_.notify_all();
                return;
            }
            chunk.truncate(n);
            changed_.wait(lock, [this] { return chunks_.size() < kAhead || stop_; });
            if (stop_) {
                return;
            }
            chunks_.push_back(std::move(chunk));
            changed_.notify_all();
        }
    }

    std::unique_ptr<QIODevice> source_;
    std::optional<ElementCutter> cutter_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<QByteArray> chunks_;
    std::vector<QByteArray> spare_;
    qint64 offset_ = 0;
    bool ended_ = false;
    bool stop_ = false;
    QString failure_;
};

} // namespace

ZipArchive::ZipArchive(const QByteArray& bytes, const QString& displayName)
    : displayName_(displayName),
      budget_(std::min(kMaxInflatedBytes, qint64(bytes.size()) * kMaxInflationRatio)),
      archiveBytes_(bytes.size()) {
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
    const zip_int64_t entries = zip_get_num_entries(zip_, 0);
    if (entries > kMaxEntries) {
        zip_discard(zip_);
        throw ImportError(
            QStringLiteral("%1: more than %2 entries in the archive, which is refused")
                .arg(displayName)
                .arg(kMaxEntries));
    }
    // Parts are looked up ignoring letter case, as part names are compared: two that differ
    // only in case would leave it to chance which one is read.
    QHash<QString, QString> folded;
    for (zip_int64_t i = 0; i < entries; ++i) {
        const char* raw = zip_get_name(zip_, zip_uint64_t(i), 0);
        const QString name = raw != nullptr ? QString::fromUtf8(raw) : QString();
        const QString key = name.toCaseFolded();
        if (const auto it = folded.constFind(key); it != folded.cend()) {
            const QString first = it.value();
            zip_discard(zip_);
            throw ImportError(QStringLiteral("%1: two parts named %2 and %3, the same but for "
                                             "letter case, which is refused")
                                  .arg(displayName, quotedCell(first), quotedCell(name)));
        }
        folded.insert(key, name);
    }
}

ZipArchive::~ZipArchive() {
    zip_discard(zip_);
}

ElementCutter::ElementCutter(const QByteArray& name)
    : open_("<" + name + ">"), close_("</" + name + ">") {}

void ElementCutter::feed(const char* p, qint64 n, QByteArray& out) {
    QByteArray joined;
    if (!pending_.isEmpty()) {
        joined = pending_ + QByteArray::fromRawData(p, n);
        pending_.clear();
        p = joined.constData();
        n = joined.size();
    }
    qint64 pos = 0;
    while (pos < n) {
        const QByteArray& tag = inside_ ? close_ : open_;
        const qsizetype found = QByteArrayView(p + pos, n - pos).indexOf(tag);
        if (found < 0) {
            const qint64 keep = partialTag(p + pos, n - pos, tag);
            if (!inside_) {
                out.append(p + pos, n - pos - keep);
            }
            pending_ = QByteArray(p + n - keep, keep);
            return;
        }
        const qint64 at = pos + found;
        if (!inside_) {
            out.append(p + pos, at - pos);
        }
        pos = at + tag.size();
        inside_ = !inside_;
    }
}

void ElementCutter::finish(QByteArray& out) {
    if (!inside_) {
        out.append(pending_);
    }
    pending_.clear();
}

qint64 ElementCutter::partialTag(const char* p, qint64 n, const QByteArray& tag) {
    for (qint64 k = std::min<qint64>(n, tag.size() - 1); k > 0; --k) {
        if (std::memcmp(p + n - k, tag.constData(), size_t(k)) == 0) {
            return k;
        }
    }
    return 0;
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

std::unique_ptr<QIODevice> ZipArchive::openAhead(const QString& name, const QByteArray& cut) {
    return std::make_unique<PrefetchDevice>(open(name), cut);
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

QString ZipArchive::budgetRefusal() const {
    // The budget is the ratio's when that is the tighter limit.
    if (archiveBytes_ * kMaxInflationRatio < kMaxInflatedBytes) {
        return QStringLiteral("%1: the archive inflates more than %2 times its size of %3 "
                              "bytes, which is refused")
            .arg(displayName_)
            .arg(kMaxInflationRatio)
            .arg(archiveBytes_);
    }
    return QStringLiteral("%1: the archive inflates past %2 MB, which is refused")
        .arg(displayName_)
        .arg(kMaxInflatedBytes >> 20);
}

bool ZipArchive::spend(qint64 n) {
    budget_ -= n;
    return budget_ >= 0;
}

} // namespace tiku::import
