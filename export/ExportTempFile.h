#pragma once

#include <QByteArray>
#include <QString>

// Where every export (layout workbook, PDF, whatever comes next) is written before it
// takes the target's place, and the one place that decides what a target may be. On a
// file system that has them it is an unnamed file in the target's folder (O_TMPFILE): a
// process killed while writing leaves nothing anyone can see, and only the finished file
// ever gets a name (a hidden one for the instant before it takes the target's, which a
// kill just then leaves behind). Elsewhere it is a hidden file ".~NAME.XXXXXX" beside
// the target, locked (flock) for as long as its writer lives. Every new export first
// removes such files of the folder that no living writer holds and that are not fresh,
// so a killed export's leftover goes with a later one. Names are unique, so exports
// never collide, even to one target.
//
// A target is a new name in an existing folder or an existing regular file (through a
// link, the file it names). A folder, a device, a FIFO or a socket is refused before
// anything is written and again just before the rename: a rename would put a regular
// file in its place (as root, even /dev/full's), and reading the mode of a device to
// give it to the new file would make a world-writable one.
class TExportTempFile {
public:
    // Throws EGravelonError with the Russian reason when ATarget may not be written.
    explicit TExportTempFile(const QString& ATarget);
    ~TExportTempFile();
    TExportTempFile(const TExportTempFile&) = delete;
    TExportTempFile& operator=(const TExportTempFile&) = delete;

    // The absolute path the file will take (a link's target resolved).
    const QString& Target() const { return FTarget; }
    // The path a writer opens to write the content (for an unnamed file, its
    // /proc/self/fd entry).
    const QString& WritePath() const { return FWritePath; }
    // The file's name in the folder while it is written; empty for an unnamed one.
    const QString& VisiblePath() const { return FVisiblePath; }

    // Appends ABytes through the file's own descriptor. Throws EGravelonError naming the
    // cause (a full disk among them).
    void Write(const QByteArray& ABytes);
    // Whether the target's disk has run out of room (or the user's quota): what a
    // writer that reports no cause of its own most likely ran into.
    bool DiskFull() const;

    // Puts the written file in place of the target in one rename: the target is either
    // what it was or the whole new file. An existing target keeps its mode; a new file
    // gets what the umask grants. Throws EGravelonError on failure (the target no longer
    // a regular file, a stop requested), leaving the target as it was.
    void Place();

    // The absolute target for AFileName, checked as above; throws EGravelonError.
    static QString CheckedTarget(const QString& AFileName);

    // Removes the folder's leftovers of killed exports (see the class comment).
    // Returns how many went.
    static int RemoveStale(const QString& AFolder);

private:
    int FFd = -1;
    QString FTarget;
    QString FFolder;
    QString FTargetName;
    QString FWritePath;
    QString FVisiblePath;
    bool FPlaced = false;
};
