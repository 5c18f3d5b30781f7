#include "reading/uOBfSmartOutput.h"

#include "reading/uOBfrSmartOutputRow.h"
#include "reading/uPopupLayout.h"
#include "reading/uReaderCore.h"

#include "base/uSettingsStore.h"
#include "model/uOBGlob.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include <chrono>

namespace
{

constexpr int BarHeight = 2;
constexpr std::uint8_t BarDarkening = 75;

std::int64_t SteadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QScreen *ScreenOf(const QWidget *widget)
{
    QScreen *screen = widget->screen();
    return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

} // namespace

TOBfSmartOutput::TOBfSmartOutput(TSettingsStore *store, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), Clock(SteadyMilliseconds), m_store(store)
{
    setObjectName(QStringLiteral("TOBfSmartOutput"));
    pTop = new QWidget(this);
    pTop->setObjectName(QStringLiteral("pTop"));
    pRows = new QWidget(this);
    pRows->setObjectName(QStringLiteral("pRows"));
    pBottom = new QWidget(this);
    pBottom->setObjectName(QStringLiteral("pBottom"));
    for (QWidget *panel : {pTop, pRows, pBottom}) {
        panel->setAutoFillBackground(true);
        panel->installEventFilter(this);
    }
    THider.setObjectName(QStringLiteral("THider"));
    THider.setInterval(FadeStepMs);
    connect(&THider, &QTimer::timeout, this, &TOBfSmartOutput::THiderTimer);

    ReadSettings();
    SetClientSize(QSize(0, 0));
    SetSerialNumber(QStringLiteral("--------"));
}

TOBfSmartOutput::~TOBfSmartOutput()
{
    if (m_core)
        m_core->RemoveView(this);
    if (m_dragging)
        QGuiApplication::restoreOverrideCursor();
    WriteSettings();
}

void TOBfSmartOutput::ReadSettings()
{
    namespace K = SettingsKeys;
    const QRect workArea = ScreenOf(this)->availableGeometry();
    // Off the work area's bottom right corner, so the first placement puts it in that corner.
    QPoint position(workArea.x() + workArea.width() + 1, workArea.y() + workArea.height() + 1);
    std::uint32_t text = K::DefFontColor;
    std::uint32_t back = K::DefBackgroundColor;
    QString size = K::DefSize;
    bool titleVisible = K::DefVisibleTitle;
    if (m_store != nullptr) {
        text = static_cast<std::uint32_t>(
            m_store->ReadInteger(K::SecPopupWindow, K::KeyFontColor, K::DefFontColor));
        back = static_cast<std::uint32_t>(
            m_store->ReadInteger(K::SecPopupWindow, K::KeyBackgroundColor, K::DefBackgroundColor));
        size = m_store->ReadString(K::SecPopupWindow, K::KeySize, K::DefSize);
        m_transparency = m_store->ReadInteger(K::SecPopupWindow, K::KeyTransparency, K::DefTransparency);
        titleVisible = m_store->ReadBool(K::SecPopupWindow, K::KeyVisibleTitle, K::DefVisibleTitle);
        m_horizontal =
            m_store->ReadBool(K::SecPopupWindow, K::KeyLayOutHorizontally, K::DefLayOutHorizontally);
        m_quantityTitles =
            m_store->ReadBool(K::SecPopupWindow, K::KeyVisibleQuantityTitles, K::DefVisibleQuantityTitles);
        position = ReadPopupPosition(*m_store, position);
        m_autoPos = m_store->ReadBool(K::SecPopupWindow, K::KeyAutoPos, K::DefAutoPos);
    }
    SetTextColor(text);
    SetBackColor(back);
    m_rowSize = PopupSizeFromName(size);
    SetTitleVisible(titleVisible);
    move(position);
}

void TOBfSmartOutput::WriteSettings()
{
    namespace K = SettingsKeys;
    if (m_store == nullptr || m_store->IsReadOnly())
        return;
    m_store->WriteInteger(K::SecPopupWindow, K::KeyFontColor, static_cast<int>(m_textColor));
    m_store->WriteInteger(K::SecPopupWindow, K::KeyBackgroundColor, static_cast<int>(m_backColor));
    m_store->WriteString(K::SecPopupWindow, K::KeySize, GetSizeName());
    m_store->WriteInteger(K::SecPopupWindow, K::KeyTransparency, m_transparency);
    m_store->WriteBool(K::SecPopupWindow, K::KeyVisibleTitle, TitleVisible());
    m_store->WriteBool(K::SecPopupWindow, K::KeyLayOutHorizontally, m_horizontal);
    m_store->WriteBool(K::SecPopupWindow, K::KeyVisibleQuantityTitles, m_quantityTitles);
    WritePopupPosition(*m_store, pos());
    m_store->WriteBool(K::SecPopupWindow, K::KeyAutoPos, m_autoPos);
}

void TOBfSmartOutput::Watch(TReaderCore &core)
{
    if (m_core == &core)
        return;
    Unwatch();
    m_core = &core;
    core.AddView(this);
}

void TOBfSmartOutput::Unwatch()
{
    if (m_core)
        m_core->RemoveView(this);
    m_core = nullptr;
    ClearRows();
}

void TOBfSmartOutput::QuantityAdded(int row, TLangQuan &quantity, const TChartHistory &)
{
    // A new measurement: whatever an earlier one left goes first.
    if (row == 0)
        ClearRows();
    AddRow(new TOBfrSmartOutputRow(&quantity, pRows));
}

void TOBfSmartOutput::ReadingStarted()
{
    if (m_core)
        SetSerialNumber(m_core->Connection().SerialText);
    if (!m_popupHidable)
        StayOnTop();
}

void TOBfSmartOutput::CycleFinished(bool paused)
{
    // While paused the rows keep what they show.
    if (paused)
        return;
    for (TOBfrSmartOutputRow *row : m_rows)
        row->Refresh();
}

void TOBfSmartOutput::ReadingStopped()
{
    ClearRows();
}

void TOBfSmartOutput::AddRow(TOBfrSmartOutputRow *row)
{
    row->setParent(pRows);
    row->show();
    m_rows.push_back(row);
    Relayout(m_rowSize);
}

void TOBfSmartOutput::ClearRows()
{
    for (TOBfrSmartOutputRow *row : m_rows)
        delete row; // a child of pRows: leaves it as it goes
    m_rows.clear();
    SetClientSize(QSize(0, 0));
    SetSerialNumber(QStringLiteral("--------"));
}

void TOBfSmartOutput::SetSerialNumber(const QString &serial)
{
    setWindowTitle(tr("Serial number") + QStringLiteral(": ") + serial);
}

void TOBfSmartOutput::SetTextColor(std::uint32_t bgr)
{
    m_textColor = bgr;
    for (TOBfrSmartOutputRow *row : m_rows)
        row->SetTextColor(bgr);
}

void TOBfSmartOutput::SetBackColor(std::uint32_t bgr)
{
    m_backColor = bgr;
    for (TOBfrSmartOutputRow *row : m_rows)
        row->SetBackColor(bgr);
    const QColor bar = ColorFromBgr(DarkenColor(bgr, BarDarkening));
    SetPanelColour(pTop, bar);
    SetPanelColour(pBottom, bar);
    SetPanelColour(pRows, ColorFromBgr(bgr));
}

QString TOBfSmartOutput::GetSizeName() const
{
    return PopupSizeName(m_rowSize);
}

void TOBfSmartOutput::SetSizeName(const QString &name)
{
    Relayout(PopupSizeFromName(name));
}

void TOBfSmartOutput::SetHorizontal(bool horizontal)
{
    m_horizontal = horizontal;
    Relayout(m_rowSize);
}

void TOBfSmartOutput::SetQuantityTitles(bool shown)
{
    m_quantityTitles = shown;
    Relayout(m_rowSize);
}

void TOBfSmartOutput::SetTitleVisible(bool visible)
{
    if (visible == TitleVisible())
        return;
    const bool wasShown = isVisible();
    setWindowFlag(Qt::FramelessWindowHint, !visible); // hides the window
    if (wasShown)
        show();
}

bool TOBfSmartOutput::TitleVisible() const
{
    return !windowFlags().testFlag(Qt::FramelessWindowHint);
}

int TOBfSmartOutput::ScreenWidth() const
{
    return ScreenOf(this)->geometry().width();
}

void TOBfSmartOutput::Relayout(int rowSize)
{
    m_rowSize = PopupSizeFromName(PopupSizeName(rowSize));
    const TPopupSize size = PopupSizeOf(m_rowSize);
    std::vector<TPopupRowWidths> widths;
    for (TOBfrSmartOutputRow *row : m_rows) {
        row->SetFontSize(size.FontSize);
        row->SetTitleShown(m_quantityTitles);
        widths.push_back(row->MeasuredWidths());
    }
    const int valueWidth = m_rows.empty() ? 0 : m_rows.front()->ValueColumnWidth();
    const TPopupLayout layout =
        LayOutPopupRows(widths, valueWidth, size.RowHeight, m_horizontal, ScreenWidth());
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_rows[i]->ApplyPlace(layout.Rows[i]);
        m_rows[i]->SetTextColor(m_textColor);
        m_rows[i]->SetBackColor(m_backColor);
        m_rows[i]->RefreshColors();
        m_rows[i]->HookMouse(this);
    }
    SetBackColor(m_backColor);
    SetClientSize(layout.Client);
}

