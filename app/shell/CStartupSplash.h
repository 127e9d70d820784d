// The picture shown while the program starts, until the note view is ready or the user
// presses a key or a mouse button, whichever comes first.
#pragma once

#include <QImage>
#include <QWidget>

namespace hummwell {

class CStartupSplash final : public QWidget {
public:
    // Null when the picture is missing: then there is no splash.
    static CStartupSplash* showOver(QWidget* owner);
    explicit CStartupSplash(const QImage& picture, QWidget* owner);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

}  // namespace hummwell
