#include "CStartupSplash.h"

#include "resources/Pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace hummwell {

CStartupSplash::CStartupSplash(const QImage& picture, QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(picture) {
    setObjectName("startupSplash");
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);  // the main window keeps the keyboard
    setCursor(Qt::ArrowCursor);
    setFixedSize(picture_.size());
    // Centred on the screen, where the main window will open.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

CStartupSplash* CStartupSplash::showOver(QWidget* owner) {
    const QImage picture = pictures::splashPicture();
    if (picture.isNull()) return nullptr;
    auto* splash = new CStartupSplash(picture, owner);
    splash->show();
    splash->repaint();
    return splash;
}

void CStartupSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, picture_);
}

}  // namespace hummwell
