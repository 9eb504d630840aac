#include "qdfilecompressor.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include "lazyzip.h"
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const qint64 GzipBufferSize = 1024 * 1024;
const char ZipEntryComment[] = "Zipped with QdFileCompressor! Invalid chars replaced with _";
const qint64 ExtractBufferSize = 64 * 1024;

void printOut(const QString &text)
{
    std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

void printErr(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// libzip, once an entry point below has made sure it is there.
const LazyZip::Api &zipApi()
{
    return *LazyZip::api();
}

// False, with the reason printed, when libzip cannot be opened.
bool zipAvailable()
{
    if (LazyZip::api())
        return true;
    printErr(QStringLiteral("Cannot open the zip library: ") + LazyZip::loadError());
    return false;
}

// Opens an archive; on failure prints libzip's reason and returns null.
zip_t *openZip(const QString &path, int flags)
{
    int openError = 0;
    zip_t *za = zipApi().open(QFile::encodeName(path).constData(), flags, &openError);
    if (!za) {
        zip_error_t error;
        zipApi().error_init_with_code(&error, openError);
        printErr(QString::fromLocal8Bit(zipApi().error_strerror(&error)));
        zipApi().error_fini(&error);
    }
    return za;
}

bool isAscii(const QByteArray &bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (uchar(c) & 0x80) == 0; });
}

// The entry's name: UTF-8 when the archive marks it so, otherwise Latin-1.
QString entryName(zip_t *za, zip_uint64_t index)
{
    const char *raw = zipApi().get_name(za, index, ZIP_FL_ENC_RAW);
    if (!raw)
        return QString();
    const QByteArray rawName(raw);
    if (isAscii(rawName))
        return QString::fromLatin1(rawName);
    // Following the format strictly, libzip converts unmarked names from
    // CP-437 and leaves names marked as UTF-8 unchanged.
    const char *strict = zipApi().get_name(za, index, ZIP_FL_ENC_STRICT);
    if (strict && rawName == QByteArray(strict))
        return QString::fromUtf8(rawName);
    return QString::fromLatin1(rawName);
}

enum class EntryKind { File, Directory, Other };

EntryKind entryKind(zip_t *za, zip_uint64_t index, const QString &name)
{
    if (name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\')))
        return EntryKind::Directory;
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zipApi().file_get_external_attributes(za, index, 0, &opsys, &attributes) != 0)
        return EntryKind::Other;
    if (opsys == ZIP_OPSYS_UNIX) {
        const mode_t mode = mode_t(attributes >> 16);
        if (S_ISDIR(mode))
            return EntryKind::Directory;
        if ((mode & S_IFMT) != 0 && !S_ISREG(mode))
            return EntryKind::Other; // symbolic link, device, pipe...
    } else if (opsys == ZIP_OPSYS_DOS && (attributes & 0x10)) {
        return EntryKind::Directory;
    }
    return EntryKind::File;
}

// Opens the target for writing without following a symbolic link: one that
// is there is removed first.
int openTarget(const QByteArray &target)
{
    struct stat st;
    if (::lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (::unlink(target.constData()) != 0)
            return -1;
    }
    return ::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
}

bool writeFully(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// Extracts one entry to `target`. `budget` is the number of bytes the
// extraction may still write; it is reduced by what this entry wrote.
bool extractEntry(zip_t *za, zip_uint64_t index, const QByteArray &target, qint64 &budget, QString &error)
{
    zip_file_t *zf = zipApi().fopen_index(za, index, 0);
    if (!zf) {
        error = QString::fromLocal8Bit(zipApi().strerror(za));
        return false;
    }
    const int fd = openTarget(target);
    if (fd < 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        zipApi().fclose(zf);
        return false;
    }
    std::unique_ptr<char[]> buffer(new char[ExtractBufferSize]);
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zipApi().fread(zf, buffer.get(), zip_uint64_t(ExtractBufferSize));
        if (n < 0) {
            error = QString::fromLocal8Bit(zipApi().file_strerror(zf));
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (n > budget) {
            error = QStringLiteral("uncompressed size exceeds the limit");
            ok = false;
            break;
        }
        budget -= n;
        if (!writeFully(fd, buffer.get(), n)) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            ok = false;
            break;
        }
    }
    if (::close(fd) != 0 && ok) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        ok = false;
    }
    zipApi().fclose(zf);
    if (!ok)
        ::unlink(target.constData());
    return ok;
}

} // namespace

