#pragma once

#include "platform/TrayIcon.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

// The five pictures of the tray icon and the main window, by the index the main window's
// state gives: 0 disconnected, 1 connected and idle, 2 running, 3 running with CSV logging,
// 4 paused.
inline constexpr int TrayStateIconCount = 5;
QString TrayStateIconFile(int index);
// The application's own picture, shown while no state picture is set.
QString ApplicationIconFile();

// The program's icon in the notification area: its picture shows the measurement state,
// its tip the program name; a right click opens the tray menu, and a left click raises
// OnMouseMove, by which the main window brings up the popup window (the desktop reports
// no pointer movement over a tray icon). The icon is in the notification area exactly
// while IconVisible is true.
class TTalmoTrayIcon : public QObject
{
    Q_OBJECT

public:
    // The longest tip the icon shows; longer hints are cut.
    static constexpr int MaxHintLength = 63;

    // On the desktop's notification area (QSystemTrayIcon).
    explicit TTalmoTrayIcon(QObject *parent = nullptr);
    // On the given service (tests hand in a fake).
    explicit TTalmoTrayIcon(std::unique_ptr<Platform::TTrayIconBackend> backend, QObject *parent = nullptr);
    ~TTalmoTrayIcon() override;

    // The picture file; an empty text shows the application icon. Setting it while the icon is
    // shown changes the picture in place: removing and adding the icon again is not needed
    // (on a StatusNotifierItem tray it would register a new item each time).
    const QString &Icon() const { return m_icon; }
    void SetIcon(const QString &iconFile);

    const QString &Hint() const { return m_hint; }
    void SetHint(const QString &hint);

    // Whether the program should keep out of the task bar while its window is hidden. A Qt
    // window carries its own task-bar entry and leaves the task bar when it is hidden, so
    // this only records the wish; the main window hides itself on minimising, and only
    // when IsAvailable, since otherwise nothing could bring it back.
    bool HideTask() const { return m_hideTask; }
    void SetHideTask(bool hide) { m_hideTask = hide; }

    bool IconVisible() const { return m_iconVisible; }
    void SetIconVisible(bool visible);

    // Opened at the pointer by a right click. Cleared when the menu is destroyed.
    QMenu *PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(QMenu *menu);

    // Whether the desktop has a notification area now.
    bool IsAvailable() const;

Q_SIGNALS:
    void OnClick();
    // The pointer is over the icon (raised by a left click; no shift keys, x = y = 0).
    void OnMouseMove();

private:
    void HandleClick(Platform::TTrayIconBackend::TClick click);
    void PopupMenuDestroyed();
    QString ShownIconFile() const;
    QString ShownHint() const;

    std::unique_ptr<Platform::TTrayIconBackend> m_backend;
    QString m_icon;
    QString m_hint;
    bool m_hideTask = false;
    bool m_iconVisible = false;
    QPointer<QMenu> m_popupMenu;
    QMetaObject::Connection m_menuDestroyed;
};
