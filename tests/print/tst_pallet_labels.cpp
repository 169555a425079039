// The pallets' codes read back by a decoder from what is printed: the labels of
// gravelon-cli labels-pdf (one a page, and four to an A4 sheet), the shipping notes'
// PDF and the layout workbook's pictures, on both databases. Each page's symbol must
// be its own pallet's code, and its text must say what its note says.
#include "BarcodeReading.h"
#include "CliRun.h"
#include "DataModule.h"
#include "ExportFixture.h"
#include "IniFile.h"
#include "PalletDispatch.h"
#include "PdfText.h"
#include "Settings.h"
#include "TestDatabase.h"
#include "XlsxReadBack.h"

#include <QTemporaryDir>
#include <QTest>

using namespace ExportFixture;

namespace {

// The pages of a written PDF, each page's code as the decoder reads it.
QStringList CodesOnPages(const QString& AFile) {
    QString why;
    const QList<QImage> pages = BarcodeReading::PdfPages(AFile, 200, &why);
    if (pages.isEmpty())
        qWarning("%s", qPrintable(why));
    QStringList codes;
    for (const QImage& page : pages)
        codes << BarcodeReading::Code(page);
    return codes;
}

} // namespace

class TPalletLabelsTest : public QObject {
    Q_OBJECT
private slots:
    void everyPrintReadsBack_data() { TestDb::AddBackendRows(); }
    void everyPrintReadsBack();
};

void TPalletLabelsTest::everyPrintReadsBack() {
    GRAVELON_CONNECT(db);
    const TLayoutOrder o = MakeOrder(*db.Data);
    const QStringList codes = {PalletCode::Of(o.P1), PalletCode::Of(o.P2), PalletCode::Of(o.P3)};
    QTemporaryDir out;

    const QString all = out.filePath(QStringLiteral("этикетки.pdf"));
    CliRun::TResult r = CliRun::Run(db.Db.IniPath, {QStringLiteral("labels-pdf"), all});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    QCOMPARE(CodesOnPages(all), codes);
    const QStringList text = PdfText::Pages(all);
    QCOMPARE(text.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QString page = PdfText::Simplified(text[i]);
        for (const QString& part :
             {OrderNumber, QStringLiteral("Поддон %1 из 3").arg(i + 1), Customer, codes[i]})
            QVERIFY2(page.contains(part), qPrintable(page + QStringLiteral(" / ") + part));
    }
    // Pallet 3 of the fixture: colour 2, 24 sheets on a 3000 × 1200 pallet.
    const QString third = PdfText::Simplified(text[2]);
    QVERIFY2(third.contains(QStringLiteral("Листов: 24")), qPrintable(third));
    QVERIFY2(third.contains(QStringLiteral("Штабель: 3000 × 1200 мм")), qPrintable(third));

    const QString one = out.filePath(QStringLiteral("один.pdf"));
    r = CliRun::Run(db.Db.IniPath, {QStringLiteral("labels-pdf"), one, QStringLiteral("--pallet"),
                                    QString::number(o.P2)});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    QCOMPARE(CodesOnPages(one), QStringList{codes[1]});
    QVERIFY(PdfText::Pages(one).value(0).contains(QStringLiteral("Поддон 2 из 3")));

    // Four to an A4 sheet when the settings say so: one page, read quarter by quarter.
    TIniFile(db.Db.IniPath)
        .WriteString(GravelonSettings::ProgramSection, GravelonSettings::LabelPaperKey,
                     QStringLiteral("true"));
    const QString a4 = out.filePath(QStringLiteral("a4.pdf"));
    r = CliRun::Run(db.Db.IniPath, {QStringLiteral("labels-pdf"), a4});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    const QList<QImage> sheets = BarcodeReading::PdfPages(a4);
    QCOMPARE(sheets.size(), 1);
    const QImage& sheet = sheets.first();
    QStringList read;
    for (int q = 0; q < 4; ++q)
        read << BarcodeReading::Code(sheet.copy((q % 2) * sheet.width() / 2,
                                                (q / 2) * sheet.height() / 2, sheet.width() / 2,
                                                sheet.height() / 2));
    // Three labels: the fourth quarter stays blank.
    QCOMPARE(read, codes + QStringList{QString()});

    // The shipping notes carry the same codes, in the PDF and in the workbook.
    const QString pdf = out.filePath(QStringLiteral("записки.pdf"));
    r = CliRun::Run(db.Db.IniPath, {QStringLiteral("export-pdf"), pdf});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    QCOMPARE(CodesOnPages(pdf), codes);

    const QString book = out.filePath(QStringLiteral("раскладки.xlsx"));
    r = CliRun::Run(db.Db.IniPath, {QStringLiteral("export"), book});
    QVERIFY2(r.Exit == 0, qPrintable(r.Err));
    const TXlsxReadBack workbook(book);
    QStringList inBook;
    for (const TXlsxReadBack::TPicture& p : workbook.Pictures(7)) {
        QImage picture;
        QVERIFY(picture.loadFromData(workbook.Part(p.Media)));
        inBook << BarcodeReading::Code(picture);
    }
    QCOMPARE(inBook, codes);
}

QTEST_GUILESS_MAIN(TPalletLabelsTest)
#include "tst_pallet_labels.moc"
