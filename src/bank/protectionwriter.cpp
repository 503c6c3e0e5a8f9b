#include "protectionwriter.h"

#include "bankerror.h"

#include <QCryptographicHash>
#include <QMessageAuthenticationCode>

namespace tiku::bank::detail {

namespace {

[[noreturn]] void badArgument(const QString& what) {
    throw BankError(ErrorKind::BadArgument, what);
}

// 16 bytes drawn from the seed for one purpose.
QByteArray drawn(const QByteArray& seed, const char* purpose) {
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(seed);
    h.addData(QByteArray(purpose));
    return h.result().left(16);
}

} // namespace

QByteArray protectionSeed(const WorkbookSpec& spec, const QString& password) {
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, password.toUtf8());
    const auto number = [&mac](qint64 n) {
        mac.addData(reinterpret_cast<const char*>(&n), sizeof n);
    };
    const auto text = [&](const QString& t) {
        number(t.size());
        mac.addData(reinterpret_cast<const char*>(t.constData()), t.size() * 2);
    };
    for (const SheetSpec& sheet : spec.sheets) {
        text(sheet.name);
        number(qint64(sheet.kind));
        number(qint64(sheet.cells.size()));
        for (const CellSpec& cell : sheet.cells) {
            number(cell.row);
            number(cell.column);
            const CellValue& v = cell.value;
            number(qint64(v.kind));
            text(v.text);
            mac.addData(reinterpret_cast<const char*>(&v.number), sizeof v.number);
            number(v.boolean);
            number(qint64(v.error));
        }
    }
    return mac.result();
}

Protection makeProtection(const WriteOptions& options, const QByteArray& seed) {
    Protection p;
    switch (options.encryption) {
    case Encryption::None:
        break;
    case Encryption::Xor: {
        const QByteArray pw = crypto::xorPasswordBytes(options.password);
        if (pw.isEmpty()) {
            badArgument(QStringLiteral("XOR 加密需要非空的密码"));
        }
        p.filePass.u16(0x0000).u16(crypto::xorKey(pw)).u16(crypto::xorVerifier(pw));
        p.cipher = crypto::RecordCipher::xorObfuscation(options.password);
        break;
    }
    case Encryption::Rc4: {
        const QByteArray salt = drawn(seed, "salt");
        const crypto::Rc4Keys keys = crypto::Rc4Keys::standard(options.password, salt);
        p.filePass.u16(0x0001).u16(1).u16(1).raw(salt).raw(
            keys.encryptVerifier(drawn(seed, "verifier")));
        p.cipher = crypto::RecordCipher::rc4(keys);
        break;
    }
    case Encryption::Rc4CryptoApi: {
        if (options.keyBits < 40 || options.keyBits > 128 || options.keyBits % 8 != 0) {
            badArgument(QStringLiteral("RC4 CryptoAPI 密钥长度 %1 不在 40 到 128 位之间")
                            .arg(options.keyBits));
        }
        if (options.cryptoApiMajorVersion < 2 || options.cryptoApiMajorVersion > 4) {
            badArgument(QStringLiteral("RC4 CryptoAPI 版本 %1.2 不受支持")
                            .arg(options.cryptoApiMajorVersion));
        }
        const QByteArray salt = drawn(seed, "salt");
        const crypto::Rc4Keys keys =
            crypto::Rc4Keys::cryptoApi(options.password, salt, options.keyBits);
        const QByteArray verifier = keys.encryptVerifier(drawn(seed, "verifier"));
        const QString csp = options.keyBits == 40
                                ? QStringLiteral("Microsoft Base Cryptographic Provider v1.0")
                                : QStringLiteral("Microsoft Enhanced Cryptographic Provider v1.0");
        // fCryptoAPI and fDocProps: the file has no summary streams, so none are encrypted
        // into an "encryption" stream.
        constexpr quint32 flags = 0x04 | 0x08;
        Bytes header;
        header.u32(flags)
            .u32(0)      // SizeExtra
            .u32(0x6801) // RC4
            .u32(0x8004) // SHA-1
            .u32(quint32(options.keyBits))
            .u32(1) // PROV_RSA_FULL
            .u32(0)
            .u32(0)
            .chars(csp, false)
            .u16(0);
        p.filePass.u16(0x0001).u16(quint16(options.cryptoApiMajorVersion)).u16(2);
        p.filePass.u32(flags).u32(quint32(header.size())).raw(header.data());
        p.filePass.u32(16).raw(salt).raw(verifier.left(16)).u32(20).raw(verifier.mid(16));
        p.cipher = crypto::RecordCipher::rc4(keys);
        break;
    }
    }
    return p;
}

} // namespace tiku::bank::detail
