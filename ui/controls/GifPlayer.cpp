#include "ui/controls/GifPlayer.h"

#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/UiApp.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

namespace vy {

bool SSkinGif::SetAttribute(const std::string& name, const std::string& value)
{
    if (name == "src") {
        std::string bytes;
        if (!CUiApp::Instance().LoadResource(value, bytes, "IMG"))
            return false;
        return LoadFromData(bytes);
    }
    return ISkin::SetAttribute(name, value);
}

bool SSkinGif::LoadFromData(const std::string& bytes)
{
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    std::vector<QImage> frames;
    std::vector<int> delays;
    while (reader.canRead()) {
        QImage frame = reader.read();
        if (frame.isNull())
            break;
        frames.push_back(frame.convertToFormat(QImage::Format_ARGB32_Premultiplied));
        int ms = reader.nextImageDelay();
        delays.push_back(ms > 0 ? ms / 10 : 0);
    }
    if (frames.empty())
        return false;
    m_frames = std::move(frames);
    m_delays = std::move(delays);
    m_current = 0;
    return true;
}

void SSkinGif::AddFrame(QImage frame, int delayHundredths)
{
    m_frames.push_back(std::move(frame));
    m_delays.push_back(delayHundredths);
}

int SSkinGif::FrameDelay(int index) const
{
    if (index < 0 || index >= FrameCount())
        return 0;
    return m_delays[static_cast<size_t>(index)];
}

void SSkinGif::SetCurrentFrame(int index)
{
    if (index >= 0 && index < FrameCount())
        m_current = index;
}

QSize SSkinGif::Size() const
{
    return m_frames.empty() ? QSize() : m_frames.front().size();
}

void SSkinGif::Draw(QPainter& painter, const QRect& rect, int state, qreal alpha) const
{
    if (m_frames.empty())
        return;
    int index = state >= 0 && state < FrameCount() ? state : m_current;
    painter.save();
    painter.setOpacity(painter.opacity() * alpha);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect, m_frames[static_cast<size_t>(index)]);
    painter.restore();
}

SGifPlayer::SGifPlayer(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
}

bool SGifPlayer::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "skin") {
        auto skin = std::dynamic_pointer_cast<SSkinGif>(CUiApp::Instance().GetSkin(value));
        if (!skin) {
            // An animated image by resource name becomes a skin of its own.
            auto made = std::make_shared<SSkinGif>();
            if (!made->SetAttribute("src", value))
                return false;
            skin = made;
        }
        m_gif = skin;
        Restart();
        return true;
    }
    return SWindow::OnAttribute(name, value, loading);
}

int SGifPlayer::FrameTime(int index) const
{
    int delay = m_gif ? m_gif->FrameDelay(index) : 0;
    return delay > 0 ? delay * 10 : 90;
}

void SGifPlayer::Restart()
{
    m_timer.stop();
    if (!m_gif || m_gif->FrameCount() <= 1)
        return;
    m_countdown = FrameTime(m_gif->CurrentFrame());
    if (isVisible())
        m_timer.start();
}

void SGifPlayer::Tick()
{
    if (!m_gif || m_gif->FrameCount() <= 1)
        return;
    m_countdown -= 10;
    if (m_countdown > 0)
        return;
    int next = (m_gif->CurrentFrame() + 1) % m_gif->FrameCount();
    m_gif->SetCurrentFrame(next);
    update();
    m_countdown = FrameTime(next);
}

void SGifPlayer::showEvent(QShowEvent* event)
{
    SWindow::showEvent(event);
    Restart();
}

void SGifPlayer::hideEvent(QHideEvent* event)
{
    SWindow::hideEvent(event);
    m_timer.stop();
}

void SGifPlayer::DrawBackground(QPainter& painter)
{
    if (m_colorBkgnd.isValid())
        painter.fillRect(rect(), m_colorBkgnd);
    if (m_gif)
        m_gif->Draw(painter, rect(), m_gif->CurrentFrame());
}

SImageMaskWnd::SImageMaskWnd(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
}

bool SImageMaskWnd::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "skin" || name == "mask") {
        // The image is kept as given and cut when drawn, so "skin" may come
        // before or after "mask".
        QImage image = CUiApp::Instance().LoadImage(value);
        if (image.isNull())
            return false;
        (name == "skin" ? m_image : m_mask) = image;
        update();
        return true;
    }
    return SWindow::OnAttribute(name, value, loading);
}

QImage SImageMaskWnd::Composed() const
{
    if (m_image.isNull() || size().isEmpty())
        return {};
    QImage out(size(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(out.rect(), m_image);
    if (!m_mask.isNull()) {
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        p.drawImage(out.rect(), m_mask);
    }
    p.end();
    return out;
}

void SImageMaskWnd::DrawBackground(QPainter& painter)
{
    if (m_colorBkgnd.isValid())
        painter.fillRect(rect(), m_colorBkgnd);
    QImage composed = Composed();
    if (!composed.isNull())
        painter.drawImage(0, 0, composed);
}

bool SSkinVScrollbar::SetAttribute(const std::string& name, const std::string& value)
{
    if (name == "hasgripper") {
        m_hasGripper = ParseBool(value);
        return true;
    }
    if (name == "hasinactive") {
        m_hasInactive = ParseBool(value);
        return true;
    }
    return SSkinImgFrame::SetAttribute(name, value);
}

}  // namespace vy
