// Keyless scrambling of stored passwords and of database files at rest.
//
// Anyone who knows the routine can reverse it: it keeps values out of plain
// sight and nothing more. Every byte is rotated by 13 (modulo 256) and the
// result is written as standard Base64 without the trailing "=" padding.
#pragma once

#include <QByteArray>
#include <QString>

class SimpleObfuscator
{
public:
    enum RotDirection {
        RotBackward = 0, // subtract 13 modulo 256
        RotForward = 1,  // add 13 modulo 256
    };

    SimpleObfuscator() = delete;

    static QByteArray rot13(const QByteArray &block, RotDirection direction);

    static QByteArray hide(const QByteArray &block);
    static QByteArray reveal(const QByteArray &block);

    static QString hide(const QString &text);
    static QString reveal(const QString &text);
};
