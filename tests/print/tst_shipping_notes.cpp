// Shipping notes on paper, on both databases: the notes carry what the layout
// workbook's blocks carry, their stacks the order's and the material's limits, and the
// PDF gives one page a note, read back with pdftotext.
#include "DataModule.h"
#include "Errors.h"
#include "ExportFixture.h"
#include "LayoutExport.h"
#include "LayoutStatements.h"
#include "PdfText.h"
#include "ShippingNoteReader.h"
#include "ShippingNotesDocument.h"
#include "TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace ExportFixture;

namespace {

QList<TShippingNote> ReadAll(TDataModule& AData, qlonglong AOrder) {
    return TShippingNoteReader(AData).Read({AOrder, {}, {}}, false);
}

QString ReadFile(const QString& AFile) {
    QFile f(AFile);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().toHex()) : QString();
}

} // namespace

class TstShippingNotes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void sameFieldsAsTheWorkbook_data() { TestDb::AddBackendRows(); }
    void sameFieldsAsTheWorkbook();
    void onePallet_data() { TestDb::AddBackendRows(); }
    void onePallet();
    void shownPalletsRequired_data() { TestDb::AddBackendRows(); }
    void shownPalletsRequired();
    void pdfOneNoteAPage_data() { TestDb::AddBackendRows(); }
    void pdfOneNoteAPage();
    void longNoteRunsOn_data() { TestDb::AddBackendRows(); }
    void longNoteRunsOn();
    void failedSaveKeepsTheFile();
};

void TstShippingNotes::sameFieldsAsTheWorkbook() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);
    for (int pass = 0; pass < 2; ++pass) {
        // The second pass reads the order from the archive, as the workbook export can.
        if (pass == 1)
            db.Data->Archivation();
        const QList<TShippingNote> notes = ReadAll(*db.Data, order.Id);
        QCOMPARE(notes.size(), 3);
        const TLayoutStatements statements(*db.Data);
        const qlonglong pallets[] = {order.P1, order.P2, order.P3};
        for (int i = 0; i < 3; ++i) {
            const TShippingNote& n = notes[i];
            TLayoutHeader header;
            QVERIFY(statements.BlockHeader(order.Id, pallets[i], &header));
            QCOMPARE(n.Number, i + 1);
            QCOMPARE(n.OrderNumber, OrderNumber);
            QCOMPARE(n.Consignee, Customer);
            QCOMPARE(n.OrderSummary, Summary);
            QCOMPARE(n.PalletSize, header.Length + QStringLiteral(" * ") + header.Width);
            QCOMPARE(n.ColourCode, header.ClrCode);
            QCOMPARE(n.ColourName, header.ClrName);
            QCOMPARE(n.Table, statements.Contents(order.Id, pallets[i]));
            QCOMPARE(n.Stack.Bands.size(), n.Table.size());
            QCOMPARE(n.Stack.RowLimit, 50); // material 2
            QCOMPARE(n.Stack.WeightLimit, std::optional<double>(1000));
        }
        // Pallet 1 worked by hand: 2000 × 500 × 5 (two abreast, three rows) is the
        // longer row and lies at the bottom, under 1200 × 300 × 3 (three abreast, one row).
        const TShippingNote& first = notes[0];
        QCOMPARE(first.ColourCode, QStringLiteral("RAL 1015"));
        QCOMPARE(first.PalletSize, QStringLiteral("2000 * 1200"));
        QCOMPARE(first.QuantityTotal, 8.0);
        QCOMPARE(first.AreaTotal, 6.1);
        const TPalletStack& s = first.Stack;
        QCOMPARE(s.PalletLength, 2000);
        QCOMPARE(s.PalletWidth, 1200);
        QCOMPARE(s.Bands[1].Length, 1200);
        QCOMPARE(s.Bands[1].SheetWidth, 300);
        QCOMPARE(s.Bands[1].SheetsAbreast, 3);
        QCOMPARE(s.Bands[1].Rows(), 1);
        QCOMPARE(s.Bands[0].Length, 2000);
        QCOMPARE(s.Bands[0].SheetsAbreast, 2);
        QCOMPARE(s.Bands[0].Rows(), 3);
        QCOMPARE(s.Rows(), 4);
        // (1200·300·3 + 2000·500·5) mm² at 18 kg/m².
        QVERIFY(std::abs(s.Weight() - 109.44) < 1e-9);
    }
}

