#include "StartupWindow.h"

#include "DataModule.h"
#include "Errors.h"
#include "HelpWindow.h"
#include "IniFile.h"
#include "MainWindow.h"
#include "PictureBox.h"
#include "ProgramVersion.h"
#include "Prompts.h"
#include "ScreenFit.h"
#include "SettingsLocation.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
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

TStartupWindow::TStartupWindow(TPrompts* APrompts, const QString& ASettingsPath, int ASplashMs,
                               int AProgressMs, bool ATrayAvailable, QWidget* AParent)
    : QWidget(AParent, Qt::Window | Qt::FramelessWindowHint), FPrompts(APrompts),
      FSettingsPath(ASettingsPath), FTrayAvailable(ATrayAvailable) {
    setObjectName(QStringLiteral("StartupWindow"));
    setProperty(THelpWindow::PageProperty, QStringLiteral("connect.html"));
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
    FAboutOkButton = new QPushButton(QStringLiteral("ОК"), this);
    FAboutOkButton->setObjectName(QStringLiteral("AboutOkButton"));
    FAboutOkButton->hide();
    connect(FAboutOkButton, &QPushButton::clicked, this, &TStartupWindow::OnHideClicked);
    PlaceControls();

    FSplashTimer = new QTimer(this);
    FSplashTimer->setObjectName(QStringLiteral("SplashTimer"));
    FSplashTimer->setInterval(ASplashMs);
    connect(FSplashTimer, &QTimer::timeout, this, &TStartupWindow::OnSplashElapsed);
    FSplashProgressTimer = new QTimer(this);
    FSplashProgressTimer->setObjectName(QStringLiteral("SplashProgressTimer"));
    FSplashProgressTimer->setInterval(AProgressMs);
    connect(FSplashProgressTimer, &QTimer::timeout, this, &TStartupWindow::OnSplashProgressTick);
    FSplashTimer->start();
    FSplashProgressTimer->start();
}

TStartupWindow::~TStartupWindow() {
    FMainWindow.reset();
    FData.reset();
}

void TStartupWindow::CreateSplashPanel() {
    FSplashPanel = new QWidget(this);
    FSplashPanel->setObjectName(QStringLiteral("SplashPanel"));
    FSplashPanel->setAutoFillBackground(true);
    QPalette pal = FSplashPanel->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Highlight));
    FSplashPanel->setPalette(pal);
    FSplashImage = new TPictureBox(Qt::AlignCenter, FSplashPanel);
    FSplashImage->setObjectName(QStringLiteral("SplashImage"));
    FSplashProgress = new QProgressBar(FSplashPanel);
    FSplashProgress->setObjectName(QStringLiteral("SplashProgress"));
    FSplashProgress->setRange(0, 100);
    FSplashProgress->setValue(0);
    FSplashProgress->setTextVisible(false);
    FSplashProgress->setFixedHeight(9);
}

