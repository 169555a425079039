#include "LayoutStatements.h"

#include "DataModule.h"
#include "SqlRun.h"

#include <QLocale>
#include <QSqlRecord>

namespace {

// The order's sheets and area. Areas are summed in whole mm² and rounded to
// hundredths of m² in integer arithmetic, half up: rounding a double sum differs
// between the backends on exact halves (1.005 m²), the integers never do. Both
// backends accept this text as it stands; sum() of bigint is numeric on PostgreSQL,
// hence the casts back to bigint before the integer division.
const char* const SummaryHalf =
    "select %1 part, coalesce(cast(t.q as varchar) || ' шт./ ' || cast(t.h / 100 as varchar) "
    "|| '.' || case when t.h % 100 < 10 then '0' else '' end || cast(t.h % 100 as varchar) "
    "|| ' м2', '') stroka "
    "from (select cast(sum(ap.Quantity) as bigint) q, "
    "(cast(sum(ap.Width * ap.Height * ap.Quantity) as bigint) + 5000) / 10000 h "
    "from %2 ap where ap.ApplicateID = %3) t";

// The customer is joined loosely: an order recorded without one still gets its
// pallets' size, colour and order number on the note.
const char* const HeaderHalf =
    "select p.ID id, p.Length Length, p.Width Width, "
    "ROW_NUMBER() over (order by c.Code, p.Length, p.Width, p.ID) Number, "
    "c.Name clrname, c.Code clrcode, cu.Name Name2, pw(p.ID) W, ph(p.ID) h, "
    "a.Number OrderNumber "
    "from %1 p inner join Colors c on c.ID = p.ColorID "
    "inner join %2 s on p.ID = s.PalleteID "
    "inner join %3 a on a.ID = s.ApplicateID "
    "inner join %4 ap on ap.ID = s.PosID "
    "inner join Materials m on m.ID = a.MatID "
    "left join Customers cu on cu.ID = a.CustomerID "
    "where s.ApplicateID = %5 and p.ID = %6 "
    "group by p.ID, p.Length, p.Width, p.Number, c.Name, c.Code, cu.Name, a.Number";

// The headers of every pallet of the order at once: the rows of the statement above
// for each pallet, without the columns no block prints (a pallet's own row number is
// 1 whatever its neighbours, its weight and height are not on the note). %6 is the
// part, 1 working and 2 archive, which orders a pallet found in both as the union
// above leaves them.
const char* const HeadersHalf =
    "select p.ID id, p.Length Length, p.Width Width, c.Name clrname, c.Code clrcode, "
    "cu.Name Name2, a.Number OrderNumber, %6 part "
    "from %1 p inner join Colors c on c.ID = p.ColorID "
    "inner join %2 s on p.ID = s.PalleteID "
    "inner join %3 a on a.ID = s.ApplicateID "
    "inner join %4 ap on ap.ID = s.PosID "
    "inner join Materials m on m.ID = a.MatID "
    "left join Customers cu on cu.ID = a.CustomerID "
    "where s.ApplicateID = %5 "
    "group by p.ID, p.Length, p.Width, c.Name, c.Code, cu.Name, a.Number";

// A position's area to one decimal, computed like the summary's (whole mm², half up);
// NULL when the quantity is unknown, which the export refuses.
const char* const ContentsHalf =
    "select ap.Width L, ap.Height B, m.Width Height, coalesce(ap.Quantity, 0) Quantity, "
    "QtyInRow(ap.Height, ap.Quantity) QtyInRow2, "
    "cast((ap.Width * ap.Height * ap.Quantity + 50000) / 100000 as double precision) / 10 "
    "QtyInRow, "
    "coalesce(ap.Comment || ' ', '') || coalesce(s.Comment, '') Comment, s.ID sid, p.ID pid "
    "from %1 p inner join Colors c on c.ID = p.ColorID "
    "inner join %2 s on p.ID = s.PalleteID "
    "inner join %3 a on a.ID = s.ApplicateID "
    "inner join %4 ap on ap.ID = s.PosID "
    "inner join Materials m on m.ID = a.MatID "
    "where s.ApplicateID = %5%6";

// The rows in the order they are loaded (TDataModule::LoadingOrder), as the window
// lists them. Rows of several pallets sort the same way, so each pallet's rows, taken
// in the order they come, are ordered as its own statement orders them.
QString ContentsOrder() {
    return QStringLiteral(") a order by ") +
           TDataModule::LoadingOrder(QStringLiteral("a.L"), QStringLiteral("a.B * a.QtyInRow2"),
                                     QStringLiteral("a.sid"));
}

QString Utf8Text(const char* AText) {
    return QString::fromUtf8(AText);
}

QString Working(const QString& AHalf, const QString& AKey1, const QString& AKey2) {
    return QString(AHalf).arg(QStringLiteral("Palletes"), QStringLiteral("Solutions"),
                              QStringLiteral("Applicates"), QStringLiteral("ApplicatePositions"),
                              AKey1, AKey2);
}

QString Archive(const QString& AHalf, const QString& AKey1, const QString& AKey2) {
    return QString(AHalf).arg(QStringLiteral("Palletes_archive"),
                              QStringLiteral("Solutions_archive"),
                              QStringLiteral("Applicates_archive"),
                              QStringLiteral("ApplicatePositions_archive"), AKey1, AKey2);
}

QVariantMap Keys(const QString& AOrderName, const QString& APalletName, const QVariant& AOrderKey,
                 const QVariant& APalletKey) {
    const QVariant order = SqlRun::KeyValue(AOrderKey);
    const QVariant pallet = SqlRun::KeyValue(APalletKey);
    return {{QLatin1Char(':') + AOrderName + QLatin1Char('1'), order},
            {QLatin1Char(':') + AOrderName + QLatin1Char('2'), order},
            {QLatin1Char(':') + APalletName + QLatin1Char('1'), pallet},
            {QLatin1Char(':') + APalletName + QLatin1Char('2'), pallet}};
}

QString Field(const QSqlRecord& ARecord, const QString& AName) {
    const int i = ARecord.indexOf(AName);
    return i < 0 ? QString() : TLayoutStatements::CellText(ARecord.value(i));
}

} // namespace

