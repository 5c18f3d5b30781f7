#include "shell/uOBfrLogo.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QVBoxLayout>

TOBfrLogo::TOBfrLogo(QWidget *parent)
    : QFrame(parent), UrlOpener([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("OBfrLogo"));
    pAll = new QFrame(this);
    pAll->setObjectName(QStringLiteral("pAll"));
    pAll->setFrameShape(QFrame::NoFrame);
    pAll->setAutoFillBackground(true);
    QPalette silver = pAll->palette();
    silver.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    pAll->setPalette(silver);
    iLogo = new QLabel(pAll);
    iLogo->setObjectName(QStringLiteral("iLogo"));
    iLogo->setAlignment(Qt::AlignCenter);
    iLogo->setPixmap(BuiltInLogo());
    auto *inner = new QVBoxLayout(pAll);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(iLogo);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(pAll);
    pAll->installEventFilter(this);
    iLogo->installEventFilter(this);
    SetLinkEnabled(false);
}

QPixmap TOBfrLogo::BuiltInLogo()
{
    return BuiltInLogo(qApp ? qApp->devicePixelRatio() : 1.0);
}

// Drawn from the vector icon at the screen's pixel density, so a scaled screen gets a sharp
// picture rather than an enlarged one.
QPixmap TOBfrLogo::BuiltInLogo(qreal devicePixelRatio)
{
    QPixmap picture(QSize(LogoWidth, LogoHeight) * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer icon(QStringLiteral(":/icons/ombrix.svg"));
    if (icon.isValid())
        icon.render(&painter, QRectF(24, 40, 128, 128));
    QFont font = painter.font();
    font.setPointSize(22);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x40, 0x70));
    painter.drawText(QRect(0, 200, LogoWidth, 60), Qt::AlignCenter, QStringLiteral("Ombrix"));
    return picture;
}

QPixmap TOBfrLogo::FitToHeight(const QPixmap &picture, int maxHeight)
{
    const qreal ratio = picture.devicePixelRatio();
    if (picture.isNull() || picture.deviceIndependentSize().height() <= maxHeight)
        return picture;
    QPixmap fitted = picture.scaledToHeight(qRound(maxHeight * ratio), Qt::SmoothTransformation);
    fitted.setDevicePixelRatio(ratio);
    return fitted;
}

void TOBfrLogo::SetPicture(const QPixmap &picture)
{
    iLogo->setPixmap(picture);
}

void TOBfrLogo::SetLinkEnabled(bool enabled)
{
    LinkEnabled = enabled;
    const Qt::CursorShape shape = enabled ? Qt::PointingHandCursor : Qt::ArrowCursor;
    iLogo->setCursor(shape);
    pAll->setCursor(shape);
}

void TOBfrLogo::iLogoClick()
{
    if (LinkEnabled)
        UrlOpener(QUrl(LinkUrl)); // a failure is not reported
}

bool TOBfrLogo::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == pAll || watched == iLogo) && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        iLogoClick();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}
