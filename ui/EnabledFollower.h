#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

// Keeps widgets enabled exactly while a leading widget is: the paper commands follow
// the print buttons beside them, whoever switches those on or off.
class TEnabledFollower : public QObject {
    Q_OBJECT
public:
    TEnabledFollower(QWidget* ALeader, QList<QWidget*> AFollowers);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    void Follow();

    QPointer<QWidget> FLeader;
    QList<QPointer<QWidget>> FFollowers;
};
