#include "StartupWindow.h"

#include "DataModule.h"
#include "Errors.h"
#include "IniFile.h"
#include "PictureBox.h"
#include "SettingsLocation.h"
#include "Prompts.h"
#include "MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString ConnectFailedMessage =
    QStringLiteral("Ошибка подключения, настройте подключение к БД!");

QFont Tahoma(int APixels, bool ABold = false) {
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(APixels);
    f.setBold(ABold);
    return f;
}

} // namespace

TStartupWindow::TStartupWindow(TPrompts* APrompts, const QString& ASettingsPath, int ASplashMs, int AProgressMs,
               bool ATrayAvailable, QWidget* AParent)
    : QWidget(AParent, Qt::Window | Qt::FramelessWindowHint), FPrompts(APrompts),
      FSettingsPath(ASettingsPath), FTrayAvailable(ATrayAvailable) {
    setObjectName(QStringLiteral("StartupWindow"));
    setWindowTitle(QStringLiteral("Гравелон"));
    const QString icon = QDir(GravelonSettings::ProgramFolder())
                             .filePath(QStringLiteral("resources/gravelon_icon.png"));
    if (QFileInfo::exists(icon))
        setWindowIcon(QIcon(icon));
    resize(990, 584);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    CreateSplashPanel();
    CreateConnectionPanel();
    Button2 = new QPushButton(QStringLiteral("ОК"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->hide();
    connect(Button2, &QPushButton::clicked, this, &TStartupWindow::Button2Click);
    PlaceControls();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(ASplashMs);
    connect(Timer1, &QTimer::timeout, this, &TStartupWindow::Timer1Timer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(AProgressMs);
    connect(Timer2, &QTimer::timeout, this, &TStartupWindow::Timer2Timer);
    Timer1->start();
    Timer2->start();
}

TStartupWindow::~TStartupWindow() {
    FMainWindow.reset();
    FData.reset();
}

void TStartupWindow::CreateSplashPanel() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAutoFillBackground(true);
    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Highlight));
    Panel1->setPalette(pal);
    Image1 = new TPictureBox(Qt::AlignCenter, Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    ProgressBar1 = new QProgressBar(Panel1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(9);
}

void TStartupWindow::CreateConnectionPanel() {
    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setAutoFillBackground(true);
    auto* v = new QVBoxLayout(Panel2);
    v->setContentsMargins(20, 16, 20, 20);
    auto* title = new QLabel(QStringLiteral("Параметры подключения"), Panel2);
    title->setObjectName(QStringLiteral("Label5"));
    title->setFont(Tahoma(21));
    title->setAlignment(Qt::AlignHCenter);
    v->addWidget(title);
    v->addSpacing(60);

    auto* box = new QWidget(Panel2);
    box->setFixedWidth(460);
    auto* bv = new QVBoxLayout(box);
    bv->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto field = [&](const QString& AName, const QString& ACaption) {
        auto* edit = new QLineEdit(box);
        edit->setObjectName(AName);
        form->addRow(ACaption, edit);
        return edit;
    };
    Edit1 = field(QStringLiteral("Edit1"), QStringLiteral("Сервер"));
    Edit2 = field(QStringLiteral("Edit2"), QStringLiteral("База даных"));
    Edit3 = field(QStringLiteral("Edit3"), QStringLiteral("Логин"));
    Edit4 = field(QStringLiteral("Edit4"), QStringLiteral("Пароль"));
    Edit4->setEchoMode(QLineEdit::Password);
    Edit4->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    bv->addLayout(form);

    auto* hint = new QLabel(
        QStringLiteral("Если поле «Сервер» пустое, программа работает с базой данных на этом "
                       "компьютере: «База даных» — имя её файла (относительно папки файла "
                       "настроек). Иначе «Сервер» — адрес сервера PostgreSQL (адрес или "
                       "адрес:порт), а «База даных» — имя базы на нём."),
        box);
    hint->setObjectName(QStringLiteral("ServerHint"));
    hint->setWordWrap(true);
    QPalette hp = hint->palette();
    hp.setColor(QPalette::WindowText, hp.color(QPalette::PlaceholderText));
    hint->setPalette(hp);
    // Wrapped texts get fixed heights: the panel is laid out by hand, and a label whose
    // height depends on its width would otherwise squeeze the fields.
    hint->setFixedSize(460, hint->heightForWidth(460));
    bv->addWidget(hint);

    FErrorLabel = new QLabel(box);
    FErrorLabel->setObjectName(QStringLiteral("ConnectError"));
    FErrorLabel->setWordWrap(true);
    FErrorLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette ep = FErrorLabel->palette();
    ep.setColor(QPalette::WindowText, QColor(0xb0, 0x20, 0x20));
    FErrorLabel->setPalette(ep);
    FErrorLabel->setFixedSize(460, FErrorLabel->fontMetrics().lineSpacing() * 4 + 4);
    FErrorLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FErrorLabel->hide();
    bv->addWidget(FErrorLabel);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Button1 = new QPushButton(QStringLiteral("Подключение"), box);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    buttons->addWidget(Button1);
    Button3 = new QPushButton(QStringLiteral("Закрыть"), box);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->hide();
    buttons->addWidget(Button3);
    bv->addLayout(buttons);
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    v->addWidget(box, 0, Qt::AlignHCenter);
    v->addStretch(1);

    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, Button1);
    setTabOrder(Button1, Button3);
    connect(Button1, &QPushButton::clicked, this, &TStartupWindow::Button1Click);
    connect(Edit4, &QLineEdit::returnPressed, this, &TStartupWindow::Button1Click);
    // "Закрыть" and "ОК" both only hide the window.
    connect(Button3, &QPushButton::clicked, this, &TStartupWindow::Button2Click);
    Panel2->hide();
}

void TStartupWindow::PlaceControls() {
    const QRect all = rect();
    Panel1->setGeometry(all);
    Panel2->setGeometry(all);
    Image1->setGeometry(Panel1->rect());
    ProgressBar1->setGeometry(10, Panel1->height() - 10 - 9, Panel1->width() - 20, 9);
    if (FVersionLabel) {
        FVersionLabel->adjustSize();
        FVersionLabel->move(Panel1->width() - 30 - FVersionLabel->width(),
                            Panel1->height() - 26 - FVersionLabel->height());
    }
    // 90 wide, so that "ОК" can be read.
    Button2->setGeometry(856, 474, 90, 30);
}

void TStartupWindow::resizeEvent(QResizeEvent* AEvent) {
    QWidget::resizeEvent(AEvent);
    PlaceControls();
}

void TStartupWindow::LoadSplashImage() {
    // The picture is optional: a missing file leaves the panel as it is.
    Image1->LoadFromFile(QDir(GravelonSettings::ProgramFolder())
                             .filePath(QStringLiteral("resources/gravelon_splash.png")));
    if (!FVersionLabel) {
        FVersionLabel = new QLabel(QStringLiteral("Версия 2.0"), Panel1);
        FVersionLabel->setObjectName(QStringLiteral("VersionLabel"));
        FVersionLabel->setFont(QFont(QStringLiteral("Tahoma"), 16, QFont::Bold));
        FVersionLabel->setAttribute(Qt::WA_TranslucentBackground);
        QPalette pal = FVersionLabel->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        FVersionLabel->setPalette(pal);
        PlaceControls();
        FVersionLabel->show();
    }
    FVersionLabel->raise();
}

void TStartupWindow::changeEvent(QEvent* AEvent) {
    QWidget::changeEvent(AEvent);
    if (AEvent->type() == QEvent::ActivationChange && isActiveWindow())
        LoadSplashImage();
}

void TStartupWindow::showEvent(QShowEvent* AEvent) {
    QWidget::showEvent(AEvent);
    LoadSplashImage();
}

void TStartupWindow::closeEvent(QCloseEvent* AEvent) {
    AEvent->accept();
    emit Closed();
}

void TStartupWindow::Timer2Timer() {
    ProgressBar1->setValue(qMin(ProgressBar1->maximum(), ProgressBar1->value() + 10));
}

void TStartupWindow::Timer1Timer() {
    Timer2->stop();
    ProgressBar1->hide();
    Timer1->stop();
    if (!FData)
        FData = std::make_unique<TDataModule>();
    FConnectPurpose = TConnectPurpose::StartUp;
    LoadConnectionSettings();
}

void TStartupWindow::VVodConnect() {
    Panel2->show();
    Panel2->raise();
    Edit1->setFocus();
}

QString TStartupWindow::SettingsFolder() const {
    return QFileInfo(FSettingsPath).absolutePath();
}

TConnectionSettings TStartupWindow::FieldSettings() const {
    return {Edit1->text(), Edit2->text(), Edit3->text(), Edit4->text()};
}

QString TStartupWindow::LastConnectError() const {
    return FErrorLabel->isHidden() ? QString() : FErrorLabel->text();
}

void TStartupWindow::LoadConnectionSettings() {
    const TIniFile ini(FSettingsPath);
    if (ini.Exists()) {
        const TConnectionSettings s = GravelonSettings::ReadConnection(ini);
        Edit1->setText(s.Serv);
        Edit2->setText(s.Baza);
        Edit3->setText(s.Log);
        Edit4->setText(s.Pass);
    } else {
        FPrompts->Message(this, TPrompts::TKind::Plain, GravelonSettings::IniNotFoundMessage);
    }
    ConnectDatabase();
}

void TStartupWindow::ConnectDatabase() {
    if (!FData)
        FData = std::make_unique<TDataModule>();
    QString failure;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        FData->Disconnect();
        FData->Connect(FieldSettings(), SettingsFolder());
    } catch (const EGravelonError& e) {
        failure = e.Message();
    }
    QApplication::restoreOverrideCursor();

    if (!failure.isNull()) {
        FData->Disconnect();
        show();
        Button3->hide();
        // The box says what to do; the panel keeps the database's own words.
        FErrorLabel->setText(failure);
        FErrorLabel->show();
        FPrompts->Message(this, TPrompts::TKind::Warning, ConnectFailedMessage);
        VVodConnect();
        return;
    }
    FErrorLabel->clear();
    FErrorLabel->hide();
    if (FConnectPurpose == TConnectPurpose::StartUp)
        ShowMainWindow();
    else
        ReloadTodayOrders();
}

