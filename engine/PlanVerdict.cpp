#include "PlanVerdict.h"

#include "CalculationRules.h"
#include "SqlRun.h"

#include <QLocale>
#include <QSqlRecord>
#include <algorithm>

namespace {

// At least so long a colour's proof may take, whatever is left of the whole budget:
// the cheap arguments and a round of the patterns fit in it.
const qint64 LeastShareMs = 20;

QString Kilograms(double AValue) {
    return QLocale().toString(AValue, 'f', 1);
}

QString BasisText(TBoundBasis ABasis) {
    switch (ABasis) {
    case TBoundBasis::Weight:
        return QStringLiteral("по весу: вес листов, деленный на предел поддона");
    case TBoundBasis::Rows:
        return QStringLiteral("по высоте: начатые ряды, деленные на предел стопы");
    case TBoundBasis::HeaviestLoad:
        return QStringLiteral("по наибольшей загрузке: из этих листов не набрать поддон, "
                              "полный по весу");
    case TBoundBasis::Patterns:
        return QStringLiteral("по раскладкам поддона: даже дробное покрытие всех листов "
                              "раскладками, каждая в пределах веса и высоты, требует "
                              "столько поддонов");
    case TBoundBasis::Search:
        return QStringLiteral("полным перебором: на поддон меньше листы не укладываются");
    }
    return {};
}

// "не меньше 1 поддона", "не меньше 2 поддонов".
QString AtLeast(qint64 APallets) {
    const bool one = APallets % 10 == 1 && APallets % 100 != 11;
    return QStringLiteral("не меньше %1 %2")
        .arg(APallets)
        .arg(one ? QStringLiteral("поддона") : QStringLiteral("поддонов"));
}

// A count with what is proven of it, and what dense packing needs where that is fewer:
// "13 поддонов — минимум доказан", "46 поддонов, возможно 45", "40 поддонов; плотная
// укладка — 32", "40 поддонов; плотная укладка — 33, возможно 32".
QString Status(qint64 APallets, qint64 ABound, qint64 ADense) {
    if (ADense < APallets) {
        const QString text = PalletsText(APallets) + QStringLiteral("; плотная укладка — %1").arg(ADense);
        return ADense > ABound ? text + QStringLiteral(", возможно %1").arg(ABound) : text;
    }
    return ABound >= APallets ? PalletsText(APallets) + QStringLiteral(" — минимум доказан")
                              : PalletsText(APallets) + QStringLiteral(", возможно %1").arg(ABound);
}

} // namespace

QString PalletsText(qint64 APallets) {
    const qint64 tens = APallets % 100;
    const qint64 ones = APallets % 10;
    const char* word = "поддонов";
    if (ones == 1 && tens != 11)
        word = "поддон";
    else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        word = "поддона";
    return QStringLiteral("%1 %2").arg(APallets).arg(QString::fromUtf8(word));
}

qint64 TPlanVerdict::Pallets() const {
    qint64 n = 0;
    for (const TColourVerdict& c : Colours)
        n += c.Proof.Pallets;
    return n;
}

qint64 TPlanVerdict::Bound() const {
    qint64 n = 0;
    for (const TColourVerdict& c : Colours)
        n += c.Proof.Bound;
    return n;
}

qint64 TPlanVerdict::DensePallets() const {
    qint64 n = 0;
    for (const TColourVerdict& c : Colours)
        n += c.DensePallets;
    return n;
}

bool TPlanVerdict::Proven() const {
    return std::all_of(Colours.begin(), Colours.end(),
                       [](const TColourVerdict& C) { return C.Proof.Proven(); });
}

QString TPlanVerdict::Caption() const {
    // Proven colour by colour: a colour above its bound is not made up by one below it.
    return Status(Pallets(), Proven() ? Pallets() : Bound(), DensePallets());
}

QStringList TPlanVerdict::ColourLines() const {
    QStringList lines;
    for (const TColourVerdict& c : Colours)
        lines << QStringLiteral("colour %1: pallets %2, lower bound %3, %4")
                     .arg(c.Code.isEmpty() ? QString::number(c.ColorId) : c.Code)
                     .arg(c.Proof.Pallets)
                     .arg(c.Proof.Bound)
                     .arg(c.Proof.Bound == c.Proof.Pallets ? QStringLiteral("proven minimum")
                                                           : QStringLiteral("not proven"));
    return lines;
}

