#include "OrderImport.h"

#include "CellText.h"

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

const QString TOrderImport::ReportCaption = QStringLiteral("Некорректные строки заявки");

const QString TOrderImport::InvalidRowsHeading =
    QStringLiteral("Внимание!!!\r\nСледующие строки заявки содержат некорректные данные, заявка "
                   "не загружена, прежняя заявка осталась текущей.\r\nИсправьте строки и "
                   "загрузите заявку снова:\r\n");

QString TOrderImport::AbortText(const QString& ACause) {
    return ACause.isEmpty() ? AbortMessage : AbortMessage + QStringLiteral(".\r\n") + ACause;
}

TOrderImport::TOrderImport(TDataModule& AData, TOrderImportHooks AHooks)
    : FData(AData), FHooks(std::move(AHooks)) {}

QString TOrderImport::InvalidRowsMessage(const QStringList& ALines, const QString& AReportFile,
                                         const QString& AFileError) {
    QString text = InvalidRowsHeading;
    for (const QString& line : ALines)
        text += line + QStringLiteral("\r\n");
    if (!AReportFile.isEmpty())
        text += QStringLiteral("\r\nнекорректные строки сохранены в файле \"Некорректные строки\" "
                               "на рабочем столе (%1)")
                    .arg(QDir::toNativeSeparators(AReportFile));
    else if (!AFileError.isEmpty())
        text += QStringLiteral("\r\n") + AFileError;
    return text;
}

QString TOrderImport::UnknownColoursMessage(const QStringList& ACodes,
                                            const QList<QList<int>>& ARows) {
    QStringList lines;
    for (qsizetype i = 0; i < ACodes.size(); ++i)
        lines << (ARows.value(i).isEmpty()
                      ? CellText::Quoted(ACodes.at(i))
                      : QStringLiteral("%1 (%2)").arg(CellText::Quoted(ACodes.at(i)),
                                                      TOrderSheet::RowNumbers(ARows.at(i))));
    return QStringLiteral("Выполнение обработки заявки прервано: в справочнике цветов нет "
                          "следующих цветов заявки:\r\n") +
           lines.join(QStringLiteral("\r\n")) +
           QStringLiteral("\r\nДобавьте их в справочник цветов и загрузите заявку снова");
}

void TOrderImport::Message(TMessageKind AKind, const QString& AText) const {
    if (FHooks.ShowMessage)
        FHooks.ShowMessage(AKind, AText);
}

