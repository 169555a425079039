#include "DensePackingEngine.h"

#include "CalculationEngine.h"
#include "CalculationSession.h"

#include "CalculationRefusal.h"
#include "OrderWriter.h"
#include "SheetsPerRow.h"
#include "SqlRun.h"

#include <QSet>
#include <QStringList>
#include <algorithm>

namespace {

const char* const CanceledMessage = "Расчет прерван пользователем";

QString OrderName(const TModelOrder& AOrder) {
    const QString number = AOrder.Number.trimmed();
    return number.isEmpty() ? QStringLiteral("с ключом %1").arg(AOrder.Id)
                            : QStringLiteral("№ %1").arg(number);
}

} // namespace

TDensePackingEngine::TDensePackingEngine(const QSqlDatabase& AConnection)
    : FConnection(AConnection),
      FDialect(TSqlDialect::Of(AConnection)) {}

void TDensePackingEngine::Execute() {
    TCalculationSession session(FConnection, FDialect, FShownOrder, FStatementCount,
                                FReplaceLoaded);
    FModel = TOrderModel::Read(FConnection, &FStatementCount);
    ReportProgress(QStringLiteral("Плотная укладка: проверка заявки"), 1, 6);
    CheckCanPack();
    const std::vector<PalletBound::TGroup> groups = PalletBound::Groups(FModel);
    FVerdict = TPlanVerdict();
    // The proofs share one budget: a colour proven at once leaves its share to the rest.
    const QDeadlineTimer proofs(FProofTime);
    for (size_t i = 0; i < groups.size(); ++i) {
        // Stages 2 to 4 of the panel share the colours out.
        const int stage = 2 + static_cast<int>((3 * i) / groups.size());
        ReportProgress(
            QStringLiteral("Плотная укладка: цвет %1 из %2").arg(i + 1).arg(groups.size()), stage,
            6);
        TColourVerdict verdict = TPlanVerdict::Describe(groups[i], FModel);
        PackGroup(groups[i], TPlanVerdict::Share(proofs, groups.size() - i), verdict);
        FVerdict.Colours.push_back(verdict);
    }
    ReportProgress(QStringLiteral("Плотная укладка: запись поддонов"), 5, 6);
    TOrderWriter(FConnection, FDialect, [this] { CheckCanceled(); }).Write(FModel, FStatementCount);
    FPalletCount = static_cast<qint64>(FModel.Pallets.size());
    FVerdict.NameColours(FConnection);
    ++FStatementCount;
    session.Finish([this](const QString& AStage, int APosition, int AMax) {
        ReportProgress(AStage, APosition, AMax);
    });
}

void TDensePackingEngine::ReportProgress(const QString& AStage, int APosition, int AMax) {
    if (OnProgress)
        OnProgress(AStage, APosition, AMax);
    CheckCanceled();
}

void TDensePackingEngine::CheckCanceled() {
    if (OnCancel && OnCancel())
        throw ECalculationCanceled(QString::fromUtf8(CanceledMessage));
}

void TDensePackingEngine::CheckCanPack() const {
    if (!FModel.Unsupported.isEmpty())
        throw ECalculationRefused(QStringLiteral("Расчет невозможен: ") + FModel.Unsupported +
                                  QLatin1Char('.'));
    CalculationRefusal::Check(FModel.RefusalRows());
    // Without a stack limit of at least one row no pallet carries a sheet.
    QStringList withoutRows;
    QSet<int> seen;
    for (int i = 0; i < FModel.ReadPositions; ++i) {
        const int o = FModel.Positions[i].Order;
        if (seen.contains(o))
            continue;
        seen.insert(o);
        const TModelOrder& order = FModel.Orders.at(o);
        if (!order.MaxH || *order.MaxH < 1)
            withoutRows << QStringLiteral("у материала заявки %1 не задана наибольшая высота "
                                          "стопы")
                               .arg(OrderName(order));
    }
    if (!withoutRows.isEmpty())
        throw ECalculationRefused(QStringLiteral("Расчет невозможен: ") +
                                  withoutRows.join(QStringLiteral("; ")) + QLatin1Char('.'));
}

