#pragma once
// A window of its own for pages that the browser opens in a new window. An inactive viewer
// can fade to the opacity the settings give, and comes back while the mouse is over it.
// Closing it says Closed, and its owner releases it.
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <functional>

struct TSettings;
class QPushButton;
class QStatusBar;
class TWebBrowser;

class Tfrm_ExternalViewer : public QWidget {
    Q_OBJECT
public:
    // settings is the live record: the opacity values are read from it at every change.
    explicit Tfrm_ExternalViewer(const TSettings& settings, QWidget* parent = nullptr);
    ~Tfrm_ExternalViewer() override;

    TWebBrowser* wb_Browser = nullptr;
    QPushButton* btn_Save = nullptr;  // no function
    QPushButton* btn_Close = nullptr;
    QStatusBar* sb_Status = nullptr;

    // The opacity state the window was given: blending on or off, and the alpha value
    // (0 transparent .. 255 opaque) that applies while blending is on.
    bool AlphaBlend() const { return AlphaBlendOn; }
    uint8_t AlphaBlendValue() const { return AlphaBlendLevel; }
    bool IsActiveFlag() const { return Active != 0; }

    // Where the mouse is, in screen coordinates; the system cursor unless a test says otherwise.
    std::function<QPoint()> CursorPos;

    // The opacity steps, run by the window's own events.
    void FormShow();
    void FormActivationChanged(bool activated);
    void FormMouseEnter();
    void FormMouseLeave();

signals:
    // The window has been closed; its owner releases it.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void wb_BrowserBeforeNavigate2(const QUrl& url, bool& cancel);
    void SetAlphaBlend(bool on);
    void SetAlphaBlendValue(int32_t stored);
    void ApplyOpacity();
    bool CursorStrictlyInside() const;
    void WatchWindow();

    const TSettings& Settings;
    uint8_t Active = 0;  // 1 while the window is the active window
    bool AlphaBlendOn = false;
    uint8_t AlphaBlendLevel = 255;
    bool ActivationPending = false;  // shown, not yet made active
};