void TstShippingNotes::onePallet() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);
    const TShippingNoteReader reader(*db.Data);
    const QList<TShippingNote> one = reader.Read({order.Id, order.P3, 3}, true);
    QCOMPARE(one.size(), 1);
    QCOMPARE(one[0].Number, 3);
    QCOMPARE(one[0].ColourCode, QStringLiteral("RAL 9010"));
    QCOMPARE(one[0].Table.size(), 5);
    QCOMPARE(one[0].Table, ReadAll(*db.Data, order.Id)[2].Table);
    // What the workbook export refuses is refused here too.
    QVERIFY_THROWS_EXCEPTION(EGravelonError,
                             reader.Read({order.Id, order.P3, 0}, true));
    QVERIFY_THROWS_EXCEPTION(EGravelonError, reader.Read({QVariant(), {}, {}}, false));
}

// Given what the window shows, the notes are read only while the order still has
// exactly those pallets, and the one printed among them.
void TstShippingNotes::shownPalletsRequired() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);
    TShippingNoteReader reader(*db.Data);
    reader.RequireShownPallets({order.P3, order.P1, order.P2});
    QCOMPARE(reader.Read({order.Id, {}, {}}, false).size(), 3);
    QCOMPARE(reader.Read({order.Id, order.P2, 2}, true).value(0).ColourCode,
             QStringLiteral("RAL 7035"));
    const auto refused = [&](const TExportSelection& ASelection, bool ASingle) {
        try {
            reader.Read(ASelection, ASingle);
        } catch (const EOrderChanged& e) {
            return e.Message() == TLayoutExport::OrderChangedMessage;
        }
        return false;
    };
    QVERIFY(refused({order.Id, order.P2 + 100, 2}, true));
    reader.RequireShownPallets({order.P1, order.P2});
    QVERIFY(refused({order.Id, {}, {}}, false));
    QVERIFY(refused({order.Id, order.P1, 1}, true));
    // Archived, the order keeps its pallets and is printed as before.
    reader.RequireShownPallets({order.P1, order.P2, order.P3});
    db.Data->Archivation();
    QCOMPARE(reader.Read({order.Id, {}, {}}, false).size(), 3);
}

void TstShippingNotes::pdfOneNoteAPage() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder order = MakeOrder(*db.Data);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("раскладки.pdf"));
    const TShippingNotesDocument document(ReadAll(*db.Data, order.Id), ProgramFolder());
    QCOMPARE(document.SavePdf(file), 3);
    QString why;
    const QStringList pages = PdfText::Pages(file, &why);
    QVERIFY2(!pages.isEmpty(), qPrintable(why));
    QCOMPARE(pages.size(), 3);
    const QString first = PdfText::Simplified(pages[0]);
    for (const QString& text : {QStringLiteral("Служебная записка № З-17/2024"),
                                QStringLiteral("Подд. 2000 * 1200"),
                                QStringLiteral("Под.№ 1 Фиброцементные плиты"),
                                QStringLiteral("Грузоотправитель:"),
                                QStringLiteral("Грузополучатель: ООО «Д'Артаньян»"),
                                QStringLiteral("Общий заказ: 34 шт./ 34.26 м2"),
                                QStringLiteral("Дата изготовления: _____________"),
                                QStringLiteral("Номер партии, смена: _____________"),
                                QStringLiteral("Цвет RAL 1015"),
                                QStringLiteral("Длина Ширина Толщина шт. м2"),
                                QStringLiteral("1200 300 10 3 1,1"),
                                QStringLiteral("2000 500 10 5 5"),
                                QStringLiteral("Повернуть на 90 град."),
                                QStringLiteral("ИТОГО: 8 6,1"),
                                QStringLiteral("Вид сбоку"),
                                QStringLiteral("Вид сверху, 2000×1200 мм"),
                                QStringLiteral("Высота, листов: 4 из 50 (8 %)"),
                                QStringLiteral("Вес, кг: 109,44 из 1000 (11 %)"),
                                QStringLiteral("Контроллер ОТКиЛ _____________"),
                                QStringLiteral("Оператор: _____________"),
                                QStringLiteral("Мастер: _____________")})
        QVERIFY2(first.contains(text),
                 qPrintable(text + QStringLiteral(" not on page 1:\n") + first));
    // The signature lines come last, under the drawing.
    QVERIFY(first.indexOf(QStringLiteral("Вид сбоку")) < first.indexOf(QStringLiteral("Мастер:")));
    QVERIFY(PdfText::Simplified(pages[1]).contains(QStringLiteral("Под.№ 2")));
    QVERIFY(PdfText::Simplified(pages[2]).contains(QStringLiteral("Цвет RAL 9010")));
    QVERIFY(!PdfText::Simplified(pages[2]).contains(QStringLiteral("Под.№ 1 ")));
}