TImportResult TOrderImport::Abort(const QString& ADetail) const {
    Message(TMessageKind::Plain, AbortText(ADetail));
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

        // Every row is checked and every bad one reported with all its causes at once,
        // a colour missing from the directory among them, so the operator corrects the
        // workbook in one go.
        QList<QList<int>> unknownRows;
        const QStringList unknown = MatchColours(rows, &unknownRows);
        QHash<int, QString> colourCauses;
        for (qsizetype i = 0; i < unknown.size(); ++i)
            for (int row : unknownRows.at(i))
                colourCauses.insert(row, QStringLiteral("цвета «%1» нет в справочнике цветов")
                                             .arg(CellText::Quoted(unknown.at(i))));
        // Unknown colours alone keep their own message below.
        if (!TOrderSheet::InvalidRowLines(rows).isEmpty())
            return ReportInvalidRows(TOrderSheet::InvalidRowLines(rows, colourCauses));
        if (!TOrderSheet::Orient(rows))
            return Abort(QStringLiteral("Длина, ширина или количество не является целым числом"));

        TOrderHeader header;
        const QString thicknessProblem = ThicknessProblem(rows, &header.SheetThickness);
        if (!thicknessProblem.isEmpty())
            return Abort(thicknessProblem);

        if (!unknown.isEmpty()) {
            // Every position needs a colour key; rather than storing a half order,
            // the user is told which codes the colour directory lacks, and where.
            Message(TMessageKind::Plain, UnknownColoursMessage(unknown, unknownRows));
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
                    FHooks.RunCalculation(header.OrderID);
            } else if (FHooks.EnableCalculation) {
                FHooks.EnableCalculation();
            }
        } catch (const EGravelonError& e) {
            // The order is stored; only its calculation failed.
            r.Detail = e.Message();
            Message(TMessageKind::Plain,
                    QStringLiteral("Заявка сохранена, но расчет поддонов не выполнен.\r\n") +
                        r.Detail);
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
    QString fileError;
    if (!FHooks.DesktopFolder.isEmpty()) {
        // Written first, so the window can say where the operator finds the file.
        QDir().mkpath(FHooks.DesktopFolder);
        const QString path = QDir(FHooks.DesktopFolder).filePath(ReportFileName);
        // UTF-8: the lines carry whatever the sheet held, Cyrillic included.
        QSaveFile file(path);
        QByteArray bytes;
        for (const QString& line : ALines)
            bytes += line.toUtf8() + "\r\n";
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
            r.ReportFile = path;
        else
            fileError = QStringLiteral("Не удалось сохранить файл «%1»: %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString());
    }
    // The program goes on: nothing was stored, and the previous order is still the
    // working one.
    const QString text = InvalidRowsMessage(ALines, r.ReportFile, fileError);
    if (FHooks.ShowReport)
        FHooks.ShowReport(ReportCaption, text);
    else
        Message(TMessageKind::Error, text);
    return r;
}

QString TOrderImport::ThicknessProblem(const QList<TOrderRow>& ARows, QString* AThickness) const {
    QSet<QString> widths;
    for (const QSqlRecord& m : FData.OpenSql(QStringLiteral("Select ID, Width from Materials")))
        widths.insert(TOrderSheet::MaterialWidthText(m.value(QStringLiteral("Width"))));
    // Rows by thickness, thicknesses in the order the sheet first names them.
    QStringList order;
    QHash<QString, QList<int>> rows;
    for (const TOrderRow& row : ARows) {
        const QString& t = row.Fields[TOrderSheet::Thickness];
        if (!rows.contains(t))
            order << t;
        rows[t].append(row.SheetRow);
    }
    const auto describe = [&rows](const QStringList& AThicknesses) {
        QStringList parts;
        for (const QString& t : AThicknesses)
            parts << QStringLiteral("%1 мм (%2)")
                         .arg(CellText::Quoted(t), TOrderSheet::RowNumbers(rows.value(t)));
        return parts.join(QStringLiteral(", "));
    };
    QStringList unknown;
    for (const QString& t : order)
        if (!widths.contains(t))
            unknown << t;
    if (!unknown.isEmpty())
        return QStringLiteral("Толщина листа не совпадает ни с одним материалом: ") +
               describe(unknown);
    if (order.size() > 1)
        // One order is one material: its weight per square metre makes the pallets.
        return QStringLiteral("В заявке листы разной толщины: ") + describe(order) +
               QStringLiteral("; одна заявка — один материал, разделите заявку по толщине");
    if (AThickness)
        *AThickness = order.value(0);
    return QString();
}

QStringList TOrderImport::MatchColours(QList<TOrderRow>& ARows,
                                       QList<QList<int>>* AUnknownRows) const {
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
    QList<QList<int>> unknownRows;
    QHash<QString, qsizetype> seen; // key -> its index in unknown
    for (TOrderRow& row : ARows) {
        const QString key = TOrderSheet::RowColourKey(row.Fields[TOrderSheet::Color]);
        if (key.isEmpty())
            continue; // a missing colour is the row's own fault, reported as such
        const auto it = keys.constFind(key);
        if (it != keys.constEnd()) {
            row.ColorID = it.value();
            continue;
        }
        auto at = seen.constFind(key);
        if (at == seen.constEnd()) {
            at = seen.insert(key, unknown.size());
            unknown.append(row.Fields[TOrderSheet::Color]);
            unknownRows.append(QList<int>());
        }
        unknownRows[at.value()].append(row.SheetRow);
    }
    if (AUnknownRows)
        *AUnknownRows = unknownRows;
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
    return InsertPositions(FData, AOrderID, ARows);
}

int TOrderImport::InsertPositions(TDataModule& AData, qlonglong AOrderID,
                                  const QList<TOrderRow>& ARows) {
    const QStringList statements = PositionStatements(AOrderID, ARows);
    // One transaction: either every position of the order is stored or none is.
    TTransaction transaction(AData.Connection(), AData.Dialect());
    for (const QString& sql : statements)
        AData.ExecSql(sql);
    transaction.Commit();
    return int(statements.size());
}

bool TOrderImport::StoreOrder(TOrderHeader& AHeader, const QList<TOrderRow>& ARows,
                              TImportResult* AResult) {
    bool stored = false;
    const auto store = [&](TDataModule& AData) {
        stored = StoreWith(AData, AHeader, ARows, AResult);
    };
    if (FHooks.RunStore)
        FHooks.RunStore(store);
    else
        store(FData);
    return stored;
}

bool TOrderImport::StoreWith(TDataModule& AData, TOrderHeader& AHeader,
                             const QList<TOrderRow>& ARows, TImportResult* AResult) {
    TOrderHeader header = AHeader;
    {
        TTransaction transaction(AData.Connection(), AData.Dialect());
        // Before anything is written: an unknown material is the header's fault, and
        // the operator is told so in place of the database's refusal of the link.
        TOrderHeaderStore(AData).RequireMaterial(header.MaterialID);
        AData.Archivation();
        TOrderHeaderStore(AData).Record(header);
        try {
            AResult->Statements = InsertPositions(AData, header.OrderID, ARows);
        } catch (const EDatabaseRetry&) {
            throw;
        } catch (const EGravelonError& e) {
            // Not the header's fault: a corrected header would meet the same refusal.
            // The rollback takes the header and the archiving back with the positions.
            AResult->Detail =
                QStringLiteral("База данных не приняла строки заявки. ") + e.Message();
            return false;
        }
        transaction.Commit();
    }
    AResult->OrderID = header.OrderID;
    AResult->Positions = int(ARows.size());
    AResult->Detail.clear();
    AHeader = header;
    return true;
}
