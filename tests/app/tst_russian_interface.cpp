// The program's interface is Russian under any system locale: the test runs under
// the C locale, as a machine without a Russian locale would start it.
#include "FileDialogs.h"
#include "RussianInterface.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

class TestRussianInterface : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void locale();
    void calendar();
    void messageBoxButtons();
    void fileDialog();
};

void TestRussianInterface::initTestCase() {
    QVERIFY2(QLocale::system().language() != QLocale::Russian,
             "the test must start under a locale that is not Russian");
    QVERIFY2(RussianInterface::Install(*QCoreApplication::instance()),
             "the Russian translation of Qt (qt6-translations-l10n) is missing");
}

void TestRussianInterface::locale() {
    QCOMPARE(QLocale().language(), QLocale::Russian);
    QCOMPARE(QLocale().toString(QDate(2021, 5, 31), QStringLiteral("d MMMM yyyy")),
             QStringLiteral("31 мая 2021"));
    QWidget w;
    QCOMPARE(w.locale().language(), QLocale::Russian);
}

void TestRussianInterface::calendar() {
    // The date picker's drop-down calendar names months and days in Russian.
    QDateEdit edit(QDate(2021, 5, 31));
    edit.setCalendarPopup(true);
    QCalendarWidget* calendar = edit.calendarWidget();
    QVERIFY(calendar);
    QCOMPARE(calendar->locale().language(), QLocale::Russian);
    QCOMPARE(calendar->firstDayOfWeek(), Qt::Monday);
    auto* month = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    QVERIFY(month);
    QCOMPARE(month->text().toLower(), QStringLiteral("май"));
}

void TestRussianInterface::messageBoxButtons() {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Гравелон"), QStringLiteral("?"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Отмена"));
}

void TestRussianInterface::fileDialog() {
    // The dialog as every command makes it.
    const auto made = FileDialogs::Make(nullptr, QStringLiteral("Новая заявка"), QString(), QString());
    QFileDialog& dialog = *made;
    // Qt's own dialog, not the desktop's, which would follow the desktop's language.
    QVERIFY(QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
    QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
    QVERIFY(dialog.iconProvider());
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.show();
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QVERIFY(buttons);
    QCOMPARE(buttons->button(QDialogButtonBox::Open)->text().remove(QLatin1Char('&')),
             QStringLiteral("Открыть"));
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));
    auto* fileTypeLabel = dialog.findChild<QLabel*>(QStringLiteral("fileTypeLabel"));
    QVERIFY(fileTypeLabel);
    QVERIFY2(fileTypeLabel->text().contains(QStringLiteral("файл"), Qt::CaseInsensitive),
             qPrintable(fileTypeLabel->text()));
    dialog.close();
}

int main(int argc, char** argv) {
    // Whatever the machine is set to, the program starts here under the C locale.
    qputenv("LC_ALL", "C.UTF-8");
    qputenv("LANG", "C.UTF-8");
    qputenv("LANGUAGE", "");
    QApplication app(argc, argv);
    TestRussianInterface test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_russian_interface.moc"
