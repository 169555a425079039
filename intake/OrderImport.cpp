#include "OrderImport.h"

#include "DataModule.h"
#include "Errors.h"
#include "OrderHeaderStore.h"
#include "WorkbookReader.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <QSqlRecord>

using TMessageKind = TOrderImportHooks::TMessageKind;
using TOutcome = TImportResult::TOutcome;

const QString TOrderImport::AbortMessage =
    QStringLiteral("Выполнение обработки заявки прервано, так как файл заявки содержит "
                   "некорректные данные, пожалуйста проверьте заявку");

const QString TOrderImport::ReportFileName = QStringLiteral("Некорректные строки.txt");

TOrderImport::TOrderImport(TDataModule& AData, TOrderImportHooks AHooks)
    : FData(AData), FHooks(std::move(AHooks)) {}

QString TOrderImport::InvalidRowsMessage(const QStringList& ALines) {
    QString text = QStringLiteral("Внимание!!!\r\nСледующие строки содержат недостаточно данных, "
                                  "работа программы будет остановлена.\r\n");
    for (const QString& line : ALines)
        text += line + QStringLiteral("\r\n");
    text += QStringLiteral("\r\nнекорректные строки сохранены в файле \"Некорректные строки\" на "
                           "рабочем столе");
    return text;
}

QString TOrderImport::UnknownColoursMessage(const QStringList& ACodes) {
    return QStringLiteral("Выполнение обработки заявки прервано: в справочнике цветов нет "
                          "следующих цветов заявки:\r\n") +
           ACodes.join(QStringLiteral("\r\n")) +
           QStringLiteral("\r\nДобавьте их в справочник цветов и загрузите заявку снова");
}

void TOrderImport::Message(TMessageKind AKind, const QString& AText) const {
    if (FHooks.ShowMessage)
        FHooks.ShowMessage(AKind, AText);
}

TImportResult TOrderImport::Abort(const QString& ADetail) const {
    Message(TMessageKind::Plain, AbortMessage);
    TImportResult r;
    r.Outcome = TOutcome::Aborted;
    r.Detail = ADetail;
    return r;
}

TImportResult TOrderImport::ImportOrderFile(const QString& AFileName) {
    // The whole used range is read in one go and the file is closed before any check,
    // so no workbook stays open whatever happens next.
    const TSheetValues values = TWorkbookReader::ReadActiveSheet(AFileName);
    return ReadOrderSheet(values);
}

TImportResult TOrderImport::ReadOrderSheet(const TSheetValues& AValues) {
    try {
        const QList<int> columns = TOrderSheet::MapColumns(AValues);
        QStringList missing;
        for (int i = 0; i < columns.size(); ++i)
            if (columns.at(i) == 0)
                missing.append(TOrderSheet::HeaderWords.at(i));
        // Every later step needs all six fields; a sheet without one of the words
        // cannot be read as an order.
        if (!missing.isEmpty())
            return Abort(QStringLiteral("В строке заголовков нет столбцов: ") +
                         missing.join(QStringLiteral(", ")));

        QList<TOrderRow> rows =
            TOrderSheet::DropBlankRows(TOrderSheet::ExtractRows(AValues, columns));
        if (rows.isEmpty())
            return Abort(QStringLiteral("В заявке нет ни одной заполненной строки"));
        if (!TOrderSheet::Orient(rows))
            return Abort(QStringLiteral("Длина или ширина листа не является целым числом"));

        const QStringList invalid = TOrderSheet::InvalidRowLines(rows);
        if (!invalid.isEmpty())
            return ReportInvalidRows(invalid);

        if (!ThicknessesKnown(rows))
            return Abort(QStringLiteral("Толщина листа не совпадает ни с одним материалом"));

        const QStringList unknown = MatchColours(rows);
        if (!unknown.isEmpty()) {
            // Every position needs a colour key; rather than storing a half order,
            // the user is told which codes the colour directory lacks.
            Message(TMessageKind::Plain, UnknownColoursMessage(unknown));
            TImportResult r;
            r.Outcome = TOutcome::UnknownColours;
            r.UnknownColours = unknown;
            return r;
        }

        // The previous order stays the working one until the dialog is saved; then
        // it is archived and the new order stored in one transaction.
        TImportResult r;
        const TStoreOrder store = [&](TOrderHeader& AHeader) {
            return StoreOrder(AHeader, rows, &r);
        };
        TOrderHeader header;
        if (!FHooks.AskOrderHeader || !FHooks.AskOrderHeader(header, store) ||
            header.OrderID <= 0) {
            if (!r.Detail.isEmpty())
                return Abort(r.Detail);
            r.Outcome = TOutcome::NoHeader;
            return r;
        }
        r.Outcome = TOutcome::Stored;

        try {
            if (FHooks.AutoCalculation) {
                if (FHooks.RunCalculation)
                    FHooks.RunCalculation();
            } else if (FHooks.EnableCalculation) {
                FHooks.EnableCalculation();
            }
        } catch (const EGravelonError& e) {
            // The order is stored; only its calculation failed.
            Message(TMessageKind::Plain, AbortMessage);
            r.Detail = e.Message();
        }
        return r;
    } catch (const EDatabaseRetry&) {
        // Another workstation busy, or the server gone: nothing wrong with the file,
        // and the message says what happened.
        throw;
    } catch (const EGravelonError& e) {
        return Abort(e.Message());
    } catch (const std::exception& e) {
        return Abort(QString::fromUtf8(e.what()));
    }
}

