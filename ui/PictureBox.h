#pragma once

#include <QPixmap>
#include <QWidget>

// A picture scaled proportionally into the widget: the splash picture and the
// main window's banner. Without a picture the widget stays empty.
class TPictureBox : public QWidget {
    Q_OBJECT
public:
    explicit TPictureBox(Qt::Alignment AAlignment, QWidget* AParent = nullptr);

    // Loads the file; returns false (and keeps the old picture) when it cannot be read.
    bool LoadFromFile(const QString& AFileName);
    void SetPicture(const QPixmap& APicture);
    bool HasPicture() const { return !FPicture.isNull(); }
    const QPixmap& Picture() const { return FPicture; }

protected:
    void paintEvent(QPaintEvent* AEvent) override;

private:
    QPixmap FPicture;
    Qt::Alignment FAlignment;
};
