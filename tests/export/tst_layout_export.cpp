#include "DataModule.h"
#include "ExportFixture.h"
#include "LayoutExport.h"
#include "LayoutFileName.h"
#include "ProcessLocale.h"
#include "SqlRun.h"
#include "TestDatabase.h"
#include "XlsxReadBack.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <sys/stat.h>
#include <unistd.h>

using namespace ExportFixture;

namespace {

const QString Blank = QStringLiteral("_____________");
// The default column width, 8.43 characters, as the package stores it (with the cell's
// padding of 5 pixels: (8.43 * 7 + 5) / 7 in 256ths).
constexpr double DefaultStoredWidth = 9.140625;
const QStringList Header = {QStringLiteral("Длина"),      QStringLiteral("Ширина"),
                            QStringLiteral("Толщина"),    QStringLiteral("шт."),
                            QStringLiteral("м2"),         QStringLiteral("К-во в 1 ряду"),
                            QStringLiteral("Комментарий")};

// One block's lines as TXlsxReadBack::Dump gives them.
QStringList ExpectedBlock(const QString& ANumber, const QString& ASize, const QString& ACode,
                          const QString& AName, const QList<QStringList>& ARows, double AQty,
                          double AArea) {
    auto line = [](QStringList ACells) {
        while (ACells.size() < 8)
            ACells << QString();
        return ACells.join(QLatin1Char('|'));
    };
    QStringList b;
    b << line({QString(), QStringLiteral("Служебная записка №"), OrderNumber})
      << line({QString(), QStringLiteral("Подд."), ASize})
      << line({QStringLiteral("Под.№"), ANumber, QStringLiteral(" Фиброцементные плиты")})
      << line({QStringLiteral("Грузоотправитель:")})
      << line({QStringLiteral("Грузополучатель:"), Customer})
      << line({QStringLiteral("Общий заказ:"), Summary})
      << line({QStringLiteral("Дата изготовления:"), Blank})
      << line({QStringLiteral("Номер партии, смена:"), Blank}) << line({})
      << line({QStringLiteral("Цвет"), ACode, QLatin1Char('(') + AName + QLatin1Char(')')})
      << line(Header);
    for (const QStringList& r : ARows)
        b << line(r);
    b << line({QStringLiteral("ИТОГО:"), QString(), QString(),
               QStringLiteral("#") + QString::number(AQty, 'g', 15),
               QStringLiteral("#") + QString::number(AArea, 'g', 15)})
      << line({QStringLiteral("Контроллер ОТКиЛ"), Blank})
      << line({QStringLiteral("Оператор:"), Blank}) << line({QStringLiteral("Мастер:"), Blank})
      << line({});
    return b;
}

// Each pallet's rows from the bottom of the stack: the longest first, then the widest.
const QList<QStringList> P1Rows = {
    {"2000", "500", "10", "5", "5", "2", "первая Повернуть на 90 град."},
    {"1200", "300", "10", "3", "1.1", "3", ""}};
const QList<QStringList> P2Rows = {{"2500", "1200", "10", "2", "6", "1", ""}};
const QList<QStringList> P3Rows = {{"3000", "1200", "10", "4", "14.4", "1", ""},
                                   {"1500", "350", "10", "7", "3.7", "3", "край сверху"},
                                   {"1050", "1000", "10", "1", "1.1", "1", ""},
                                   {"1000", "200", "10", "10", "2", "4", ""},
                                   {"700", "750", "10", "2", "1.1", "2", ""}};

QStringList Files(const QString& AFolder) {
    return QDir(AFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                   QDir::Name);
}

QByteArray ReadAll(const QString& APath) {
    QFile f(APath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& APath, const QByteArray& AData) {
    QFile f(APath);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(AData), AData.size());
}

// A PNG of the size given, with its resolution stated (pixels per inch) or, for 0, left
// unstated.
QByteArray Png(int AWidth, int AHeight, int ADpi) {
    QImage img(AWidth, AHeight, QImage::Format_RGB32);
    img.fill(Qt::darkGray);
    img.setDotsPerMeterX(qRound(ADpi / 0.0254));
    img.setDotsPerMeterY(qRound(ADpi / 0.0254));
    QByteArray data;
    {
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        img.save(&buffer, "PNG");
    }
    if (ADpi > 0)
        return data;
    QByteArray out = data.left(8);
    qsizetype pos = 8;
    while (pos + 12 <= data.size()) {
        const quint32 length = qFromBigEndian<quint32>(data.constData() + pos);
        if (data.mid(pos + 4, 4) != "pHYs")
            out += data.mid(pos, 12 + length);
        pos += 12 + length;
    }
    return out;
}

} // namespace

