#pragma once

#include <QPageLayout>
#include <QString>
#include <functional>

class QPagedPaintDevice;

namespace PdfFile {

// Paints pages into memory and puts the PDF in place of AFileName only once complete
// (the export rules: a regular file or a new name, written beside it and renamed), so
// a failure leaves an existing file as it was and a full disk is reported as one.
// APaint returns the pages painted (0: the device could not be painted on) and sets
// AStopped when the user stopped it: EWorkCanceled, nothing written. Throws
// EGravelonError; returns the pages.
using TPaint = std::function<int(QPagedPaintDevice* ADevice, bool* AStopped)>;
int Save(const QString& AFileName, const QString& ATitle, const QPageLayout& ALayout,
         const TPaint& APaint);

} // namespace PdfFile
