#pragma once

#include <QString>

// Where a workbook is written before it takes the target's place. On a file system
// that has them it is an unnamed file in the target's folder (O_TMPFILE): a process
// killed while writing leaves nothing anyone can see, and only the finished workbook
// ever gets a name (a hidden one for the instant before it takes the target's, which a
// kill just then leaves behind). Elsewhere it is a hidden file ".~NAME.XXXXXX" beside
// the target, locked (flock) for as long as its writer lives. Every new export first
// removes such files of the folder that no living writer holds and that are not fresh,
// so a killed export's leftover goes with a later one. Names are unique, so exports
// never collide, even to one target.
class TExportTempFile {
public:
    // AFolder is the target's folder; ATargetName its file name.
    TExportTempFile(const QString& AFolder, const QString& ATargetName);
    ~TExportTempFile();
    TExportTempFile(const TExportTempFile&) = delete;
    TExportTempFile& operator=(const TExportTempFile&) = delete;

    // The path a writer opens to write the content (for an unnamed file, its
    // /proc/self/fd entry).
    const QString& WritePath() const { return FWritePath; }
    // The file's name in the folder while it is written; empty for an unnamed one.
    const QString& VisiblePath() const { return FVisiblePath; }

    // Gives the written file the mode AMode and puts it in place of ATarget in one
    // rename: the target is either what it was or the whole new file. Throws
    // EGravelonError on failure, leaving the target as it was.
    void Place(const QString& ATarget, unsigned AMode);

    // Removes the folder's leftovers of killed exports (see the class comment).
    // Returns how many went.
    static int RemoveStale(const QString& AFolder);

private:
    int FFd = -1;
    QString FFolder;
    QString FTargetName;
    QString FWritePath;
    QString FVisiblePath;
    bool FPlaced = false;
};