QString calculateNameCompliantWithZipAlgoMiniZ(const QString &name)
{
    QString out = name;
    out.replace(QLatin1Char('\\'), QLatin1Char('_'));
    out.replace(QLatin1Char('/'), QLatin1Char('_'));
    out.replace(QLatin1Char(':'), QLatin1Char('_'));
    return out;
}

int QdFileCompressor::fileCompress(const QString &path, compressedFileFormatEnum format, int level)
{
    if (format == FORMAT_GZIP)
        return compressGzipFile(path, level);
    return compressZipFile(path, level);
}

QString QdFileCompressor::getCompressedFilename(const QString &path, compressedFileFormatEnum format)
{
    switch (format) {
    case FORMAT_GZIP:
        return path + QStringLiteral(".gz");
    case FORMAT_ZIP:
        return calculateNameCompliantWithZipAlgoMiniZ(path) + QStringLiteral(".zip");
    }
    return path;
}

quint8 QdFileCompressor::getByte(quint32 value, quint8 index)
{
    if (index > 3)
        index = 0;
    return quint8((value >> (8 * index)) & 0xff);
}

int QdFileCompressor::writeGzipHeader(QFile *file, quint32 mtime)
{
    const char header[10] = {
        char(0x1f),
        char(0x8b),
        8,
        0,
        char(getByte(mtime, 0)),
        char(getByte(mtime, 1)),
        char(getByte(mtime, 2)),
        char(getByte(mtime, 3)),
        0,
        3,
    };
    return file->write(header, sizeof header) == qint64(sizeof header) ? 0 : -1;
}

int QdFileCompressor::writeGzipFooter(QFile *file, quint32 crc, quint32 size)
{
    char footer[8];
    for (quint8 i = 0; i < 4; ++i) {
        footer[i] = char(getByte(crc, i));
        footer[4 + i] = char(getByte(size, i));
    }
    return file->write(footer, sizeof footer) == qint64(sizeof footer) ? 0 : -1;
}

int QdFileCompressor::compressGzipFile(const QString &path, int level)
{
    qDebug() << "Compressing (GZIP) file " << path;

    // The input opens first, so a missing input leaves an existing ".gz" alone.
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return -1;
    QFile out(path + QStringLiteral(".gz"));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        in.close();
        return -1;
    }

    const qint64 modified = QFileInfo(in).lastModified().toMSecsSinceEpoch() / 1000;
    if (writeGzipHeader(&out, quint32(modified)) != 0) {
        printErr(QStringLiteral("Failed writing to output file!"));
        return -3;
    }

    qint64 remaining = in.size();
    qint64 total = 0;
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    if (deflateInit2(&stream, level, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        printErr(QStringLiteral("deflateInit2() failed!"));
        return -3;
    }

    std::unique_ptr<unsigned char[]> inBuf(new unsigned char[GzipBufferSize]);
    std::unique_ptr<unsigned char[]> outBuf(new unsigned char[GzipBufferSize]);
    uLong crc = crc32(0L, Z_NULL, 0);
    stream.next_out = outBuf.get();
    stream.avail_out = uInt(GzipBufferSize);

    auto fail = [&stream](const QString &message) {
        printErr(message);
        deflateEnd(&stream);
        return -3;
    };

    for (;;) {
        if (stream.avail_in == 0) {
            const qint64 n = std::min(remaining, GzipBufferSize);
            if (in.read(reinterpret_cast<char *>(inBuf.get()), n) != n)
                return fail(QStringLiteral("Failed reading from input file!"));
            crc = crc32(crc, inBuf.get(), uInt(n));
            stream.next_in = inBuf.get();
            stream.avail_in = uInt(n);
            remaining -= n;
            total += n;
            printOut(QStringLiteral("Input bytes remaining: %1").arg(remaining));
        }

        const int status = deflate(&stream, remaining == 0 ? Z_FINISH : Z_NO_FLUSH);

        if (status == Z_STREAM_END || stream.avail_out == 0) {
            const qint64 filled = GzipBufferSize - stream.avail_out;
            if (out.write(reinterpret_cast<const char *>(outBuf.get()), filled) != filled)
                return fail(QStringLiteral("Failed writing to output file!"));
            stream.next_out = outBuf.get();
            stream.avail_out = uInt(GzipBufferSize);
        }

        if (status == Z_STREAM_END) {
            if (deflateEnd(&stream) != Z_OK) {
                printErr(QStringLiteral("deflateEnd() failed!"));
                return -3;
            }
            if (writeGzipFooter(&out, quint32(crc), quint32(total & 0xffffffff)) != 0 || !out.flush()) {
                printErr(QStringLiteral("Failed writing to output file!"));
                return -3;
            }
            out.close();
            in.close();
            return 0;
        }
        if (status != Z_OK)
            return fail(QStringLiteral("deflate() failed with status: %1").arg(status));
    }
}

