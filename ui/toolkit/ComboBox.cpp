#include "ui/toolkit/ComboBox.h"

#include "base/Utf.h"
#include "ui/toolkit/AttrParse.h"

#include <QComboBox>

namespace vy {

SComboBox::SComboBox(QWidget* parent) : SWindow(parent), m_combo(new QComboBox(this))
{
    m_commandOnClick = false;
    setFocusProxy(m_combo);
    m_combo->setFont(font());
    QObject::connect(m_combo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_silent)
            return;
        EventCBSelChange event(this, index);
        FireEvent(event);
    });
}

int SComboBox::InsertItem(int index, const std::string& text, intptr_t itemData)
{
    if (index < 0 || index > m_combo->count())
        index = m_combo->count();
    m_silent = true;
    m_combo->insertItem(index, ToQString(text), QVariant::fromValue<qlonglong>(itemData));
    // Qt selects the first item added to an empty list; a list starts
    // without a selection.
    if (m_combo->count() == 1)
        m_combo->setCurrentIndex(-1);
    m_silent = false;
    return index;
}

void SComboBox::ResetContent()
{
    m_silent = true;
    m_combo->clear();
    m_combo->setCurrentIndex(-1);
    m_silent = false;
}

bool SComboBox::SetCurSel(int index)
{
    if (index < -1 || index >= m_combo->count())
        return false;
    m_combo->setCurrentIndex(index);
    return true;
}

int SComboBox::GetCurSel() const
{
    return m_combo->currentIndex();
}

int SComboBox::GetCount() const
{
    return m_combo->count();
}

std::string SComboBox::GetLBText(int index) const
{
    if (index < 0 || index >= m_combo->count())
        return {};
    return FromQString(m_combo->itemText(index));
}

intptr_t SComboBox::GetItemData(int index) const
{
    if (index < 0 || index >= m_combo->count())
        return 0;
    return static_cast<intptr_t>(m_combo->itemData(index).toLongLong());
}

std::string SComboBox::GetWindowText() const
{
    return GetLBText(GetCurSel());
}

bool SComboBox::OnAttribute(const std::string& name, const std::string& value, bool loading)
{
    if (name == "cursel") {
        m_initialSel = ParseInt(value, -1);
        if (!loading)
            SetCurSel(m_initialSel);
        return true;
    }
    if (name == "dropdown" || name == "dropheight" || name == "animatetime")
        return true;
    bool known = SWindow::OnAttribute(name, value, loading);
    if (name == "font")
        m_combo->setFont(font());
    return known;
}

void SComboBox::OnInitFinished(const pugi::xml_node& node)
{
    for (pugi::xml_node items : node.children()) {
        if (!EqualsNoCase(items.name(), "items"))
            continue;
        for (pugi::xml_node item : items.children()) {
            std::string text = item.attribute("text") ? item.attribute("text").as_string() : item.text().as_string();
            AddString(TrText(text), static_cast<intptr_t>(ParseInteger(item.attribute("data").as_string()).value_or(0)));
        }
    }
    if (m_initialSel >= 0) {
        m_silent = true;
        SetCurSel(m_initialSel);
        m_silent = false;
    }
}

void SComboBox::resizeEvent(QResizeEvent* event)
{
    SWindow::resizeEvent(event);
    m_combo->setGeometry(ClientRect());
}

void SComboBox::DrawContent(QPainter&) {}

}  // namespace vy
