#include "shell/TalmoTrayIcon.h"

#include <QIcon>
#include <QSystemTrayIcon>

#include <array>

namespace
{

using Platform::TTrayIconBackend;

// The notification area through Qt. With a context menu set, Qt opens it itself on a right
// click, also on trays that draw the menu themselves (StatusNotifierItem).
class TQtTrayIconBackend : public TTrayIconBackend
{
public:
    TQtTrayIconBackend()
    {
        QObject::connect(&m_trayIcon, &QSystemTrayIcon::activated, this,
                         [this](QSystemTrayIcon::ActivationReason reason) {
                             switch (reason) {
                             case QSystemTrayIcon::Trigger:
                                 Q_EMIT Clicked(TClick::Left);
                                 break;
                             case QSystemTrayIcon::Context:
                                 Q_EMIT Clicked(TClick::Right);
                                 break;
                             case QSystemTrayIcon::MiddleClick:
                                 Q_EMIT Clicked(TClick::Middle);
                                 break;
                             case QSystemTrayIcon::DoubleClick:
                                 Q_EMIT Clicked(TClick::Double);
                                 break;
                             case QSystemTrayIcon::Unknown:
                                 break;
                             }
                         });
    }

    bool IsAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void SetVisible(bool visible) override { m_trayIcon.setVisible(visible); }
    void SetIcon(const QString &iconFile) override { m_trayIcon.setIcon(QIcon(iconFile)); }
    void SetToolTip(const QString &text) override { m_trayIcon.setToolTip(text); }
    void SetContextMenu(QMenu *menu) override { m_trayIcon.setContextMenu(menu); }

private:
    QSystemTrayIcon m_trayIcon;
};

} // namespace

// The pictures are vector drawings: Qt's SVG icon engine renders them at whatever size and
// device pixel ratio the tray or the title bar asks for, so they stay sharp on scaled screens.
QString TrayStateIconFile(int index)
{
    static const std::array<QLatin1String, TrayStateIconCount> files{
        QLatin1String(":/icons/tray-disconnected.svg"), QLatin1String(":/icons/tray-connected.svg"),
        QLatin1String(":/icons/tray-running.svg"), QLatin1String(":/icons/tray-logging.svg"),
        QLatin1String(":/icons/tray-paused.svg")};
    if (index < 0 || index >= TrayStateIconCount)
        return ApplicationIconFile();
    return files[static_cast<std::size_t>(index)];
}

QString ApplicationIconFile()
{
    return QStringLiteral(":/icons/ombrix.svg");
}

TTalmoTrayIcon::TTalmoTrayIcon(QObject *parent)
    : TTalmoTrayIcon(std::make_unique<TQtTrayIconBackend>(), parent)
{
}

TTalmoTrayIcon::TTalmoTrayIcon(std::unique_ptr<Platform::TTrayIconBackend> backend, QObject *parent)
    : QObject(parent), m_backend(std::move(backend))
{
    connect(m_backend.get(), &TTrayIconBackend::Clicked, this, &TTalmoTrayIcon::HandleClick);
}

TTalmoTrayIcon::~TTalmoTrayIcon()
{
    SetIconVisible(false);
    disconnect(m_menuDestroyed);
}

void TTalmoTrayIcon::SetIcon(const QString &iconFile)
{
    m_icon = iconFile;
    if (m_iconVisible)
        m_backend->SetIcon(ShownIconFile());
}

void TTalmoTrayIcon::SetHint(const QString &hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    if (m_iconVisible)
        m_backend->SetToolTip(ShownHint());
}

void TTalmoTrayIcon::SetIconVisible(bool visible)
{
    if (visible == m_iconVisible)
        return;
    m_iconVisible = visible;
    if (visible) {
        m_backend->SetIcon(ShownIconFile());
        m_backend->SetToolTip(ShownHint());
    }
    m_backend->SetVisible(visible);
}

void TTalmoTrayIcon::SetPopupMenu(QMenu *menu)
{
    disconnect(m_menuDestroyed);
    m_popupMenu = menu;
    if (menu)
        m_menuDestroyed = connect(menu, &QObject::destroyed, this, &TTalmoTrayIcon::PopupMenuDestroyed);
    m_backend->SetContextMenu(menu);
}

bool TTalmoTrayIcon::IsAvailable() const
{
    return m_backend->IsAvailable();
}

void TTalmoTrayIcon::HandleClick(Platform::TTrayIconBackend::TClick click)
{
    switch (click) {
    case TTrayIconBackend::TClick::Left:
        Q_EMIT OnMouseMove();
        Q_EMIT OnClick();
        break;
    case TTrayIconBackend::TClick::Double:
        Q_EMIT OnMouseMove();
        break;
    case TTrayIconBackend::TClick::Right:  // the service opens the popup menu itself
    case TTrayIconBackend::TClick::Middle: // no meaning
        break;
    }
}

void TTalmoTrayIcon::PopupMenuDestroyed()
{
    m_popupMenu = nullptr;
    disconnect(m_menuDestroyed);
    m_backend->SetContextMenu(nullptr);
}

QString TTalmoTrayIcon::ShownIconFile() const
{
    return m_icon.isEmpty() ? ApplicationIconFile() : m_icon;
}

QString TTalmoTrayIcon::ShownHint() const
{
    return m_hint.left(MaxHintLength);
}
