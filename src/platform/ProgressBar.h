#pragma once

#include <QProgressBar>

// A progress bar over a single-precision range (the program's bar runs from
// 0.0001 to 100). QProgressBar counts in integers, so the values are held
// scaled by 10000.
class ProgressBar : public QProgressBar
{
    Q_OBJECT

public:
    static constexpr float Scale = 10000.0f;

    explicit ProgressBar(QWidget *parent = nullptr);

    float min() const { return m_min; }
    float max() const { return m_max; }
    void setRange(float min, float max);

    // A value outside the range is rejected: returns false, nothing changes.
    float value() const { return m_value; }
    bool setValue(float value);

private:
    float m_min = 0;
    float m_max = 100;
    float m_value = 0;
};
