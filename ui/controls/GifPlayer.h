#pragma once

#include "ui/toolkit/Skin.h"
#include "ui/toolkit/Window.h"

#include <QTimer>

#include <vector>

namespace vy {

// An animated skin ("gif"): the frames of an animated image and each frame's
// delay in hundredths of a second.
class SSkinGif : public ISkin {
public:
    const char* GetObjectClass() const override { return "gif"; }
    bool SetAttribute(const std::string& name, const std::string& value) override;
    void Draw(QPainter& painter, const QRect& rect, int state, qreal alpha = 1.0) const override;
    int States() const override { return static_cast<int>(m_frames.size()); }
    QSize Size() const override;

    bool LoadFromData(const std::string& bytes);
    void AddFrame(QImage frame, int delayHundredths);
    int FrameCount() const { return static_cast<int>(m_frames.size()); }
    int FrameDelay(int index) const;
    int CurrentFrame() const { return m_current; }
    void SetCurrentFrame(int index);

private:
    std::vector<QImage> m_frames;
    std::vector<int> m_delays;
    int m_current = 0;
};

// Shows an animated skin and steps its frames on a 10 ms tick while shown:
// each frame stays for its delay (90 ms when the delay is 0).
class SGifPlayer : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SGifPlayer, SWindow, "gifplayer")
public:
    explicit SGifPlayer(QWidget* parent = nullptr);
    SSkinGif* Gif() const { return m_gif.get(); }
    bool IsRunning() const { return m_timer.isActive(); }
    // One 10 ms tick: the countdown falls by 10; at 0 the next frame shows.
    void Tick();
    int Countdown() const { return m_countdown; }

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void DrawBackground(QPainter& painter) override;

private:
    void Restart();
    int FrameTime(int index) const;

    std::shared_ptr<SSkinGif> m_gif;
    QTimer m_timer;
    int m_countdown = 0;
};

// An image drawn through the alpha channel of a mask image.
class SImageMaskWnd : public SWindow {
    Q_OBJECT
    VY_WIDGET_CLASS(SImageMaskWnd, SWindow, "imageMask")
public:
    explicit SImageMaskWnd(QWidget* parent = nullptr);
    // The image as drawn (skin cut by the mask), at the control's size.
    QImage Composed() const;

protected:
    bool OnAttribute(const std::string& name, const std::string& value, bool loading) override;
    void DrawBackground(QPainter& painter) override;

private:
    QImage m_image;
    QImage m_mask;
};

// A scrollbar skin for vertical scroll bars: an image strip with
// "hasGripper", "hasInactive" and "margin".
class SSkinVScrollbar : public SSkinImgFrame {
public:
    const char* GetObjectClass() const override { return "vscrollbar"; }
    bool SetAttribute(const std::string& name, const std::string& value) override;
    bool HasGripper() const { return m_hasGripper; }
    bool HasInactive() const { return m_hasInactive; }

private:
    bool m_hasGripper = false;
    bool m_hasInactive = false;
};

}  // namespace vy