QString TPlanVerdict::Explanation() const {
    QStringList text;
    text << QStringLiteral("Всего: %1.").arg(Caption());
    for (const TColourVerdict& c : Colours) {
        text << QString();
        QString colour = c.Code.isEmpty() ? QString::number(c.ColorId) : c.Code;
        if (!c.Name.isEmpty())
            colour += QStringLiteral(" (%1)").arg(c.Name);
        text << QStringLiteral("Цвет %1: %2.")
                    .arg(colour, Status(c.Proof.Pallets, c.Proof.Bound, c.DensePallets));
        text << QStringLiteral("  Листов: %1.").arg(c.Sheets);
        if (c.WeightLimit && *c.WeightLimit > 0)
            text << QStringLiteral("  Вес: %1 кг при пределе поддона %2 кг — %3.")
                        .arg(Kilograms(c.Weight), Kilograms(*c.WeightLimit))
                        .arg(AtLeast(qint64(std::ceil(c.Weight / *c.WeightLimit - 1e-9))));
        else
            text << QStringLiteral("  Вес: %1 кг, предел поддона не задан.").arg(Kilograms(c.Weight));
        if (c.RowLimit > 0)
            text << QStringLiteral("  Начатых рядов: %1 при пределе стопы %2 — %3.")
                        .arg(c.Rows)
                        .arg(c.RowLimit)
                        .arg(AtLeast((c.Rows + c.RowLimit - 1) / c.RowLimit));
        text << QStringLiteral("  Нижняя граница: %1, %2.")
                    .arg(PalletsText(c.Proof.Bound), BasisText(c.Proof.Basis));
        if (!c.Proof.Proven() && c.DensePallets >= c.Proof.Pallets)
            text << QStringLiteral("  Доказать, что меньше %1 нельзя, за отведенное время не "
                                   "удалось.")
                        .arg(PalletsText(c.Proof.Pallets));
    }
    return text.join(QLatin1Char('\n'));
}

TColourVerdict TPlanVerdict::Describe(const PalletBound::TGroup& AGroup,
                                      const TOrderModel& AModel) {
    TColourVerdict v;
    v.ColorId = AGroup.ColorId;
    const TModelOrder& order = AModel.Orders.at(AGroup.Order);
    v.OrderId = order.Id;
    v.WeightLimit = order.MaxW;
    v.RowLimit = order.MaxH.value_or(0);
    const double perMm2 = order.Weight1m2.value_or(0) * CalculationRules::SquareMetresPerMm2;
    for (const TDenseItem& i : AGroup.Items) {
        if (i.Quantity <= 0)
            continue;
        v.Sheets += i.Quantity;
        v.Weight += double(i.Length) * double(i.Height) * double(i.Quantity) * perMm2;
        v.Rows += TDensePacker::Rows(i.Height, i.Quantity);
    }
    return v;
}

TPlanVerdict TPlanVerdict::Judge(const TOrderModel& AModel,
                                 const std::vector<PalletBound::TGroup>& AGroups,
                                 const QDeadlineTimer& ADeadline, bool APack,
                                 const std::function<void()>& ACheckCanceled) {
    return Proven(AModel, AGroups, ADeadline, ACheckCanceled,
                  [&](const PalletBound::TGroup& AGroup, const TColourVerdict&) {
                      return APack ? std::optional(TDensePacker(AGroup.Limits, ACheckCanceled)
                                                       .Pack(AGroup.Items))
                                   : std::nullopt;
                  });
}

TPlanVerdict TPlanVerdict::JudgeCounts(const TOrderModel& AModel,
                                       const std::vector<PalletBound::TGroup>& AGroups,
                                       const std::map<std::pair<qint64, qint64>, qint64>& APallets,
                                       const QDeadlineTimer& ADeadline) {
    const auto countOf = [&APallets](const TColourVerdict& AColour) {
        const auto made = APallets.find({AColour.ColorId, AColour.OrderId});
        return made == APallets.end() ? qint64(0) : made->second;
    };
    // The proof of a count needs only the count: a packing on fewer pallets that the
    // search finds is what dense packing would need.
    TPlanVerdict verdict = Proven(
        AModel, AGroups, ADeadline, {},
        [&countOf](const PalletBound::TGroup&, const TColourVerdict& AColour) {
            const qint64 count = countOf(AColour);
            return count > 0 ? std::optional(std::vector<TDensePallet>(size_t(count)))
                             : std::nullopt;
        });
    for (TColourVerdict& c : verdict.Colours)
        c.Proof.Pallets = countOf(c);
    return verdict;
}

