#pragma once

#include "LayoutExport.h"

#include <QList>
#include <QStringList>
#include <functional>

class TDataModule;

// The order the layout tests export: three pallets that the pallet list numbers
// 1, 2, 3 by colour code (created in another order), holding 2, 1 and 5 placements.
struct TLayoutOrder {
    qlonglong Id = 0;
    qlonglong P1 = 0; // RAL 1015, 2000 * 1200: two rows
    qlonglong P2 = 0; // RAL 7035, 2500 * 1200: one row
    qlonglong P3 = 0; // RAL 9010, 3000 * 1200: five rows, two of equal size
};

namespace ExportFixture {

inline const QString OrderNumber = QStringLiteral("З-17/2024");
inline const QString Customer = QStringLiteral("ООО «Д'Артаньян»");
// 34 sheets; 34.255 m² rounded half up.
inline const QString Summary = QStringLiteral("34 шт./ 34.26 м2");

TLayoutOrder MakeOrder(TDataModule& AData, const QString& ANumber = OrderNumber);

// What the export did through its callbacks, in order: "show", "max N", "step",
// "reset", "hide", "open FILE", "info TEXT", "plain TEXT".
struct TRecorder {
    QStringList Events;
    std::function<void(int)> OnStep; // called with the number of steps so far
    int Steps = 0;

    TExportCallbacks Callbacks();
    QStringList Messages() const; // the "info"/"plain" events
    int Count(const QString& AEvent) const;
};

// A file system of a few kilobytes (tmpfs) at a folder, for an export to fill; only
// root can mount one. Unmounted when it goes.
class TSmallDisk {
public:
    TSmallDisk() = default;
    ~TSmallDisk();
    TSmallDisk(const TSmallDisk&) = delete;
    TSmallDisk& operator=(const TSmallDisk&) = delete;
    // False when it cannot be mounted here.
    bool Mount(const QString& AFolder, int AKilobytes = 4);
    const QString& Path() const { return FPath; }

private:
    QString FPath;
    bool FMounted = false;
};

// The program folder of the tests: the folder of the running executable, where the
// build puts resources/.
QString ProgramFolder();

} // namespace ExportFixture
