#include "HelpWindow.h"

#include "SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* AParent) : QWidget(AParent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Гравелон — справка"));
    resize(900, 700);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QHBoxLayout;
    auto* back = new QPushButton(QStringLiteral("Назад"), this);
    back->setObjectName(QStringLiteral("HelpBack"));
    auto* home = new QPushButton(QStringLiteral("Содержание"), this);
    home->setObjectName(QStringLiteral("HelpHome"));
    bar->addWidget(back);
    bar->addWidget(home);
    bar->addStretch(1);
    v->addLayout(bar);
    FBrowser = new QTextBrowser(this);
    FBrowser->setObjectName(QStringLiteral("HelpBrowser"));
    FBrowser->setOpenExternalLinks(true);
    v->addWidget(FBrowser, 1);
    connect(back, &QPushButton::clicked, FBrowser, &QTextBrowser::backward);
    connect(home, &QPushButton::clicked, this, &THelpWindow::ShowContents);
    connect(FBrowser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    back->setEnabled(false);
}

QString THelpWindow::ContentsFile() {
    // Beside the program, never the working folder: the program may be started from
    // anywhere.
    return QDir(GravelonSettings::ProgramFolder())
        .filePath(QStringLiteral("resources/help/index.html"));
}

void THelpWindow::ShowContents() {
    const QString file = ContentsFile();
    if (QFileInfo::exists(file)) {
        FBrowser->setSource(QUrl::fromLocalFile(file));
    } else {
        FBrowser->setHtml(QStringLiteral("<h2>Справка не найдена</h2><p>Нет файла %1.</p>")
                              .arg(file.toHtmlEscaped()));
    }
    show();
    raise();
    activateWindow();
}
