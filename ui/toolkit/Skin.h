#pragma once

#include <QImage>
#include <QMargins>
#include <QRect>
#include <QColor>

#include <string>

class QPainter;

namespace vy {

// A skin draws a control's background in one of several states (normal,
// hover, pushed, disabled, ...). Skins are declared in the UI definition or
// made on the fly from an image name; a control draws only the skins it has.
class ISkin {
public:
    virtual ~ISkin() = default;
    virtual const char* GetObjectClass() const = 0;
    // Attribute names arrive in lower case. False: unknown attribute.
    virtual bool SetAttribute(const std::string& name, const std::string& value);
    virtual void Draw(QPainter& painter, const QRect& rect, int state, qreal alpha = 1.0) const = 0;
    virtual int States() const { return 1; }
    // Size of one state; empty when the skin has no size of its own.
    virtual QSize Size() const { return {}; }
};

// An image strip of N states side by side (or stacked with "vertical").
class SSkinImgList : public ISkin {
public:
    const char* GetObjectClass() const override { return "imglist"; }
    bool SetAttribute(const std::string& name, const std::string& value) override;
    void Draw(QPainter& painter, const QRect& rect, int state, qreal alpha = 1.0) const override;
    int States() const override { return m_states; }
    QSize Size() const override;

    void SetImage(QImage image) { m_image = std::move(image); }
    const QImage& Image() const { return m_image; }
    void SetStates(int states) { m_states = states < 1 ? 1 : states; }
    // The part of the image that holds `state` (clamped to the strip).
    QRect StateRect(int state) const;

protected:
    QImage m_image;
    int m_states = 1;
    bool m_vertical = false;
    bool m_tile = false;
};

// A nine-patch image strip: the "margin" corners keep their size, the edges
// and the middle stretch.
class SSkinImgFrame : public SSkinImgList {
public:
    const char* GetObjectClass() const override { return "imgframe"; }
    bool SetAttribute(const std::string& name, const std::string& value) override;
    void Draw(QPainter& painter, const QRect& rect, int state, qreal alpha = 1.0) const override;
    const QMargins& Margins() const { return m_margins; }

private:
    QMargins m_margins;
};

// Plain colours per state, optionally with rounded corners and a border.
class SSkinColorRect : public ISkin {
public:
    const char* GetObjectClass() const override { return "colorrect"; }
    bool SetAttribute(const std::string& name, const std::string& value) override;
    void Draw(QPainter& painter, const QRect& rect, int state, qreal alpha = 1.0) const override;
    int States() const override { return 4; }

private:
    QColor m_colors[4];
    QColor m_border;
    int m_radius = 0;
};

}  // namespace vy