void TstShippingNotes::longNoteRunsOn() {
    GRAVELON_CONNECT(db);
    QList<TestDb::TPos> positions;
    for (int i = 0; i < 45; ++i)
        // Shorter and shorter: the rows are printed longest first, "строка 45" last.
        positions.append({1440 - 10 * i, 800, 1, 1, QStringLiteral("строка %1").arg(i + 1)});
    QList<qlonglong> ids;
    const qlonglong order = TestDb::AddOrder(*db.Data, QStringLiteral("Д-45"), QDate(2024, 5, 2), 2,
                                             1000, positions, &ids);
    const qlonglong pallet = TestDb::AddPallet(*db.Data, 1);
    for (qlonglong id : ids)
        TestDb::AddSolution(*db.Data, order, id, pallet, 1, 1);
    const TShippingNotesDocument document(
        TShippingNoteReader(*db.Data).Read({order, pallet, 1}, true),
        ProgramFolder());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("длинная.pdf"));
    QCOMPARE(document.SavePdf(file), 2);
    const QStringList pages = PdfText::Pages(file);
    QCOMPARE(pages.size(), 2);
    const QString second = PdfText::Simplified(pages[1]);
    // The table goes on under its header again, every row printed once.
    QVERIFY(second.contains(QStringLiteral("Служебная записка № Д-45, Под.№ 1 (продолжение)")));
    QVERIFY(second.contains(QStringLiteral("Длина Ширина Толщина шт. м2")));
    QVERIFY(second.contains(QStringLiteral("строка 45")));
    QVERIFY(second.contains(QStringLiteral("ИТОГО: 45")));
    QVERIFY(second.contains(QStringLiteral("Мастер:")));
    const QString all = PdfText::Simplified(pages.join(QLatin1Char('\n')));
    for (int i = 1; i <= 45; ++i)
        QCOMPARE(all.count(QStringLiteral("строка %1 ").arg(i)) +
                     all.count(QStringLiteral("строка %1\n").arg(i)),
                 1);
}

void TstShippingNotes::failedSaveKeepsTheFile() {
    QTemporaryDir dir;
    TShippingNote note;
    note.Number = 1;
    const TShippingNotesDocument document({note}, ProgramFolder());
    // A folder that does not exist: a Russian reason, nothing written.
    const QString missing = dir.filePath(QStringLiteral("нет/файл.pdf"));
    try {
        document.SavePdf(missing);
        QFAIL("saved into a missing folder");
    } catch (const EGravelonError& e) {
        QVERIFY(e.Message().startsWith(QStringLiteral("Не удалось создать файл")));
    }
    QVERIFY(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    // A file that is there is replaced whole, with no temporary left beside it.
    const QString file = dir.filePath(QStringLiteral("a.pdf"));
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    const QString before = ReadFile(file);
    QCOMPARE(document.SavePdf(file), 1);
    QVERIFY(ReadFile(file) != before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.pdf")});
}

QTEST_MAIN(TstShippingNotes)
#include "tst_shipping_notes.moc"