class TestLayoutExport : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void layoutBlocks_data() { TestDb::AddBackendRows(); }
    void layoutBlocks();
    void singlePallet_data() { TestDb::AddBackendRows(); }
    void singlePallet();
    void archivedOrder_data() { TestDb::AddBackendRows(); }
    void archivedOrder();
    void numberTexts_data();
    void numberTexts();
    void pictureSizedByBitmap_data();
    void pictureSizedByBitmap();
    void failures_data();
    void failures();
    void longCellText_data() { TestDb::AddBackendRows(); }
    void longCellText();
    void orderWithoutPallets_data() { TestDb::AddBackendRows(); }
    void orderWithoutPallets();
    void replacesExistingFile_data() { TestDb::AddBackendRows(); }
    void replacesExistingFile();
    void proposedNames_data();
    void proposedNames();
    void workbookSuffix_data();
    void workbookSuffix();
};

// Pallets with 2, 1 and 5 content rows. Another workstation takes the middle pallet's
// contents away while the export runs: the export writes the order as it stood when
// it began, never a pallet half gone. Blocks start at rows 1, 19 and 36; the next
// would start at 57.
void TestLayoutExport::layoutBlocks() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("раскладки.xlsx"));

    TDataModule other;
    other.Connect(db.Db.Settings, db.Db.Folder);
    TRecorder rec;
    rec.OnStep = [&](int AStep) {
        if (AStep == 1)
            other.ExecSql(
                QStringLiteral("delete from Solutions where PalleteID = %1").arg(order.P2));
    };
    TLayoutExport exporter(*db.Data, ProgramFolder(), rec.Callbacks());
    QVERIFY2(exporter.ExportLayouts(file, TLayoutScope::AllPallets, {order.Id, {}, {}}),
             qPrintable(exporter.LastError()));
    QCOMPARE(rec.Events,
             (QStringList{QStringLiteral("show"), QStringLiteral("max 3"), QStringLiteral("step"),
                          QStringLiteral("step"), QStringLiteral("step"), QStringLiteral("reset"),
                          QStringLiteral("hide"), QStringLiteral("open ") + file,
                          QStringLiteral("info Отчет сохранён в файл:\n") + file}));
    // The other workstation's change is in the database all the same.
    QCOMPARE(
        db.Data
            ->OpenSql(
                QStringLiteral("select count(*) from Solutions where PalleteID = %1").arg(order.P2))
            .value(0)
            .value(0)
            .toInt(),
        0);

    const TXlsxReadBack book(file);
    QVERIFY2(book.Error().isEmpty(), qPrintable(book.Error()));
    QCOMPARE(book.SheetCount(), 1);

    QCOMPARE(book.Dump(1, 18),
             ExpectedBlock(QStringLiteral("1"), QStringLiteral("2000 * 1200"),
                           QStringLiteral("RAL 1015"), QStringLiteral("Светлая слоновая кость"),
                           P1Rows, 8, 6.1));
    QCOMPARE(book.Dump(19, 35), ExpectedBlock(QStringLiteral("2"), QStringLiteral("2500 * 1200"),
                                              QStringLiteral("RAL 7035"),
                                              QStringLiteral("Светло-серый"), P2Rows, 2, 6));
    QCOMPARE(book.Dump(36, 56),
             ExpectedBlock(QStringLiteral("3"), QStringLiteral("3000 * 1200"),
                           QStringLiteral("RAL 9010"), QStringLiteral("Белый"), P3Rows, 24, 22.3));
    QCOMPARE(book.LastRow(), 55);

    // Totals are numbers, everything else text.
    QCOMPARE(book.Type(14, 4), TXlsxReadBack::TCell::Number);
    QCOMPARE(book.Type(14, 5), TXlsxReadBack::TCell::Number);
    QCOMPARE(book.Type(12, 4), TXlsxReadBack::TCell::Text);
    QCOMPARE(book.Type(3, 2), TXlsxReadBack::TCell::Text);

    // C to H of each block's third row are one cell; nothing else is merged.
    for (int r : {1, 19, 36}) {
        QCOMPARE(book.MergedColumns(r + 2, 3), qMakePair(3, 8));
        QVERIFY(!book.MergedRows(r + 2, 3));
        QCOMPARE(book.MergedColumns(r + 2, 2), qMakePair(2, 2));
        QCOMPARE(book.MergedColumns(r, 3), qMakePair(3, 3));
    }
    QCOMPARE(book.MergedRanges(), (QStringList{QStringLiteral("C3:H3"), QStringLiteral("C21:H21"),
                                               QStringLiteral("C38:H38")}));

    // The contents table, header included, is bordered on every side; nothing else is.
    for (int r = 11; r <= 13; ++r)
        for (int c = 1; c <= 7; ++c)
            QVERIFY2(book.Style(r, c).BorderedSides == 4,
                     qPrintable(QStringLiteral("%1,%2").arg(r).arg(c)));
    QCOMPARE(book.Style(29, 7).BorderedSides, 4);
    QCOMPARE(book.Style(50, 1).BorderedSides, 4);
    const QList<QPair<int, int>> plain = {{10, 1}, {11, 8}, {14, 1}, {14, 4},
                                          {31, 4}, {52, 5}, {3, 3}};
    for (const auto& [r, c] : plain)
        QVERIFY2(book.Style(r, c).BorderedSides == 0,
                 qPrintable(QStringLiteral("%1,%2").arg(r).arg(c)));

    // The sheet's font everywhere something was written, left aligned.
    for (int r = 1; r <= 55; ++r) {
        for (int c = 1; c <= 8; ++c) {
            if (book.Type(r, c) == TXlsxReadBack::TCell::Empty)
                continue;
            const TXlsxReadBack::TStyle s = book.Style(r, c);
            QVERIFY2(
                s.Font == QLatin1String("Calibri") && s.Size == 14 && s.Bold && s.Left,
                qPrintable(QStringLiteral("%1,%2: %3 %4").arg(r).arg(c).arg(s.Font).arg(s.Size)));
        }
    }
    QCOMPARE(book.DefaultRowHeight(), 18.75);

    // One picture per block on its first row in column A, the size of C.bmp (96 x 48
    // pixels, 9525 EMU each), all sharing one embedded copy of C.png.
    // Beside each, the pallet's code in column G, on the same row (read back by a
    // decoder in tst_pallet_labels).
    const QList<TXlsxReadBack::TPicture> pictures = book.Pictures(1);
    QList<int> codeRows;
    for (const TXlsxReadBack::TPicture& p : book.Pictures(7))
        codeRows << p.Row;
    QCOMPARE(book.Pictures().size(), 6);
    QCOMPARE(pictures.size(), 3);
    QList<int> rows;
    for (const TXlsxReadBack::TPicture& p : pictures) {
        rows << p.Row;
        QCOMPARE(p.Column, 1);
        QCOMPARE(p.WidthEmu, qint64(96 * 9525));
        QCOMPARE(p.HeightEmu, qint64(48 * 9525));
        // Anchored over rows of 18.75 points (25 pixels): it ends 23 pixels into the
        // block's second row and 96 pixels into column A, so the spreadsheet shows it
        // unstretched.
        QCOMPARE(p.ToRow, p.Row + 1);
        QVERIFY2(qAbs(p.ToRowOffsetEmu - 23 * 9525) < 9525,
                 qPrintable(QString::number(p.ToRowOffsetEmu)));
        // Its stated place agrees: every row above it is 25 pixels high.
        QCOMPARE(p.TopEmu, qint64(p.Row - 1) * 25 * 9525);
        QCOMPARE(p.ToColumn, 1);
        QVERIFY2(qAbs(p.ToColumnOffsetEmu - 96 * 9525) < 9525,
                 qPrintable(QString::number(p.ToColumnOffsetEmu)));
        QCOMPARE(book.Part(p.Media),
                 ReadAll(QDir(ProgramFolder()).filePath(QStringLiteral("resources/C.png"))));
    }
    QCOMPARE(rows, (QList<int>{1, 19, 36}));
    QCOMPARE(codeRows, rows);

    // Columns fitted to their texts: A holds the longest labels, H nothing of its own.
    const QMap<int, double> widths = book.ColumnWidths();
    for (int c = 1; c <= 8; ++c)
        QVERIFY2(widths.contains(c), qPrintable(QString::number(c)));
    QVERIFY(widths[1] > widths[4]);
    QVERIFY(widths[7] > widths[6]); // "первая Повернуть на 90 град." is long
    QVERIFY(widths[3] > DefaultStoredWidth);
    QCOMPARE(widths[8], DefaultStoredWidth);

    // One shipping note a page: A4 portrait, narrow margins, the columns fitted to
    // one page wide, every block after the first from the top of a page, the print
    // area on the used range.
    const TXlsxReadBack::TPageSetup page = book.PageSetup();
    QCOMPARE(page.Paper, 9);
    QCOMPARE(page.Orientation, QStringLiteral("portrait"));
    QVERIFY(page.FitToPage);
    QCOMPARE(page.FitToWidth, 1);
    QCOMPARE(page.FitToHeight, 0);
    QCOMPARE(page.Left, 0.25);
    QCOMPARE(page.Right, 0.25);
    QCOMPARE(page.Top, 0.75);
    QCOMPARE(page.Bottom, 0.75);
    QCOMPARE(page.PageStarts, (QList<int>{19, 36}));
    QCOMPARE(page.PrintArea, QStringLiteral("$A$1:$H$55"));

}