void TDensePackingEngine::PackGroup(const PalletBound::TGroup& AGroup,
                                    const QDeadlineTimer& AProofDeadline,
                                    TColourVerdict& AVerdict) {
    const auto canceled = [this] { CheckCanceled(); };
    TDensePacker packer(AGroup.Limits, canceled);
    std::vector<TDensePallet> pallets = packer.Pack(AGroup.Items);
    // The proof may find a packing on fewer pallets; it then replaces the packer's.
    AVerdict.Proof = PalletProof::Prove(AGroup.Items, AGroup.Limits, pallets, AProofDeadline,
                                        canceled);
    AVerdict.DensePallets = AVerdict.Proof.Pallets;

    // Within a pallet the longest sheets come first, the bottom of the stack; pallets
    // with longer sheets come first.
    const auto longer = [this](const TDensePart& A, const TDensePart& B) {
        const TModelPosition& a = FModel.Positions[A.Position];
        const TModelPosition& b = FModel.Positions[B.Position];
        if (a.Width != b.Width)
            return a.Width > b.Width;
        if (a.Height != b.Height)
            return a.Height > b.Height;
        return A.Position < B.Position;
    };
    for (TDensePallet& p : pallets)
        std::stable_sort(p.begin(), p.end(), longer);
    std::stable_sort(pallets.begin(), pallets.end(),
                     [&longer](const TDensePallet& A, const TDensePallet& B) {
                         return longer(A.front(), B.front());
                     });

    // A divided position keeps its largest part (the first of equals); the others
    // become parts of it.
    QHash<int, std::pair<size_t, size_t>> kept;
    for (size_t p = 0; p < pallets.size(); ++p) {
        for (size_t s = 0; s < pallets[p].size(); ++s) {
            const TDensePart& part = pallets[p][s];
            const auto found = kept.constFind(part.Position);
            if (found == kept.cend() ||
                pallets[found->first][found->second].Quantity < part.Quantity)
                kept.insert(part.Position, {p, s});
        }
    }

    const TModelOrder& order = FModel.Orders.at(AGroup.Order);
    for (size_t p = 0; p < pallets.size(); ++p) {
        TModelPallet pallet;
        pallet.ColorId = AGroup.ColorId;
        pallet.MaxH = order.MaxH;
        pallet.MaxW = order.MaxW;
        FModel.Pallets.push_back(pallet);
        const int palletIndex = static_cast<int>(FModel.Pallets.size()) - 1;
        qint64 length = 0;
        qint64 rowWidth = 0;
        for (size_t s = 0; s < pallets[p].size(); ++s) {
            const TDensePart& part = pallets[p][s];
            int position = part.Position;
            if (kept.value(part.Position) == std::pair{p, s}) {
                FModel.Positions[position].Quantity = part.Quantity;
            } else {
                TModelPosition divided = FModel.Positions[part.Position];
                divided.Key = 0;
                divided.Quantity = part.Quantity;
                divided.ReadQuantity = 0;
                divided.SplitFrom = part.Position;
                divided.Comment = CalculationRules::OwnWords(divided.Comment);
                FModel.Positions.push_back(divided);
                position = static_cast<int>(FModel.Positions.size()) - 1;
            }
            const TModelPosition& pos = FModel.Positions[position];
            TModelPlacement placement;
            placement.Position = position;
            placement.Pallet = palletIndex;
            placement.QuantityInRow = SheetsPerRowRule(pos.Height, pos.Quantity);
            placement.Quantity = pos.Quantity;
            // A row wider than the sheet is long is packed turned by a quarter.
            if (pos.Width < pos.Height * placement.QuantityInRow)
                placement.Comment = QStringLiteral("Повернуть на 90 град.");
            FModel.Placements.push_back(placement);
            length = s == 0 ? pos.Width : std::max(length, pos.Width);
            rowWidth = s == 0 ? pos.Height * placement.QuantityInRow
                              : std::max(rowWidth, pos.Height * placement.QuantityInRow);
        }
        FModel.Pallets[palletIndex].Length = length;
        FModel.Pallets[palletIndex].Width = rowWidth;
    }
}
