#pragma once

// The brand's logo on the left of the connection and measurement frames; a click opens the
// brand's web page when a link is set.

#include <QFrame>
#include <QUrl>

#include <functional>

class QLabel;

class TOBfrLogo : public QFrame
{
    Q_OBJECT

public:
    // Opens a link with the desktop's handler; tests put their own in.
    using TUrlOpener = std::function<bool(const QUrl &)>;

    static constexpr int LogoWidth = 176;
    static constexpr int LogoHeight = 356;

    explicit TOBfrLogo(QWidget *parent = nullptr);

    QString LinkUrl;
    bool LinkEnabled = false;
    TUrlOpener UrlOpener;

    void SetLinkEnabled(bool enabled);
    void SetPicture(const QPixmap &picture);
    // The maker's picture: the program's icon and name on silver, LogoWidth x LogoHeight in
    // logical pixels, drawn at the application's (or the given) device pixel ratio.
    static QPixmap BuiltInLogo();
    static QPixmap BuiltInLogo(qreal devicePixelRatio);
    // The picture shrunk to at most maxHeight logical pixels, keeping its pixel density:
    // a 2x picture stays 2x, so it is not shown at half its size or blurred.
    static QPixmap FitToHeight(const QPixmap &picture, int maxHeight);

    QFrame *pAll = nullptr;
    QLabel *iLogo = nullptr;

public Q_SLOTS:
    void iLogoClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