int QdFileCompressor::compressZipFile(const QString &path, int level)
{
    printOut(QStringLiteral("Compressing (ZIP) file ") + path);
    const QString name = getCompressedFilename(path, FORMAT_ZIP);

    zip_t *za = zipAvailable() ? openZip(name, ZIP_CREATE | ZIP_TRUNCATE) : nullptr;
    if (!za)
        return 1;

    zip_source_t *source = zipApi().source_file(za, QFile::encodeName(path).constData(), 0, -1);
    zip_int64_t index = -1;
    if (source) {
        index = zipApi().file_add(za, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0)
            zipApi().source_free(source);
    }
    const zip_int32_t method = level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    const zip_uint32_t methodLevel = level < 0 ? 0 : zip_uint32_t(std::min(level, 9));
    if (index < 0 || zipApi().set_file_compression(za, zip_uint64_t(index), method, methodLevel) != 0 ||
        zipApi().file_set_comment(za, zip_uint64_t(index), ZipEntryComment, sizeof ZipEntryComment - 1, 0) != 0) {
        printErr(QStringLiteral("Error while adding a zip file to zip archive: ") +
                 QString::fromLocal8Bit(zipApi().strerror(za)));
        zipApi().discard(za);
        return 1;
    }

    if (zipApi().close(za) != 0) {
        printErr(QStringLiteral("Error while finalizing zip archive: ") +
                 QString::fromLocal8Bit(zipApi().strerror(za)));
        zipApi().discard(za);
        return 1;
    }
    return 0;
}

QString QdFileCompressor::extractedBaseName(const QString &entryName)
{
    const int cut = std::max(entryName.lastIndexOf(QLatin1Char('/')), entryName.lastIndexOf(QLatin1Char('\\')));
    const QString base = entryName.mid(cut + 1);
    if (base.isEmpty() || base == QLatin1String(".") || base == QLatin1String(".."))
        return QString();
    return base;
}

int QdFileCompressor::uncompressZipFile(const QString &zipPath, const QString &destDir, const QdZipLimits &limits)
{
    printOut(QStringLiteral("Uncompressing (ZIP) file ") + zipPath);

    zip_t *za = zipAvailable() ? openZip(zipPath, ZIP_RDONLY) : nullptr;
    if (!za)
        return 1;

    const zip_int64_t count = zipApi().get_num_entries(za, 0);
    if (count <= 0) {
        zipApi().discard(za);
        return 0;
    }
    if (count > limits.maxEntries) {
        printErr(QStringLiteral("Error while extracting file from zip archive: too many entries (%1)").arg(count));
        zipApi().discard(za);
        return 1;
    }

    // What the archive declares must fit before anything is written; what
    // the entries really hold is counted while extracting.
    qint64 declared = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zipApi().stat_index(za, zip_uint64_t(i), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE)) {
            declared += qint64(std::min<zip_uint64_t>(st.size, zip_uint64_t(limits.maxTotalBytes) + 1));
            if (declared > limits.maxTotalBytes) {
                printErr(QStringLiteral("Error while extracting file from zip archive: "
                                        "uncompressed size exceeds the limit"));
                zipApi().discard(za);
                return 1;
            }
        }
    }

    const QString dir = destDir.isEmpty() ? QStringLiteral(".") : destDir;
    qint64 budget = limits.maxTotalBytes;
    for (zip_int64_t i = 0; i < count; ++i) {
        const zip_uint64_t index = zip_uint64_t(i);
        const QString name = entryName(za, index);
        if (name.isEmpty())
            continue;
        const EntryKind kind = entryKind(za, index, name);
        if (kind == EntryKind::Directory)
            continue;
        const QString base = extractedBaseName(name);
        if (kind == EntryKind::Other || base.isEmpty()) {
            printErr(QStringLiteral("Skipping zip entry %1").arg(i));
            continue;
        }
        QString error;
        if (!extractEntry(za, index, QFile::encodeName(QStringLiteral("%1/%2").arg(dir, base)), budget, error)) {
            printErr(QStringLiteral("Error while extracting file from zip archive: ") + error);
            zipApi().discard(za);
            return 1;
        }
    }
    zipApi().discard(za);
    return 0;
}