TPlanVerdict TPlanVerdict::Proven(
    const TOrderModel& AModel, const std::vector<PalletBound::TGroup>& AGroups,
    const QDeadlineTimer& ADeadline, const std::function<void()>& ACheckCanceled,
    const std::function<std::optional<std::vector<TDensePallet>>(
        const PalletBound::TGroup&, const TColourVerdict&)>& AStart) {
    TPlanVerdict verdict;
    for (size_t g = 0; g < AGroups.size(); ++g) {
        const PalletBound::TGroup& group = AGroups[g];
        TColourVerdict v = Describe(group, AModel);
        std::optional<std::vector<TDensePallet>> pallets;
        if (group.Limits.MaxRows > 0 && group.Limits.AreaCapacity > 0)
            pallets = AStart(group, v);
        if (pallets) {
            v.Proof = PalletProof::Prove(group.Items, group.Limits, *pallets,
                                         Share(ADeadline, AGroups.size() - g), ACheckCanceled);
        } else {
            // Nothing to prove against: the bound as it stands.
            v.Proof.Bound = group.Bound;
        }
        v.DensePallets = v.Proof.Pallets;
        verdict.Colours.push_back(v);
    }
    return verdict;
}

void TPlanVerdict::TakeCounts(const std::map<std::pair<qint64, qint64>, qint64>& APallets) {
    for (TColourVerdict& c : Colours) {
        const auto made = APallets.find({c.ColorId, c.OrderId});
        c.Proof.Pallets = made == APallets.end() ? 0 : made->second;
    }
}

std::optional<TPlanVerdict> TPlanVerdict::ForStoredOrder(const QSqlDatabase& AConnection,
                                                         qint64 AOrderId,
                                                         const QDeadlineTimer& ADeadline) {
    const std::optional<TOrderModel> model = PalletBound::StoredOrderModel(AConnection, AOrderId);
    if (!model)
        return std::nullopt;
    const QVariantMap keys = {{QStringLiteral(":a1"), AOrderId}, {QStringLiteral(":a2"), AOrderId}};
    std::map<std::pair<qint64, qint64>, qint64> pallets;
    for (const QSqlRecord& r : SqlRun::Open(
             AConnection,
             QStringLiteral("select p.ColorID, count(distinct s.PalleteID) n from Solutions s "
                            "inner join Palletes p on p.ID = s.PalleteID where s.ApplicateID = "
                            ":a1 group by p.ColorID union all select p.ColorID, count(distinct "
                            "s.PalleteID) n from Solutions_archive s inner join Palletes_archive "
                            "p on p.ID = s.PalleteID where s.ApplicateID = :a2 group by "
                            "p.ColorID"),
             keys))
        pallets[{r.value(0).toLongLong(), AOrderId}] += r.value(1).toLongLong();
    if (pallets.empty())
        return std::nullopt;
    TPlanVerdict verdict = JudgeCounts(*model, PalletBound::Groups(*model), pallets, ADeadline);
    verdict.NameColours(AConnection);
    return verdict;
}

std::map<std::pair<qint64, qint64>, qint64>
TPlanVerdict::WorkingPallets(const QSqlDatabase& AConnection) {
    std::map<std::pair<qint64, qint64>, qint64> pallets;
    for (const QSqlRecord& r : SqlRun::Open(
             AConnection,
             QStringLiteral("select p.ColorID, s.ApplicateID, count(distinct s.PalleteID) from "
                            "Solutions s inner join Palletes p on p.ID = s.PalleteID group by "
                            "p.ColorID, s.ApplicateID")))
        pallets[{r.value(0).toLongLong(), r.value(1).toLongLong()}] = r.value(2).toLongLong();
    return pallets;
}

void TPlanVerdict::NameColours(const QSqlDatabase& AConnection) {
    if (Colours.empty())
        return;
    std::map<qint64, std::pair<QString, QString>> names;
    for (const QSqlRecord& r :
         SqlRun::Open(AConnection, QStringLiteral("select ID, Code, Name from Colors")))
        names[r.value(0).toLongLong()] = {r.value(1).toString(), r.value(2).toString()};
    for (TColourVerdict& c : Colours) {
        const auto it = names.find(c.ColorId);
        if (it != names.end()) {
            c.Code = it->second.first.trimmed();
            c.Name = it->second.second.trimmed();
        }
    }
}

QDeadlineTimer TPlanVerdict::Share(const QDeadlineTimer& ATotal, size_t AGroupsLeft) {
    if (ATotal.isForever())
        return ATotal;
    const qint64 left = std::max<qint64>(0, ATotal.remainingTime());
    return QDeadlineTimer(std::max(LeastShareMs, left / qint64(std::max<size_t>(1, AGroupsLeft))));
}
