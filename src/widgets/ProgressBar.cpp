#include "ProgressBar.h"

#include <QProgressBar>

#include <algorithm>
#include <cmath>

namespace {

int scaled(float value)
{
    return int(std::lround(double(value) * double(ProgressBar::Scale)));
}

} // namespace

ProgressBar::ProgressBar(QWidget *parent)
    : QWidget(parent)
    , m_bar(new QProgressBar(this))
{
    m_bar->setTextVisible(false);
    m_bar->setGeometry(rect());
    setRange(m_min, m_max);
}

void ProgressBar::setRange(float min, float max)
{
    m_min = min;
    m_max = std::max(min, max);
    m_value = std::clamp(m_value, m_min, m_max);
    m_bar->setRange(scaled(m_min), scaled(m_max));
    m_bar->setValue(scaled(m_value));
}

bool ProgressBar::setValue(float value)
{
    if (!(value >= m_min && value <= m_max))
        return false;
    m_value = value;
    m_bar->setValue(scaled(value));
    return true;
}

QSize ProgressBar::sizeHint() const
{
    return m_bar->sizeHint();
}

QSize ProgressBar::minimumSizeHint() const
{
    return m_bar->minimumSizeHint();
}

// The drawn bar fills the control, whatever place the tab gives it.
void ProgressBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_bar->setGeometry(rect());
}