TLayoutStatements::TLayoutStatements(TDataModule& AData) : FData(AData) {}

QString TLayoutStatements::SummarySql() {
    return Utf8Text(SummaryHalf)
               .arg(QStringLiteral("1"), QStringLiteral("ApplicatePositions"),
                    QStringLiteral(":apno1")) +
           QStringLiteral(" union all ") +
           Utf8Text(SummaryHalf)
               .arg(QStringLiteral("2"), QStringLiteral("ApplicatePositions_archive"),
                    QStringLiteral(":apno2")) +
           QStringLiteral(" order by part");
}

QString TLayoutStatements::HeaderSql() {
    const QString half = Utf8Text(HeaderHalf);
    return Working(half, QStringLiteral(":apno1"), QStringLiteral(":ptno1")) +
           QStringLiteral(" union all ") +
           Archive(half, QStringLiteral(":apno2"), QStringLiteral(":ptno2")) +
           QStringLiteral(" order by clrcode, Number, Length, Width, id");
}

QString TLayoutStatements::HeadersSql(bool AOnePallet) {
    const QString half = Utf8Text(HeadersHalf);
    const QString working =
        AOnePallet ? QStringLiteral(":apno1 and p.ID = :ptno1") : QStringLiteral(":apno1");
    const QString archive =
        AOnePallet ? QStringLiteral(":apno2 and p.ID = :ptno2") : QStringLiteral(":apno2");
    return Working(half, working, QStringLiteral("1")) + QStringLiteral(" union all ") +
           Archive(half, archive, QStringLiteral("2")) +
           QStringLiteral(" order by id, clrcode, Length, Width, part");
}

QString TLayoutStatements::ContentsSql() {
    const QString half = Utf8Text(ContentsHalf);
    return QStringLiteral("select * from (") +
           Working(half, QStringLiteral(":apid1"), QStringLiteral(" and p.ID = :pdid1")) +
           QStringLiteral(" union all ") +
           Archive(half, QStringLiteral(":apid2"), QStringLiteral(" and p.ID = :pdid2")) +
           ContentsOrder();
}

QString TLayoutStatements::OrderContentsSql() {
    const QString half = Utf8Text(ContentsHalf);
    return QStringLiteral("select * from (") + Working(half, QStringLiteral(":apid1"), QString()) +
           QStringLiteral(" union all ") + Archive(half, QStringLiteral(":apid2"), QString()) +
           ContentsOrder();
}

QString TLayoutStatements::OrderSummary(const QVariant& AOrderKey) const {
    const QVariant key = SqlRun::KeyValue(AOrderKey);
    QString summary;
    for (const QSqlRecord& r : FData.OpenSql(
             SummarySql(), {{QStringLiteral(":apno1"), key}, {QStringLiteral(":apno2"), key}}))
        summary += Field(r, QStringLiteral("stroka"));
    return summary;
}

bool TLayoutStatements::BlockHeader(const QVariant& AOrderKey, const QVariant& APalletKey,
                                    TLayoutHeader* AHeader) const {
    const QList<QSqlRecord> rows = FData.OpenSql(
        HeaderSql(), Keys(QStringLiteral("apno"), QStringLiteral("ptno"), AOrderKey, APalletKey));
    if (rows.isEmpty())
        return false;
    const QSqlRecord& r = rows.first();
    AHeader->OrderNumber = Field(r, QStringLiteral("OrderNumber"));
    AHeader->Length = Field(r, QStringLiteral("Length"));
    AHeader->Width = Field(r, QStringLiteral("Width"));
    AHeader->Name2 = Field(r, QStringLiteral("Name2"));
    AHeader->ClrCode = Field(r, QStringLiteral("clrcode"));
    AHeader->ClrName = Field(r, QStringLiteral("clrname"));
    return true;
}

QList<QStringList> TLayoutStatements::Contents(const QVariant& AOrderKey,
                                               const QVariant& APalletKey) const {
    static const char* const Columns[ContentsColumns] = {
        "L", "B", "Height", "Quantity", "QtyInRow", "QtyInRow2", "Comment"};
    QList<QStringList> table;
    for (const QSqlRecord& r :
         FData.OpenSql(ContentsSql(), Keys(QStringLiteral("apid"), QStringLiteral("pdid"),
                                           AOrderKey, APalletKey))) {
        QStringList cells;
        for (const char* column : Columns)
            cells << Field(r, QLatin1String(column));
        table << cells;
    }
    return table;
}

QString TLayoutStatements::CellText(const QVariant& AValue) {
    if (!AValue.isValid() || AValue.isNull())
        return QString();
    switch (AValue.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale.toString(AValue.toDouble(), 'f', QLocale::FloatingPointShortest);
    }
    default:
        return AValue.toString();
    }
}
