#include "WindowLayout.h"

#include "DataGrid.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <algorithm>

namespace {

// Smaller than this a window was not left by a user; less of it than this on a screen
// cannot be grabbed.
constexpr int MinWidth = 320, MinHeight = 240;
constexpr int MinVisible = 100;

QString Numbers(const QList<int>& AList) {
    QStringList parts;
    for (int n : AList)
        parts << QString::number(n);
    return parts.join(u',');
}

QList<int> Numbers(const QString& AText) {
    QList<int> out;
    for (const QString& part : AText.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = part.toInt(&ok);
        if (!ok)
            return {};
        out << n;
    }
    return out;
}

} // namespace

TWindowLayout::TWindowLayout(const QString& AFile) : FFile(AFile) {}

std::optional<QRect> TWindowLayout::Fit(const QRect& ASaved, const QList<QRect>& AScreens) {
    if (!ASaved.isValid() || ASaved.width() < MinWidth || ASaved.height() < MinHeight)
        return std::nullopt;
    QRect best;
    qint64 bestArea = 0;
    for (const QRect& screen : AScreens) {
        const QRect common = screen.intersected(ASaved);
        const qint64 area = qint64(common.width()) * common.height();
        if (common.width() >= MinVisible && common.height() >= MinVisible && area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    if (bestArea == 0)
        return std::nullopt;
    QRect fitted(ASaved.topLeft(), ASaved.size().boundedTo(best.size()));
    fitted.moveLeft(qBound(best.left(), fitted.left(), best.right() - fitted.width() + 1));
    fitted.moveTop(qBound(best.top(), fitted.top(), best.bottom() - fitted.height() + 1));
    return fitted;
}

void TWindowLayout::Save(const QMainWindow& AWindow) const {
    if (FFile.isEmpty())
        return;
    QSettings state(FFile, QSettings::IniFormat);
    state.beginGroup(QStringLiteral("MainWindow"));
    state.setValue(QStringLiteral("Geometry"), AWindow.normalGeometry());
    state.setValue(QStringLiteral("Maximised"), AWindow.isMaximized());
    state.endGroup();
    state.beginGroup(QStringLiteral("Splitters"));
    for (const QSplitter* s : AWindow.findChildren<QSplitter*>())
        if (!s->objectName().isEmpty())
            state.setValue(s->objectName(), Numbers(s->sizes()));
    state.endGroup();
    state.beginGroup(QStringLiteral("Grids"));
    for (const TDataGrid* g : AWindow.findChildren<TDataGrid*>()) {
        state.beginGroup(g->objectName());
        state.setValue(QStringLiteral("Widths"), Numbers(g->UserWidths()));
        state.setValue(QStringLiteral("SortColumn"), g->horizontalHeader()->sortIndicatorSection());
        state.setValue(QStringLiteral("Descending"),
                       g->horizontalHeader()->sortIndicatorOrder() == Qt::DescendingOrder);
        state.endGroup();
    }
    state.endGroup();
}

TWindowLayout::TPlacement TWindowLayout::RestoreGeometry(QWidget& AWindow) const {
    if (FFile.isEmpty())
        return TPlacement::Default;
    QSettings state(FFile, QSettings::IniFormat);
    const QRect saved = state.value(QStringLiteral("MainWindow/Geometry")).toRect();
    const bool maximised = state.value(QStringLiteral("MainWindow/Maximised")).toBool();
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens << s->availableGeometry();
    const std::optional<QRect> fitted = Fit(saved, screens);
    if (fitted)
        AWindow.setGeometry(*fitted);
    if (maximised)
        return TPlacement::Maximised;
    return fitted ? TPlacement::Normal : TPlacement::Default;
}

void TWindowLayout::RestoreParts(QWidget& AWindow) const {
    if (FFile.isEmpty())
        return;
    QSettings state(FFile, QSettings::IniFormat);
    state.beginGroup(QStringLiteral("Splitters"));
    for (QSplitter* s : AWindow.findChildren<QSplitter*>()) {
        const QList<int> sizes = Numbers(state.value(s->objectName()).toString());
        // Sizes of another arrangement, or of a part squeezed away, are not taken.
        if (sizes.size() == s->count() &&
            std::all_of(sizes.begin(), sizes.end(), [](int n) { return n > 0; }))
            s->setSizes(sizes);
    }
    state.endGroup();
    state.beginGroup(QStringLiteral("Grids"));
    for (TDataGrid* g : AWindow.findChildren<TDataGrid*>()) {
        if (!state.childGroups().contains(g->objectName()))
            continue;
        state.beginGroup(g->objectName());
        g->SetUserWidths(Numbers(state.value(QStringLiteral("Widths")).toString()));
        g->SortBy(state.value(QStringLiteral("SortColumn"), -1).toInt(),
                  state.value(QStringLiteral("Descending")).toBool() ? Qt::DescendingOrder
                                                                     : Qt::AscendingOrder);
        state.endGroup();
    }
    state.endGroup();
}
