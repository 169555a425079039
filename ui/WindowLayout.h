#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <optional>

class QMainWindow;
class QWidget;

// The main window's layout as the user left it, kept between starts in the user's
// state folder (never in the settings file, which a workshop may share): the window's
// place and size, whether it was maximised, every splitter's sizes and every grid's
// dragged column widths and sort, each found by its object name. What no longer fits
// (another screen, a grid with other columns) is left as the program lays it out.
class TWindowLayout {
public:
    // AFile: the state file; empty keeps nothing.
    explicit TWindowLayout(const QString& AFile);

    void Save(const QMainWindow& AWindow) const;

    enum class TPlacement { Default, Normal, Maximised };
    // Places AWindow (not yet shown) where it was, clamped to the screens there are;
    // Default when nothing fits and the caller places it.
    TPlacement RestoreGeometry(QWidget& AWindow) const;
    // The splitters' sizes and the grids' columns inside AWindow.
    void RestoreParts(QWidget& AWindow) const;

    // ASaved moved and shrunk into the available area of the screen it overlaps most;
    // nothing when it overlaps none by enough to be grabbed, or is implausibly small.
    static std::optional<QRect> Fit(const QRect& ASaved, const QList<QRect>& AScreens);

private:
    QString FFile;
};