// A pallet gets the same number and block in both modes: the label shows the pallet
// list's number, and the one-pallet export writes exactly that one block from row 1.
void TestLayoutExport::singlePallet() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);
    QTemporaryDir out;
    const QString all = out.filePath(QStringLiteral("all.xlsx"));
    TLayoutExport exporter(*db.Data, ProgramFolder());
    QVERIFY2(exporter.ExportLayouts(all, TLayoutScope::AllPallets, {order.Id, {}, {}}),
             qPrintable(exporter.LastError()));
    const TXlsxReadBack whole(all);
    QVERIFY2(whole.Error().isEmpty(), qPrintable(whole.Error()));

    db.Data->OpenPallets(order.Id);
    const TStaticQueryModel* list = db.Data->Pallets();
    QCOMPARE(list->RowCount(), 3);
    // Blocks of the whole export: 2, 1 and 5 rows.
    const QList<QPair<int, int>> blocks = {{1, 18}, {19, 35}, {36, 56}};
    for (int row = 0; row < list->RowCount(); ++row) {
        const QVariant id = list->Value(row, QStringLiteral("id"));
        const QString label = list->Value(row, QStringLiteral("Number")).toString();
        QCOMPARE(label, QString::number(row + 1));
        const QString one = out.filePath(QStringLiteral("one%1.xlsx").arg(row));
        TRecorder rec;
        TLayoutExport single(*db.Data, ProgramFolder(), rec.Callbacks());
        QVERIFY2(single.ExportLayouts(one, TLayoutScope::OnePallet, {order.Id, id, label.toInt()}),
                 qPrintable(single.LastError()));
        QCOMPARE(rec.Count(QStringLiteral("max")), 1);
        QVERIFY(rec.Events.contains(QStringLiteral("max 1")));
        QCOMPARE(rec.Count(QStringLiteral("step")), 1);

        const TXlsxReadBack book(one);
        QVERIFY2(book.Error().isEmpty(), qPrintable(book.Error()));
        const auto [first, last] = blocks.at(row);
        QCOMPARE(book.Dump(1, last - first + 1), whole.Dump(first, last));
        QCOMPARE(book.LastRow(), last - first);
        QCOMPARE(book.Pictures(1).size(), 1);
        // One note: one page, no break.
        QVERIFY(book.PageSetup().PageStarts.isEmpty());
        QCOMPARE(book.PageSetup().PrintArea, QStringLiteral("$A$1:$H$%1").arg(last - first));
    }
    QCOMPARE(whole.PageSetup().PageStarts, (QList<int>{19, 36}));

    // The number is the one given, whatever the list says.
    const QString seven = out.filePath(QStringLiteral("seven.xlsx"));
    QVERIFY(exporter.ExportLayouts(seven, TLayoutScope::OnePallet,
                                   {order.Id, order.P1, 7}));
    const TXlsxReadBack book(seven);
    QCOMPARE(book.Text(3, 2), QStringLiteral("7"));
    QCOMPARE(book.Text(2, 3), QStringLiteral("2000 * 1200"));
}