void TOBfSmartOutput::SetClientSize(const QSize &size)
{
    const int w = size.width();
    const int h = size.height();
    pTop->setGeometry(0, 0, w, BarHeight);
    pRows->setGeometry(0, BarHeight, w, std::max(0, h - 2 * BarHeight));
    pBottom->setGeometry(0, std::max(0, h - BarHeight), w, BarHeight);
    setFixedSize(size);
}

void TOBfSmartOutput::ApplyTransparency()
{
    SetOpacity(OpacityOfTransparency(m_transparency));
}

void TOBfSmartOutput::SetOpacity(int opacity)
{
    m_opacity = opacity;
    setWindowOpacity(opacity / 255.0);
    // Qt hands queued requests to the window system when it next paints, and a fade step paints
    // nothing: without this the fade would show only at the next reading (or, paused, not at all).
    if (isVisible())
        QGuiApplication::sync();
}

void TOBfSmartOutput::PlaceWindow()
{
    QScreen *screen = ScreenOf(this);
    const QRect workArea = screen->availableGeometry();
    const QSize size = frameGeometry().size();
    if (m_autoPos) {
        const TTaskbarEdge edge = TaskbarEdgeOf(screen->geometry(), workArea);
        // Whether a panel hides itself cannot be asked on Linux: no reserve.
        move(AutoPopupPosition(edge, TaskbarReserve(edge, false), workArea, size, pos()));
    } else {
        move(KeepInsideWorkArea(pos(), size, workArea));
    }
}

