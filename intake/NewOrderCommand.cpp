#include "NewOrderCommand.h"

#include "DataModule.h"

#include <QSqlRecord>

const QString TNewOrderCommand::FileFilter =
    QStringLiteral("Таблицы (*.xls *.xlsx *.ods);;Все файлы (*)");

TImportResult TNewOrderCommand::Import(const QString& AFileName, const TOrderImportHooks& AHooks) {
    TOrderImport import(FData, AHooks);
    return import.ImportOrderFile(AFileName);
}

TImportResult TNewOrderCommand::ImportSheet(const TSheetValues& AValues,
                                           const TOrderImportHooks& AHooks) {
    TOrderImport import(FData, AHooks);
    return import.ReadOrderSheet(AValues);
}

QDate TNewOrderCommand::LatestOrderDate() const {
    const QList<QSqlRecord> rows =
        FData.OpenSql(QStringLiteral("select ID, Date from Applicates order by ID desc limit 1"));
    if (rows.isEmpty())
        return QDate();
    const QVariant date = rows.first().value(QStringLiteral("Date"));
    if (date.isNull())
        return QDate();
    // SQLite keeps the date as its YYYY-MM-DD text, PostgreSQL as a date.
    if (date.typeId() == QMetaType::QDate)
        return date.toDate();
    return QDate::fromString(date.toString().left(10), QStringLiteral("yyyy-MM-dd"));
}

TOrderFilter TNewOrderCommand::RefreshFilter(const QDate& APickerDate) const {
    return TOrderFilter::ByDate(APickerDate);
}