void TStartupWindow::Button1Click() {
    const TIniFile ini(FSettingsPath);
    if (ini.Exists()) {
        try {
            GravelonSettings::WriteConnection(ini, FieldSettings());
        } catch (const EGravelonError& e) {
            FPrompts->Message(this, TPrompts::TKind::Error, e.Message());
        }
    } else {
        FPrompts->Message(this, TPrompts::TKind::Plain, GravelonSettings::IniNotFoundMessage);
    }
    Panel2->hide();
    LoadConnectionSettings();
}

void TStartupWindow::Button2Click() {
    hide();
}

void TStartupWindow::ShowMainWindow() {
    if (!FMainWindow)
        FMainWindow =
            std::make_unique<TMainWindow>(FData.get(), FPrompts, FSettingsPath, this, FTrayAvailable);
    hide();
    FMainWindow->showMaximized();
}

void TStartupWindow::ReloadTodayOrders() {
    hide();
    try {
        FData->UpdateRabStol(FData->TodayCondition());
    } catch (const EGravelonError& e) {
        FPrompts->Message(FMainWindow.get(), TPrompts::TKind::Error, e.Message());
    }
}

void TStartupWindow::HideStartup() {
    hide();
}

void TStartupWindow::CloseStartup() {
    close();
}

void TStartupWindow::OpenConnectionSettings() {
    Button3->show();
    Button3->raise();
    show();
    VVodConnect();
    FConnectPurpose = TConnectPurpose::Reconnect;
}

void TStartupWindow::ShowAboutView() {
    Button2->show();
    ProgressBar1->hide();
    Panel2->hide();
    Panel1->raise();
    Button2->raise();
    show();
    raise();
    activateWindow();
}