void TStartupWindow::CreateConnectionPanel() {
    FConnectionPanel = new QWidget(this);
    FConnectionPanel->setObjectName(QStringLiteral("ConnectionPanel"));
    FConnectionPanel->setAutoFillBackground(true);
    auto* v = new QVBoxLayout(FConnectionPanel);
    v->setContentsMargins(20, 16, 20, 20);
    auto* title = new QLabel(QStringLiteral("Параметры подключения"), FConnectionPanel);
    title->setObjectName(QStringLiteral("ConnectionTitle"));
    title->setFont(Tahoma(21));
    title->setAlignment(Qt::AlignHCenter);
    v->addWidget(title);
    v->addSpacing(60);

    auto* box = new QWidget(FConnectionPanel);
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
    FServerEdit = field(QStringLiteral("ServerEdit"), QStringLiteral("Сервер"));
    FDatabaseEdit = field(QStringLiteral("DatabaseEdit"), QStringLiteral("База даных"));
    FUserEdit = field(QStringLiteral("UserEdit"), QStringLiteral("Логин"));
    FPasswordEdit = field(QStringLiteral("PasswordEdit"), QStringLiteral("Пароль"));
    FPasswordEdit->setEchoMode(QLineEdit::Password);
    FPasswordEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
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
    FConnectButton = new QPushButton(QStringLiteral("Подключение"), box);
    FConnectButton->setObjectName(QStringLiteral("ConnectButton"));
    FConnectButton->setDefault(true);
    buttons->addWidget(FConnectButton);
    FCloseButton = new QPushButton(QStringLiteral("Закрыть"), box);
    FCloseButton->setObjectName(QStringLiteral("CloseButton"));
    FCloseButton->hide();
    buttons->addWidget(FCloseButton);
    bv->addLayout(buttons);
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    v->addWidget(box, 0, Qt::AlignHCenter);
    v->addStretch(1);

    setTabOrder(FServerEdit, FDatabaseEdit);
    setTabOrder(FDatabaseEdit, FUserEdit);
    setTabOrder(FUserEdit, FPasswordEdit);
    setTabOrder(FPasswordEdit, FConnectButton);
    setTabOrder(FConnectButton, FCloseButton);
    connect(FConnectButton, &QPushButton::clicked, this, &TStartupWindow::OnConnectClicked);
    connect(FPasswordEdit, &QLineEdit::returnPressed, this, &TStartupWindow::OnConnectClicked);
    // "Закрыть" and "ОК" both only hide the window.
    connect(FCloseButton, &QPushButton::clicked, this, &TStartupWindow::OnHideClicked);
    FConnectionPanel->hide();
}

void TStartupWindow::PlaceControls() {
    const QRect all = rect();
    FSplashPanel->setGeometry(all);
    FConnectionPanel->setGeometry(all);
    FSplashImage->setGeometry(FSplashPanel->rect());
    FSplashProgress->setGeometry(10, FSplashPanel->height() - 10 - 9, FSplashPanel->width() - 20,
                                 9);
    if (FVersionLabel) {
        FVersionLabel->adjustSize();
        FVersionLabel->move(FSplashPanel->width() - 30 - FVersionLabel->width(),
                            FSplashPanel->height() - 26 - FVersionLabel->height());
    }
    // 90 wide, so that "ОК" can be read.
    FAboutOkButton->setGeometry(856, 474, 90, 30);
}

void TStartupWindow::resizeEvent(QResizeEvent* AEvent) {
    QWidget::resizeEvent(AEvent);
    PlaceControls();
}