// An archived order reads the same: every statement unites working and archive tables.
void TestLayoutExport::archivedOrder() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);
    QTemporaryDir out;
    TLayoutExport exporter(*db.Data, ProgramFolder());
    const QString before = out.filePath(QStringLiteral("before.xlsx"));
    QVERIFY(exporter.ExportLayouts(before, TLayoutScope::AllPallets, {order.Id, {}, {}}));

    db.Data->Archivation();
    QCOMPARE(TestDb::Dump(*db.Data, QStringLiteral("Palletes")).size(), 0);
    QCOMPARE(TestDb::Dump(*db.Data, QStringLiteral("Palletes_archive")).size(), 3);
    const QString after = out.filePath(QStringLiteral("after.xlsx"));
    QVERIFY2(exporter.ExportLayouts(after, TLayoutScope::AllPallets, {order.Id, {}, {}}),
             qPrintable(exporter.LastError()));
    const QString single = out.filePath(QStringLiteral("single.xlsx"));
    QVERIFY(exporter.ExportLayouts(single, TLayoutScope::OnePallet,
                                   {order.Id, order.P3, 3}));

    const TXlsxReadBack a(before), b(after), s(single);
    QVERIFY(a.Error().isEmpty() && b.Error().isEmpty() && s.Error().isEmpty());
    QCOMPARE(b.LastRow(), 55);
    QCOMPARE(b.Dump(1, 56), a.Dump(1, 56));
    QCOMPARE(b.Text(6, 2), Summary);
    QCOMPARE(s.Dump(1, 21), a.Dump(36, 56));
}

// Areas are rounded half up from whole mm² on both backends; the cells show numbers in
// the user's locale and the totals read them back in it; the summary is the database's.
void TestLayoutExport::numberTexts_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("thickness");
    for (auto [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}}) {
        QTest::addRow("%s C", name)
            << backend << QStringLiteral("C") << QStringLiteral("1.1") << QStringLiteral("9.5");
        QTest::addRow("%s ru", name)
            << backend << QStringLiteral("ru_RU") << QStringLiteral("1,1") << QStringLiteral("9,5");
    }
}

