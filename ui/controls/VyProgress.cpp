#include "ui/controls/VyProgress.h"

#include "ui/controls/SliderMath.h"
#include "ui/toolkit/AttrParse.h"
#include "ui/toolkit/Skin.h"

#include <QPainter>
#include <QPointer>

namespace vy {

VyProgress::VyProgress(QWidget* parent) : SProgress(parent) {}

bool VyProgress::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "posdeflate-x" || name == "posdeflate-y") {
        (name == "posdeflate-x" ? m_deflateX : m_deflateY) = ParseInt(value);
        return true;
    }
    return SProgress::OnAttribute(name, value, loading);
}

QRect VyProgress::LitRect(bool deflate) const
{
    QRect client = rect();
    int length = m_vertical ? client.height() : client.width();
    int lit = level::LitLength(m_value, m_min, m_max, length);
    if (lit <= 0)
        return {};
    QRect part = m_vertical ? QRect(client.left(), client.top() + client.height() - lit, client.width(), lit)
                            : QRect(client.left(), client.top(), lit, client.height());
    if (deflate)
        part.adjust(m_deflateX, m_deflateY, -m_deflateX, -m_deflateY);
    return part;
}

void VyProgress::DrawTwoSkins(QPainter& painter, bool deflate)
{
    if (m_bkgndSkin)
        m_bkgndSkin->Draw(painter, rect(), 0);
    QRect lit = LitRect(deflate);
    if (m_posSkin && !lit.isEmpty())
        m_posSkin->Draw(painter, lit, 0);
}

void VyProgress::OnPaint(QPainter& painter)
{
    DrawBackground(painter);
    DrawTwoSkins(painter, true);
}

VyProgressEX::VyProgressEX(QWidget* parent) : SProgress(parent) {}

bool VyProgressEX::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "skinposbottom" || name == "skinposmid" || name == "skinpostop") {
        auto skin = ResolveSkin(value);
        (name == "skinposbottom" ? m_bottom : name == "skinposmid" ? m_mid : m_top) = skin;
        return skin != nullptr || value.empty();
    }
    if (name == "declinespeed") {
        m_declineSpeed = ParseInt(value, 4);
        return true;
    }
    return SProgress::OnAttribute(name, value, loading);
}

QRect VyProgressEX::CoverRect() const
{
    QRect client = rect();
    int length = m_vertical ? client.height() : client.width();
    int cover = level::CoverLength(m_value, m_min, m_max, length);
    if (m_vertical)
        return QRect(client.left(), client.top(), client.width(), cover);
    return QRect(client.left() + client.width() - cover, client.top(), cover, client.height());
}

void VyProgressEX::Decline(bool fallAtZero)
{
    m_value = level::DeclinedValue(m_value, m_shown, m_declineSpeed, m_max, fallAtZero);
    m_shown = m_value;
}

void VyProgressEX::DrawLayers(QPainter& painter)
{
    if (m_bottom)
        m_bottom->Draw(painter, rect(), 0);
    if (m_mid) {
        QRect cover = CoverRect();
        if (!cover.isEmpty())
            m_mid->Draw(painter, cover, 0);
    }
    if (m_top)
        m_top->Draw(painter, rect(), 0);
}

void VyProgressEX::OnPaint(QPainter& painter)
{
    DrawBackground(painter);
    Decline(false);
    DrawLayers(painter);
}

bool VyProgressEX1::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "delta")
        return true;
    return VyProgressEX::OnAttribute(name, value, loading);
}

void VyProgressEX1::OnPaint(QPainter& painter)
{
    DrawBackground(painter);
    Decline(true);
    if (m_bottom && m_mid && m_top) {
        DrawLayers(painter);
        return;
    }
    if (m_bkgndSkin && m_posSkin) {
        m_bkgndSkin->Draw(painter, rect(), 0);
        QRect client = rect();
        int length = m_vertical ? client.height() : client.width();
        int lit = level::LitLength(m_value, m_min, m_max, length);
        if (lit > 0)
            m_posSkin->Draw(painter,
                            m_vertical ? QRect(client.left(), client.top() + client.height() - lit, client.width(), lit)
                                       : QRect(client.left(), client.top(), lit, client.height()),
                            0);
    }
}

VyVuGroup::VyVuGroup(QWidget* parent) : SWindow(parent)
{
    m_commandOnClick = false;
}

VyVuGroup::~VyVuGroup()
{
    for (const QPointer<VyVumeter>& meter : m_meters)
        if (meter)
            meter->SetValue(0);
}

void VyVuGroup::OnInitFinished(const pugi::xml_node& node)
{
    SWindow::OnInitFinished(node);
    for (SWindow* child : ChildWindows())
        if (child->IsClass("vyvumeter"))
            m_meters.push_back(qobject_cast<VyVumeter*>(child));
    m_levels.assign(m_meters.size(), 0);
}

}  // namespace vy