TImportResult TOrderImport::ReportInvalidRows(const QStringList& ALines) const {
    TImportResult r;
    r.Outcome = TOutcome::InvalidRows;
    r.InvalidRowLines = ALines;
    Message(TMessageKind::Error, InvalidRowsMessage(ALines));
    if (!FHooks.DesktopFolder.isEmpty()) {
        QDir().mkpath(FHooks.DesktopFolder);
        const QString path = QDir(FHooks.DesktopFolder).filePath(ReportFileName);
        // UTF-8: the lines carry whatever the sheet held, Cyrillic included.
        QSaveFile file(path);
        QByteArray bytes;
        for (const QString& line : ALines)
            bytes += line.toUtf8() + "\r\n";
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
            r.ReportFile = path;
        } else {
            Message(TMessageKind::Error,
                    QStringLiteral("Не удалось сохранить файл «%1»: %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
        }
    }
    if (FHooks.TerminateApplication)
        FHooks.TerminateApplication();
    return r;
}

bool TOrderImport::ThicknessesKnown(const QList<TOrderRow>& ARows) const {
    QSet<QString> widths;
    for (const QSqlRecord& m : FData.OpenSql(QStringLiteral("Select ID, Width from Materials")))
        widths.insert(TOrderSheet::MaterialWidthText(m.value(QStringLiteral("Width"))));
    for (const TOrderRow& row : ARows)
        if (!widths.contains(row.Fields[TOrderSheet::Thickness]))
            return false;
    return true;
}

QStringList TOrderImport::MatchColours(QList<TOrderRow>& ARows) const {
    // The first colour in key order wins when two codes read the same.
    QHash<QString, qlonglong> keys;
    const QList<QSqlRecord> colours =
        FData.OpenSql(QStringLiteral("Select ID, Code from Colors order by ID"));
    for (const QSqlRecord& c : colours) {
        const QString key = TOrderSheet::ColourCodeKey(c.value(QStringLiteral("Code")).toString());
        if (!keys.contains(key))
            keys.insert(key, c.value(QStringLiteral("ID")).toLongLong());
    }
    QStringList unknown;
    QSet<QString> seen;
    for (TOrderRow& row : ARows) {
        const QString key = TOrderSheet::RowColourKey(row.Fields[TOrderSheet::Color]);
        const auto it = keys.constFind(key);
        if (it != keys.constEnd()) {
            row.ColorID = it.value();
        } else if (!seen.contains(key)) {
            seen.insert(key);
            unknown.append(row.Fields[TOrderSheet::Color]);
        }
    }
    return unknown;
}

QStringList TOrderImport::PositionStatements(qlonglong AOrderID, const QList<TOrderRow>& ARows) {
    QStringList statements;
    const QString head =
        QStringLiteral("insert into ApplicatePositions "
                       "(ApplicateID,Width,Height,ColorID,Quantity,Comment) values");
    const QString key = TSqlDialect::QuotedStr(QString::number(AOrderID));
    for (qsizetype start = 0; start < ARows.size(); start += RowsPerStatement) {
        const qsizetype end = qMin(ARows.size(), start + RowsPerStatement);
        QString sql = head;
        for (qsizetype i = start; i < end; ++i) {
            const TOrderRow& row = ARows.at(i);
            const QStringList values = {key,
                                        TSqlDialect::QuotedStr(row.Fields[TOrderSheet::Length]),
                                        TSqlDialect::QuotedStr(row.Fields[TOrderSheet::Width]),
                                        TSqlDialect::QuotedStr(QString::number(row.ColorID)),
                                        TSqlDialect::QuotedStr(row.Fields[TOrderSheet::Quantity]),
                                        TSqlDialect::QuotedStr(row.Fields[TOrderSheet::Comment])};
            sql += QStringLiteral("\n(") + values.join(QStringLiteral(", ")) +
                   (i + 1 < end ? QStringLiteral("),") : QStringLiteral(");"));
        }
        statements.append(sql);
    }
    return statements;
}

int TOrderImport::InsertOrderPositions(qlonglong AOrderID, const QList<TOrderRow>& ARows) {
    const QStringList statements = PositionStatements(AOrderID, ARows);
    // One transaction: either every position of the order is stored or none is.
    TTransaction transaction(FData.Connection(), FData.Dialect());
    for (const QString& sql : statements)
        FData.ExecSql(sql);
    transaction.Commit();
    return int(statements.size());
}

bool TOrderImport::StoreOrder(TOrderHeader& AHeader, const QList<TOrderRow>& ARows,
                              TImportResult* AResult) {
    const TOrderHeader before = OrderHeader;
    TOrderHeader header = AHeader;
    try {
        TTransaction transaction(FData.Connection(), FData.Dialect());
        FData.Archivation();
        TOrderHeaderStore(FData).Record(header);
        try {
            AResult->Statements = InsertOrderPositions(header.OrderID, ARows);
        } catch (const EDatabaseRetry&) {
            throw;
        } catch (const EGravelonError& e) {
            // Not the header's fault: a corrected header would meet the same refusal.
            // The rollback takes the header and the archiving back with the positions.
            AResult->Detail = e.Message();
            OrderHeader = before;
            return false;
        }
        transaction.Commit();
    } catch (...) {
        OrderHeader = before;
        throw;
    }
    AResult->OrderID = header.OrderID;
    AResult->Positions = int(ARows.size());
    AResult->Detail.clear();
    AHeader = header;
    return true;
}