void TestLayoutExport::numberTexts() {
    GRAVELON_CONNECT(db);
    QFETCH(QString, locale);
    QFETCH(QString, area);
    QFETCH(QString, thickness);
    QLocale::setDefault(QLocale(locale));
    db.Data->ExecSql(QStringLiteral("update Materials set Width = 9.5 where ID = 2"));
    QList<qlonglong> pos;
    const qlonglong order =
        TestDb::AddOrder(*db.Data, QStringLiteral("Ч-1"), QDate(2024, 1, 2), 2, {},
                         {{1050, 1000, 4, 1, {}},     // 1.05 m²
                          {1005, 1000, 4, 1, {}},     // 1.005 m²
                          {1230, 1000, 4, 1000, {}}}, // 1230 m²
                         &pos);
    const qlonglong pallet = TestDb::AddPallet(*db.Data, 4);
    for (qlonglong p : pos)
        TestDb::AddSolution(*db.Data, order, p, pallet, 1, 1);
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("n.xlsx"));
    TLayoutExport exporter(*db.Data, ProgramFolder());
    QVERIFY2(exporter.ExportLayouts(file, TLayoutScope::AllPallets, {order, {}, {}}),
             qPrintable(exporter.LastError()));
    const TXlsxReadBack book(file);
    QVERIFY2(book.Error().isEmpty(), qPrintable(book.Error()));
    // 1002 sheets, 1232.055 m² -> 1232.06, never grouped, always with a point.
    QCOMPARE(book.Text(6, 2), QStringLiteral("1002 шт./ 1232.06 м2"));
    // Longest row first: 1230, 1050, 1005 mm.
    QCOMPARE(book.Text(12, 5), QStringLiteral("1230")); // no digit grouping
    QCOMPARE(book.Text(13, 5), area);                   // 1.05 -> 1.1
    QCOMPARE(book.Text(14, 5), QStringLiteral("1"));    // 1.005 -> 1.0
    QCOMPARE(book.Text(12, 3), thickness);
    QCOMPARE(book.Number(15, 4), 1002.0);
    QCOMPARE(book.Number(15, 5), 1232.1);
}

// The picture appears at the size of C.bmp whatever the PNG's own pixels and
// resolution.
void TestLayoutExport::pictureSizedByBitmap_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("dpi");
    QTest::newRow("same pixels, no resolution") << 96 << 48 << 0;
    QTest::newRow("twice the pixels") << 192 << 96 << 0;
    QTest::newRow("twice the pixels at 192 dpi") << 192 << 96 << 192;
    QTest::newRow("square at 72 dpi") << 40 << 40 << 72;
}

void TestLayoutExport::pictureSizedByBitmap() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, dpi);
    QTemporaryDir program;
    QVERIFY(QDir(program.path()).mkdir(QStringLiteral("resources")));
    QVERIFY(QFile::copy(QDir(ProgramFolder()).filePath(QStringLiteral("resources/C.bmp")),
                        program.filePath(QStringLiteral("resources/C.bmp"))));
    WriteAll(program.filePath(QStringLiteral("resources/C.png")), Png(width, height, dpi));

    TestDb::TConnected db;
    QString why;
    QVERIFY2(TestDb::Connect(TBackend::Sqlite, &db, &why), qPrintable(why));
    const TLayoutOrder order = MakeOrder(*db.Data);
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("p.xlsx"));
    TLayoutExport exporter(*db.Data, program.path());
    QVERIFY2(exporter.ExportLayouts(file, TLayoutScope::OnePallet,
                                    {order.Id, order.P1, 1}),
             qPrintable(exporter.LastError()));
    const QList<TXlsxReadBack::TPicture> pictures = TXlsxReadBack(file).Pictures(1);
    QCOMPARE(pictures.size(), 1);
    QCOMPARE(pictures.first().WidthEmu, qint64(96 * 9525));
    QCOMPARE(pictures.first().HeightEmu, qint64(48 * 9525));
}

// Every failure: the one message, the panel hidden, nothing opened, and a file of the
// target's name exactly as it was; no temporary file is left behind.
void TestLayoutExport::failures_data() {
    QTest::addColumn<TBackend>("backend");
    QTest::addColumn<QString>("failure");
    const char* const cases[] = {"pallet number negative", "pallet without a number",
                                 "no bitmap",          "no png",
                                 "damaged png",        "unknown area",
                                 "folder missing",     "target is a folder",
                                 "read-only folder",   "png removed before saving",
                                 "target is a FIFO",   "target links to a FIFO"};
    for (auto [name, backend] :
         {std::pair{"sqlite", TBackend::Sqlite}, std::pair{"postgres", TBackend::Postgres}})
        for (const char* failure : cases)
            QTest::addRow("%s %s", name, failure) << backend << QString::fromLatin1(failure);
}

