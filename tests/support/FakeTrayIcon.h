#pragma once

#include "platform/TrayIcon.h"

#include <QString>
#include <QStringList>

#include <memory>

// A notification area for tests: records every request the tray icon component makes and
// clicks on request. A right click "opens" the context menu the way the desktop would: it
// counts an opening when a menu is set. The menu pointer is only compared, never used.
class TFakeTrayIcon : public Platform::TTrayIconBackend
{
public:
    bool Available = true;
    bool Visible = false;
    QString IconFile;
    QString ToolTip;
    QMenu *ContextMenu = nullptr;
    // Every request in order: "visible", "hidden", "icon <file>", "tip <text>", "menu set",
    // "menu cleared". Shared, so a test can read it after the component destroyed the fake.
    std::shared_ptr<QStringList> Requests = std::make_shared<QStringList>();
    int MenuOpenings = 0;

    bool IsAvailable() const override { return Available; }
    void SetVisible(bool visible) override
    {
        Visible = visible;
        *Requests << (visible ? QStringLiteral("visible") : QStringLiteral("hidden"));
    }
    void SetIcon(const QString &iconFile) override
    {
        IconFile = iconFile;
        *Requests << QStringLiteral("icon ") + iconFile;
    }
    void SetToolTip(const QString &text) override
    {
        ToolTip = text;
        *Requests << QStringLiteral("tip ") + text;
    }
    void SetContextMenu(QMenu *menu) override
    {
        ContextMenu = menu;
        *Requests << (menu ? QStringLiteral("menu set") : QStringLiteral("menu cleared"));
    }

    void Click(TClick click)
    {
        if (click == TClick::Right && ContextMenu)
            ++MenuOpenings;
        Q_EMIT Clicked(click);
    }
};
