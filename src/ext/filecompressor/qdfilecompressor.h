// Gzip and zip compression of single files, and extraction of zip archives.
//
// Every operation is static and opens and closes everything it uses.
// Progress and errors go to standard output and standard error.
#pragma once

#include <QString>
#include <QtGlobal>

class QFile;

// Bounds of an extraction: an archive beyond them extracts nothing (or, when
// an entry turns out larger than it says, stops at the bound).
struct QdZipLimits {
    qint64 maxEntries = 10000;
    qint64 maxTotalBytes = qint64(200) * 1024 * 1024;
};

// `name` with every "\\", then every "/", then every ":" replaced by "_".
QString calculateNameCompliantWithZipAlgoMiniZ(const QString &name);

class QdFileCompressor
{
public:
    enum compressedFileFormatEnum {
        FORMAT_GZIP = 1,
        FORMAT_ZIP = 2,
    };

    QdFileCompressor() = default;

    // FORMAT_GZIP: compressGzipFile(); any other value: compressZipFile().
    static int fileCompress(const QString &path, compressedFileFormatEnum format, int level);

    // Writes path + ".gz", one gzip member. 0 on success, -1 when a file does
    // not open (an existing ".gz" is left alone when the input is missing),
    // -3 on any later failure.
    static int compressGzipFile(const QString &path, int level);

    // Writes a one-entry archive named getCompressedFilename(path, FORMAT_ZIP)
    // in the current directory. 0 on success, 1 on failure.
    static int compressZipFile(const QString &path, int level);

    // Extracts every regular file entry of the archive into destDir (the
    // current directory when empty), flattening the archive's directories and
    // overwriting files of the same name. Entries whose base name is empty,
    // "." or "..", and symbolic links, are skipped; a symbolic link at a
    // target is removed, never followed. 0 on success (also for an empty
    // archive), 1 on failure.
    static int uncompressZipFile(const QString &zipPath, const QString &destDir,
                                 const QdZipLimits &limits = QdZipLimits());

    static QString getCompressedFilename(const QString &path, compressedFileFormatEnum format);

    // Byte `index` of value, 0 the least significant; index 4 or more gives byte 0.
    static quint8 getByte(quint32 value, quint8 index);

    // The ten bytes of a gzip member header / its eight-byte trailer.
    // 0 on success, -1 when the file does not take every byte.
    static int writeGzipHeader(QFile *file, quint32 mtime);
    static int writeGzipFooter(QFile *file, quint32 crc, quint32 size);

    // The name an archive entry is extracted under: the part after the last
    // "/" or "\\" of its name, or an empty text when that is empty, "." or "..".
    static QString extractedBaseName(const QString &entryName);
};