void TStartupWindow::LoadSplashImage() {
    // The picture is optional: a missing file leaves the panel as it is.
    FSplashImage->LoadFromFile(QDir(GravelonSettings::ProgramFolder())
                                   .filePath(QStringLiteral("resources/gravelon_splash.png")));
    if (!FVersionLabel) {
        FVersionLabel = new QLabel(ProgramVersion::VersionText(), FSplashPanel);
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

void TStartupWindow::OnSplashProgressTick() {
    FSplashProgress->setValue(qMin(FSplashProgress->maximum(), FSplashProgress->value() + 10));
}

void TStartupWindow::OnSplashElapsed() {
    FSplashProgressTimer->stop();
    FSplashProgress->hide();
    FSplashTimer->stop();
    if (!FData)
        FData = std::make_unique<TDataModule>();
    FConnectPurpose = TConnectPurpose::StartUp;
    LoadConnectionSettings();
}

void TStartupWindow::ShowConnectionPanel() {
    FConnectionPanel->show();
    FConnectionPanel->raise();
    FServerEdit->setFocus();
}

QString TStartupWindow::SettingsFolder() const {
    return QFileInfo(FSettingsPath).absolutePath();
}

TConnectionSettings TStartupWindow::FieldSettings() const {
    return {FServerEdit->text(), FDatabaseEdit->text(), FUserEdit->text(), FPasswordEdit->text()};
}

QString TStartupWindow::LastConnectError() const {
    return FErrorLabel->isHidden() ? QString() : FErrorLabel->text();
}

void TStartupWindow::LoadConnectionSettings() {
    const TIniFile ini(FSettingsPath);
    if (ini.Exists()) {
        const TConnectionSettings s = GravelonSettings::ReadConnection(ini);
        FServerEdit->setText(s.Serv);
        FDatabaseEdit->setText(s.Baza);
        FUserEdit->setText(s.Log);
        FPasswordEdit->setText(s.Pass);
    } else {
        FPrompts->Message(this, TPrompts::TKind::Plain, GravelonSettings::IniNotFound(FSettingsPath));
    }
    ConnectDatabase();
}

void TStartupWindow::ConnectDatabase() {
    ConnectWithFields(false);
}

void TStartupWindow::ConnectWithFields(bool AStoreSettings) {
    if (!FData)
        FData = std::make_unique<TDataModule>();
    const TConnectionSettings typed = FieldSettings();
    QString failure;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        FData->Connect(typed, SettingsFolder());
    } catch (const EGravelonError& e) {
        failure = e.Message();
    }
    QApplication::restoreOverrideCursor();

    if (!failure.isNull()) {
        // The connection in use, if any, stays: from the menu the panel can be left
        // with "Закрыть" and the program goes on with the database it had.
        const bool keepsWorking = FData->Connected();
        show();
        FCloseButton->setVisible(keepsWorking);
        // The box says what to do; the panel keeps the database's own words after a
        // sentence of ours.
        FErrorLabel->setText(failure);
        FErrorLabel->show();
        FPrompts->Message(this, TPrompts::TKind::Warning, ConnectFailedMessage);
        ShowConnectionPanel();
        return;
    }
    FErrorLabel->clear();
    FErrorLabel->hide();
    // Values typed on the panel are kept only once they have proved to work.
    if (AStoreSettings) {
        const TIniFile ini(FSettingsPath);
        if (ini.Exists()) {
            try {
                GravelonSettings::WriteConnection(ini, typed);
            } catch (const EGravelonError& e) {
                FPrompts->Message(this, TPrompts::TKind::Error, e.Message());
            }
        } else {
            FPrompts->Message(this, TPrompts::TKind::Plain, GravelonSettings::IniNotFound(FSettingsPath));
        }
    }
    if (FConnectPurpose == TConnectPurpose::StartUp)
        ShowMainWindow();
    else
        ReloadTodayOrders();
}

void TStartupWindow::OnConnectClicked() {
    FConnectionPanel->hide();
    ConnectWithFields(true);
}

void TStartupWindow::OnHideClicked() {
    hide();
}

void TStartupWindow::ShowMainWindow() {
    if (!FMainWindow)
        FMainWindow = std::make_unique<TMainWindow>(FData.get(), FPrompts, FSettingsPath, this,
                                                    FTrayAvailable);
    hide();
    ScreenFit::ShowMainWindow(FMainWindow.get());
}

void TStartupWindow::ReloadTodayOrders() {
    hide();
    // Nothing of the database left behind stays on screen: the whole window is
    // refreshed, not only its order list.
    if (FMainWindow)
        FMainWindow->ShowTodayOrders();
}

void TStartupWindow::HideStartup() {
    hide();
}

void TStartupWindow::CloseStartup() {
    close();
}

void TStartupWindow::OpenConnectionSettings() {
    FCloseButton->show();
    FCloseButton->raise();
    show();
    ShowConnectionPanel();
    FConnectPurpose = TConnectPurpose::Reconnect;
}

void TStartupWindow::ShowAboutView() {
    FAboutOkButton->show();
    FSplashProgress->hide();
    FConnectionPanel->hide();
    FSplashPanel->raise();
    FAboutOkButton->raise();
    show();
    raise();
    activateWindow();
}
