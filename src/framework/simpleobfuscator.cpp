#include "simpleobfuscator.h"

QByteArray SimpleObfuscator::rot13(const QByteArray &block, RotDirection direction)
{
    QByteArray out(block);
    if (out.isEmpty())
        return out;
    const unsigned char step = direction == RotForward ? 13u : 243u;
    unsigned char *p = reinterpret_cast<unsigned char *>(out.data());
    const int n = out.size();
    for (int i = 0; i < n; ++i)
        p[i] = static_cast<unsigned char>(p[i] + step);
    return out;
}

QByteArray SimpleObfuscator::hide(const QByteArray &block)
{
    return rot13(block, RotForward).toBase64(QByteArray::Base64Encoding | QByteArray::OmitTrailingEquals);
}

namespace
{

struct Base64Table {
    signed char value[256];
    Base64Table()
    {
        for (int i = 0; i < 256; ++i)
            value[i] = -1;
        const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i)
            value[uchar(alphabet[i])] = static_cast<signed char>(i);
    }
};

} // namespace

QByteArray SimpleObfuscator::reveal(const QByteArray &block)
{
    // Decodes exactly as QByteArray::fromBase64(block) does (characters
    // outside the standard alphabet, "=" included, are skipped) and rotates
    // back in the same pass, without Qt's per-character overhead.
    static const Base64Table table;
    QByteArray out((block.size() * 3) / 4, Qt::Uninitialized);
    const uchar *in = reinterpret_cast<const uchar *>(block.constData());
    const uchar *const end = in + block.size();
    uchar *dst = reinterpret_cast<uchar *>(out.data());
    uint buf = 0;
    int nbits = 0;
    for (; in != end; ++in) {
        const int d = table.value[*in];
        if (d < 0)
            continue;
        buf = (buf << 6) | uint(d);
        nbits += 6;
        if (nbits >= 8) {
            nbits -= 8;
            *dst++ = uchar((buf >> nbits) + 243u);
            buf &= (1u << nbits) - 1;
        }
    }
    out.truncate(int(dst - reinterpret_cast<uchar *>(out.data())));
    return out;
}

QString SimpleObfuscator::hide(const QString &text)
{
    const QByteArray hidden = hide(text.toUtf8());
    if (hidden.isNull())
        return QString();
    return QString::fromLatin1(hidden);
}

QString SimpleObfuscator::reveal(const QString &text)
{
    const QByteArray revealed = reveal(text.toUtf8());
    if (revealed.isNull())
        return QString();
    // Read up to the first zero byte, as a C string would be.
    const int zero = revealed.indexOf('\0');
    return QString::fromUtf8(revealed.constData(), zero < 0 ? revealed.size() : zero);
}