void TestLayoutExport::failures() {
    QFETCH(QString, failure);
    if (failure == QLatin1String("read-only folder") && ::geteuid() == 0)
        QSKIP("the superuser writes into read-only folders");
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);

    // A program folder of its own, so pictures can go missing.
    QTemporaryDir program;
    QVERIFY(QDir(program.path()).mkdir(QStringLiteral("resources")));
    const QString resources = QDir(ProgramFolder()).filePath(QStringLiteral("resources"));
    for (const char* name : {"C.bmp", "C.png"}) {
        const QString n = QLatin1String(name);
        if ((failure == QLatin1String("no bitmap") && n == QLatin1String("C.bmp")) ||
            (failure == QLatin1String("no png") && n == QLatin1String("C.png")))
            continue;
        if (failure == QLatin1String("damaged png") && n == QLatin1String("C.png"))
            WriteAll(program.filePath(QStringLiteral("resources/C.png")),
                     ReadAll(QDir(resources).filePath(n)).left(60));
        else
            QVERIFY(QFile::copy(QDir(resources).filePath(n),
                                program.filePath(QStringLiteral("resources/") + n)));
    }

    QTemporaryDir out;
    QString file = out.filePath(QStringLiteral("раскладка.xlsx"));
    const QByteArray old = "the workbook saved yesterday\n";
    WriteAll(file, old);
    TLayoutScope scope = TLayoutScope::AllPallets;
    TExportSelection selection{order.Id, {}, {}};
    if (failure.startsWith(QLatin1String("pallet"))) {
        scope = TLayoutScope::OnePallet;
        selection.PalletId = order.P1;
        selection.PalletNumber = failure == QLatin1String("pallet without a number") ? 0 : -3;
    } else if (failure == QLatin1String("unknown area")) {
        // The last pallet holds a position whose quantity is unknown: its area is empty
        // and cannot be added up, after two blocks have been written.
        db.Data->ExecSql(QStringLiteral("update ApplicatePositions set Quantity = null where ID = "
                                        "(select PosID from Solutions where PalleteID = %1 "
                                        "order by ID desc limit 1)")
                             .arg(order.P3));
    } else if (failure == QLatin1String("folder missing")) {
        file = out.filePath(QStringLiteral("нет такой папки/раскладка.xlsx"));
    } else if (failure == QLatin1String("target is a folder")) {
        file = out.filePath(QStringLiteral("папка.xlsx"));
        QVERIFY(QDir(out.path()).mkdir(QStringLiteral("папка.xlsx")));
    } else if (failure == QLatin1String("read-only folder")) {
        QVERIFY(QFile::setPermissions(out.path(), QFile::ReadOwner | QFile::ExeOwner));
    } else if (failure.contains(QLatin1String("FIFO"))) {
        // A rename would put a regular file in the FIFO's place (as it would in a
        // device's), with the mode read from it.
        file = out.filePath(QStringLiteral("канал"));
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0666), 0);
        if (failure == QLatin1String("target links to a FIFO")) {
            QVERIFY(QFile::link(file, out.filePath(QStringLiteral("ссылка.xlsx"))));
            file = out.filePath(QStringLiteral("ссылка.xlsx"));
        }
    }
    const QStringList filesBefore = Files(out.path());

    TRecorder rec;
    if (failure == QLatin1String("png removed before saving")) {
        // The writer copies the picture into the package when it saves, so the save
        // itself fails, after it has begun writing the file.
        rec.OnStep = [&](int AStep) {
            if (AStep == 3)
                QFile::remove(program.filePath(QStringLiteral("resources/C.png")));
        };
    }
    TLayoutExport exporter(*db.Data, program.path(), rec.Callbacks());
    const bool ok = exporter.ExportLayouts(file, scope, selection);
    QFile::setPermissions(out.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!ok);
    QVERIFY(!exporter.LastError().isEmpty());
    qInfo() << failure << "->" << exporter.LastError();

    // The system's own text, then the cause on a line of its own.
    QCOMPARE(rec.Messages().size(), 1);
    const QString shown = rec.Messages().first();
    QVERIFY2(shown.startsWith(QStringLiteral("plain Ошибка формирования ракладки!\n")),
             qPrintable(shown));
    QCOMPARE(shown.section(QLatin1Char('\n'), 1), exporter.LastError());
    const QHash<QString, QString> causes = {
        {QStringLiteral("folder missing"), QStringLiteral("не существует")},
        {QStringLiteral("target is a folder"), QStringLiteral("является папкой")},
        {QStringLiteral("target is a FIFO"), QStringLiteral("не является обычным файлом")},
        {QStringLiteral("target links to a FIFO"), QStringLiteral("не является обычным файлом")},
        {QStringLiteral("png removed before saving"),
         QStringLiteral("Ошибка записи книги (workbook_close): не удалось записать файл книги или "
                        "прочитать рисунок")}};
    if (causes.contains(failure))
        QVERIFY2(shown.contains(causes.value(failure)), qPrintable(shown));
    QCOMPARE(rec.Count(QStringLiteral("hide")), 1);
    QCOMPARE(rec.Count(QStringLiteral("open")), 0);
    QCOMPARE(rec.Count(QStringLiteral("reset")), 0);
    QCOMPARE(rec.Events.first(), QStringLiteral("show"));
    QCOMPARE(rec.Events.last(), QStringLiteral("hide"));
    // A bad label is refused before the progress bar is even sized.
    QCOMPARE(rec.Count(QStringLiteral("max")), failure.startsWith(QLatin1String("pallet")) ? 0 : 1);
    if (failure == QLatin1String("unknown area"))
        QCOMPARE(rec.Count(QStringLiteral("step")), 2);
    if (failure == QLatin1String("png removed before saving")) {
        QCOMPARE(rec.Count(QStringLiteral("step")), 3);
        QVERIFY2(exporter.LastError().contains(QLatin1String("workbook_close")),
                 qPrintable(exporter.LastError()));
    }

    QCOMPARE(ReadAll(out.filePath(QStringLiteral("раскладка.xlsx"))), old);
    QCOMPARE(Files(out.path()), filesBefore);
    if (failure == QLatin1String("target is a folder"))
        QVERIFY(QFileInfo(file).isDir() && Files(file).isEmpty());
    if (failure.contains(QLatin1String("FIFO"))) {
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &st), 0);
        QVERIFY(S_ISFIFO(st.st_mode));
    }
}

