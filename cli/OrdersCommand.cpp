#include "CliCommon.h"
#include "DataModule.h"
#include "Errors.h"

#include <QDate>

namespace {

int CliOrders(TCliContext& AContext) {
    bool hasDate = false, hasNumber = false;
    const QString dateText = CliOption(AContext.Args, QStringLiteral("--date"), &hasDate);
    const QString number = CliOption(AContext.Args, QStringLiteral("--number"), &hasNumber);
    QDate date;
    if (hasDate) {
        date = QDate::fromString(dateText, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid()) {
            AContext.Err << "Неверная дата «" << dateText << "»: ожидается ГГГГ-ММ-ДД\n";
            return 2;
        }
    }
    TDataModule data;
    if (!CliConnect(AContext, data))
        return 1;
    try {
        if (hasDate)
            data.OpenOrders(TOrderFilter::ByDate(date));
        else if (hasNumber)
            data.OpenOrders(TOrderFilter::ByNumber(number));
        else
            data.OpenOrders(TOrderFilter::Today());
        const TStaticQueryModel* q = data.Orders();
        TCliRecords records{{"id", "number", "date", "customer", "material"}, {}};
        for (int row = 0; row < q->RowCount(); ++row) {
            const QDate d = q->Value(row, QStringLiteral("Date")).toDate();
            records.Rows.append({q->Value(row, QStringLiteral("ID")).toLongLong(),
                                 q->Value(row, QStringLiteral("Number")).toString(),
                                 d.isValid() ? d.toString(QStringLiteral("yyyy-MM-dd"))
                                             : q->Value(row, QStringLiteral("Date")).toString(),
                                 q->Value(row, QStringLiteral("Name")).toString(),
                                 q->Value(row, QStringLiteral("Name_1")).toString()});
        }
        return CliPrintRecords(AContext, records) ? 0 : 2;
    } catch (const EGravelonError& e) {
        AContext.Err << e.Message() << "\n";
        return 1;
    }
}

const TCliRegistration
    Registration("orders", CliOrders,
                 "orders [--date YYYY-MM-DD | --number TEXT] [--format tsv|json]");

} // namespace
