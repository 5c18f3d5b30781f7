#pragma once

// What the main window asks of the popup window: show it placed, let it fade out (hidable
// mode) or keep it on top, and hide it when no measurement runs. The program hands the real
// popup window over through this; tests hand in a recording one.
class IPopupControl
{
public:
    virtual ~IPopupControl() = default;

    virtual bool IsShown() const = 0;
    virtual void Hide() = 0;
    // Into its corner or remembered place, and shown.
    virtual void ShowPlaced() = 0;
    // Fully opaque from now on, then fading out until it hides itself.
    virtual void StartFade() = 0;
    // Its configured opacity, no fading, shown in place.
    virtual void StayOnTop() = 0;
    // The main window's popup mode, which the popup window reads too.
    virtual void SetPopupHidable(bool hidable) = 0;
};