// A comment longer than a cell of the format holds is cut to 32,766 characters and "…";
// the export succeeds and says what it cut.
void TestLayoutExport::longCellText() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);
    // Cyrillic, with a character outside the basic plane just where the cut falls.
    QString comment = QString(32765, QChar(0x0436)) + QString::fromUtf8("\U0001F600") +
                      QString(40000, QChar(0x0436));
    SqlRun::Exec(db.Data->Connection(),
                 QStringLiteral("update ApplicatePositions set Comment = :c where ID = (select "
                                "PosID from Solutions where PalleteID = :p order by ID limit 1)"),
                 {{QStringLiteral(":c"), comment}, {QStringLiteral(":p"), order.P2}});
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("длинный.xlsx"));
    TRecorder rec;
    TLayoutExport exporter(*db.Data, ProgramFolder(), rec.Callbacks());
    QVERIFY2(exporter.ExportLayouts(file, TLayoutScope::AllPallets, {order.Id, {}, {}}),
             qPrintable(exporter.LastError()));
    QCOMPARE(exporter.Warning(), TLayoutExport::CutWarning(1));
    QCOMPARE(rec.Messages(), QStringList{QStringLiteral("info Отчет сохранён в файл:\n") + file +
                                         QStringLiteral("\n\n") + exporter.Warning()});
    const TXlsxReadBack book(file);
    QVERIFY2(book.Error().isEmpty(), qPrintable(book.Error()));
    QString cut;
    for (int row = 1; row <= book.LastRow(); ++row)
        if (book.Text(row, 7).size() > 1000)
            cut = book.Text(row, 7);
    QCOMPARE(cut, QString(32765, QChar(0x0436)) + QChar(0x2026));
}

// An order without pallets still gets its (empty, formatted) workbook, saved,
// opened and reported.
void TestLayoutExport::orderWithoutPallets() {
    GRAVELON_CONNECT(db);
    const qlonglong order = TestDb::AddOrder(*db.Data, QStringLiteral("П-0"), QDate(2024, 5, 6), 1,
                                             {}, {{1000, 500, 1, 3, {}}});
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("пусто.xlsx"));
    TRecorder rec;
    TLayoutExport exporter(*db.Data, ProgramFolder(), rec.Callbacks());
    QVERIFY2(exporter.ExportLayouts(file, TLayoutScope::AllPallets, {order, {}, {}}),
             qPrintable(exporter.LastError()));
    QCOMPARE(rec.Events,
             (QStringList{QStringLiteral("show"), QStringLiteral("max 0"), QStringLiteral("reset"),
                          QStringLiteral("hide"), QStringLiteral("open ") + file,
                          QStringLiteral("info Отчет сохранён в файл:\n") + file}));
    const TXlsxReadBack book(file);
    QVERIFY2(book.Error().isEmpty(), qPrintable(book.Error()));
    QCOMPARE(book.SheetCount(), 1);
    QCOMPARE(book.LastRow(), 0);
    QVERIFY(book.Pictures().isEmpty());
    QCOMPARE(book.ColumnWidths().value(1), DefaultStoredWidth);
    QVERIFY(book.PageSetup().PageStarts.isEmpty());
    QCOMPARE(book.PageSetup().PrintArea, QString());
    QCOMPARE(book.PageSetup().Paper, 9);
    QCOMPARE(Files(out.path()), QStringList{QStringLiteral("пусто.xlsx")});
}

// Saving over an existing file asks nothing, replaces it whole and keeps its
// permissions; the name is used exactly as given, without an added extension.
void TestLayoutExport::replacesExistingFile() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("раскладка"));
    WriteAll(file, QByteArray(100000, 'x'));
    const QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(file, perms));
    TRecorder rec;
    TLayoutExport exporter(*db.Data, ProgramFolder(), rec.Callbacks());
    QVERIFY(exporter.ExportLayouts(file, TLayoutScope::AllPallets, {order.Id, {}, {}}));
    QCOMPARE(rec.Messages(), QStringList{QStringLiteral("info Отчет сохранён в файл:\n") + file});
    QCOMPARE(Files(out.path()), QStringList{QStringLiteral("раскладка")});
    QCOMPARE(QFile::permissions(file).toInt() & 0x7077, perms.toInt() & 0x7077);
    const TXlsxReadBack book(file);
    QVERIFY2(book.Error().isEmpty(), qPrintable(book.Error()));
    QCOMPARE(book.Text(1, 3), OrderNumber);
}

