#pragma once

#include <QObject>
#include <QString>

class QMenu;

namespace Platform
{

// The desktop's status-icon service (the notification area) as the tray icon component
// uses it. The real one sits on QSystemTrayIcon; tests use a fake that records what is
// asked of it and clicks on request.
class TTrayIconBackend : public QObject
{
    Q_OBJECT

public:
    enum class TClick {
        Left,   // the primary button (Qt: Trigger)
        Right,  // the context button; the service opens the context menu itself
        Middle, // the middle button
        Double, // a double click of the primary button
    };
    Q_ENUM(TClick)

    using QObject::QObject;

    // Whether a notification area exists now. Without one an icon shows nowhere, so a
    // window hidden "to the tray" could never be brought back.
    virtual bool IsAvailable() const = 0;
    // Puts the icon into the notification area (true) or removes it (false).
    virtual void SetVisible(bool visible) = 0;
    // The picture shown, as a file or resource path.
    virtual void SetIcon(const QString &iconFile) = 0;
    virtual void SetToolTip(const QString &text) = 0;
    // The menu the service opens at the pointer on a right click (some services draw the
    // menu themselves and report no click for it); null for none.
    virtual void SetContextMenu(QMenu *menu) = 0;

Q_SIGNALS:
    void Clicked(Platform::TTrayIconBackend::TClick click);
};

} // namespace Platform
