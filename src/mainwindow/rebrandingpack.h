// The PBX's rebranding pack on disk: a finished download takes the place of
// the current pack and is unpacked into the rebranding directory.
//
// A download that is missing or empty changes nothing, and the current pack
// is replaced through a spare name, so a failed replacement keeps the pack
// and the assets in use. A pack the PBX has removed (no pack after a
// download into the pack's own path) or one that does not unpack drops the
// rebranded files, so the window falls back to its own images and texts.
#pragma once

#include <QString>

#include <functional>

class RebrandingPack
{
public:
    enum class Outcome {
        Unzipped,    // the new pack is unpacked: reload the assets
        Removed,     // the PBX has no pack any more: assets dropped, reload
        UnzipFailed, // the pack did not unpack: assets dropped, reload
        Kept         // the download was unusable or could not be put in place: nothing changed
    };

    using RenameFunction = std::function<bool(const QString &from, const QString &to)>;

    // Renames go through `rename` (QFile::rename by default); tests make it fail.
    void setRenameFunction(RenameFunction rename);

    // Puts `downloaded` in place as `pack` and unpacks it into `dir`.
    Outcome applyDownload(const QString &downloaded, const QString &pack, const QString &dir) const;

    // Deletes every plain file directly in `dir`.
    static void dropAssets(const QString &dir);

private:
    static bool unpack(const QString &pack, const QString &dir);
    bool rename(const QString &from, const QString &to) const;

    RenameFunction renameFunction;
};