// The save dialog's proposal: order number and date, as either backend returns the
// date, with what a file name cannot hold replaced.
void TestLayoutExport::proposedNames_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QVariant>("date");
    QTest::addColumn<int>("pallet");
    QTest::addColumn<QString>("name");
    QTest::newRow("date as text") << "З-102-10" << QVariant(QStringLiteral("2026-12-08")) << -1
                                  << "Раскладки З-102-10 2026-12-08.xlsx";
    QTest::newRow("date as date") << "З-102-10" << QVariant(QDate(2026, 12, 8)) << -1
                                  << "Раскладки З-102-10 2026-12-08.xlsx";
    QTest::newRow("date with a time") << "7" << QVariant(QStringLiteral("2026-12-08T00:00:00"))
                                      << -1 << "Раскладки 7 2026-12-08.xlsx";
    QTest::newRow("slash") << "З-102/10" << QVariant(QDate(2026, 12, 8)) << -1
                           << "Раскладки З-102-10 2026-12-08.xlsx";
    QTest::newRow("windows characters") << "a\\b:c*d?e\"f<g>h|i" << QVariant(QDate(2026, 1, 2))
                                        << -1 << "Раскладки a-b-c-d-e-f-g-h-i 2026-01-02.xlsx";
    QTest::newRow("control characters")
        << "A\tB\nC" << QVariant(QDate(2026, 1, 2)) << -1 << "Раскладки A-B-C 2026-01-02.xlsx";
    QTest::newRow("dots and blanks at the end")
        << " ../.. " << QVariant(QDate(2026, 1, 2)) << -1 << "Раскладки ..- 2026-01-02.xlsx";
    QTest::newRow("no number") << "" << QVariant(QDate(2026, 1, 2)) << -1
                               << "Раскладки 2026-01-02.xlsx";
    QTest::newRow("no date") << "З-1" << QVariant() << -1 << "Раскладки З-1.xlsx";
    QTest::newRow("unreadable date")
        << "З-1" << QVariant(QStringLiteral("вчера")) << -1 << "Раскладки З-1.xlsx";
    QTest::newRow("one pallet") << "З-1" << QVariant(QDate(2026, 1, 2)) << 3
                                << "Раскладка З-1 2026-01-02 поддон 3.xlsx";
}

void TestLayoutExport::proposedNames() {
    QFETCH(QString, number);
    QFETCH(QVariant, date);
    QFETCH(int, pallet);
    QFETCH(QString, name);
    QCOMPARE(TLayoutFileName::Proposed(number, date, pallet), name);
    // The PDF of the same notes is named alike.
    QCOMPARE(TLayoutFileName::Proposed(number, date, pallet, TLayoutFileName::PdfSuffix),
             name.chopped(4) + QStringLiteral("pdf"));
}

void TestLayoutExport::workbookSuffix_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("used");
    QTest::addColumn<QString>("pdf"); // what a PDF's save makes of it
    QTest::newRow("none") << "/tmp/раскладки"
                          << "/tmp/раскладки.xlsx"
                          << "/tmp/раскладки.pdf";
    QTest::newRow("xlsx") << "/tmp/раскладки.xlsx"
                          << "/tmp/раскладки.xlsx"
                          << "/tmp/раскладки.xlsx";
    QTest::newRow("xls kept") << "/tmp/раскладки.xls"
                              << "/tmp/раскладки.xls"
                              << "/tmp/раскладки.xls";
    QTest::newRow("other kept") << "/tmp/раскладки.ods"
                                << "/tmp/раскладки.ods"
                                << "/tmp/раскладки.ods";
    QTest::newRow("trailing dot") << "/tmp/раскладки."
                                  << "/tmp/раскладки.xlsx"
                                  << "/tmp/раскладки.pdf";
    QTest::newRow("dot in the folder") << "/tmp/папка.1/раскладки"
                                       << "/tmp/папка.1/раскладки.xlsx"
                                       << "/tmp/папка.1/раскладки.pdf";
    QTest::newRow("dotted number") << "/tmp/Раскладки З-1.5 2026-12-08"
                                   << "/tmp/Раскладки З-1.5 2026-12-08.xlsx"
                                   << "/tmp/Раскладки З-1.5 2026-12-08.pdf";
    QTest::newRow("digits only") << "/tmp/заявка.10"
                                 << "/tmp/заявка.10.xlsx"
                                 << "/tmp/заявка.10.pdf";
}

void TestLayoutExport::workbookSuffix() {
    QFETCH(QString, typed);
    QFETCH(QString, used);
    QFETCH(QString, pdf);
    QCOMPARE(TLayoutFileName::WithWorkbookSuffix(typed), used);
    QCOMPARE(TLayoutFileName::WithSuffix(typed, TLayoutFileName::PdfSuffix), pdf);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // As in the program: libxlsxwriter writes numbers with the C library's locale, which
    // the application object has just set from the environment (6,1 under ru_RU).
    ProcessLocale::UseCNumericFormatting();
    TestLayoutExport test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_layout_export.moc"
