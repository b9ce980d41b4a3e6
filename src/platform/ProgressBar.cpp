#include "ProgressBar.h"

#include <cmath>

ProgressBar::ProgressBar(QWidget *parent)
    : QProgressBar(parent)
{
    setTextVisible(false);
    setRange(m_min, m_max);
}

void ProgressBar::setRange(float min, float max)
{
    m_min = min;
    m_max = max;
    m_value = std::clamp(m_value, min, max);
    QProgressBar::setRange(int(std::lround(min * Scale)), int(std::lround(max * Scale)));
    QProgressBar::setValue(int(std::lround(m_value * Scale)));
}

bool ProgressBar::setValue(float value)
{
    if (!(value >= m_min && value <= m_max))
        return false;
    m_value = value;
    QProgressBar::setValue(int(std::lround(value * Scale)));
    return true;
}