void TOBfSmartOutput::ShowPlaced()
{
    PlaceWindow();
    show();
    // The frame's size is known only once the window is shown; place it again with it.
    PlaceWindow();
}

void TOBfSmartOutput::StartFade()
{
    SetOpacity(255);
    FadeStart = Clock();
    if (!isVisible())
        ShowPlaced();
    THider.start();
}

void TOBfSmartOutput::HideNow()
{
    THider.stop();
    hide();
}

void TOBfSmartOutput::StayOnTop()
{
    ApplyTransparency();
    THider.stop();
    ShowPlaced();
}

void TOBfSmartOutput::THiderTimer()
{
    if (!m_popupHidable)
        return;
    if (m_opacity <= FadeHideOpacity) {
        hide();
        SetOpacity(255);
        THider.stop();
        return;
    }
    SetOpacity(FadeOpacity(Clock() - FadeStart));
}

void TOBfSmartOutput::closeEvent(QCloseEvent *event)
{
    // The popup goes only with the program; the main window shows and hides it.
    event->ignore();
}

bool TOBfSmartOutput::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        FormMouseDown(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        return true;
    case QEvent::MouseMove:
        FormMouseMove(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        return true;
    case QEvent::MouseButtonRelease:
        FormMouseUp(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void TOBfSmartOutput::mousePressEvent(QMouseEvent *event)
{
    FormMouseDown(event->globalPosition().toPoint());
}

void TOBfSmartOutput::mouseMoveEvent(QMouseEvent *event)
{
    FormMouseMove(event->globalPosition().toPoint());
}

void TOBfSmartOutput::mouseReleaseEvent(QMouseEvent *event)
{
    FormMouseUp(event->globalPosition().toPoint());
}

void TOBfSmartOutput::FormMouseDown(const QPoint &globalPos)
{
    if (!m_dragging)
        QGuiApplication::setOverrideCursor(Qt::SizeAllCursor);
    m_dragOffset = pos() - globalPos;
    m_dragging = true;
}

void TOBfSmartOutput::FormMouseMove(const QPoint &globalPos)
{
    if (m_dragging)
        move(globalPos + m_dragOffset);
}

void TOBfSmartOutput::FormMouseUp(const QPoint &globalPos)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    QGuiApplication::restoreOverrideCursor();
    move(globalPos + m_dragOffset);
}
