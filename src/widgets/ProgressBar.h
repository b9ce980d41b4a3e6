#pragma once

#include <QWidget>

class QProgressBar;

// A progress bar over a single-precision range (the program's bar runs from
// 0.0001 to 100). The bar it draws counts in integers, so it holds the
// values scaled by Scale; it stays private, so that nothing can set an
// unscaled value on it.
class ProgressBar : public QWidget
{
    Q_OBJECT

public:
    static constexpr float Scale = 10000.0f;

    explicit ProgressBar(QWidget *parent = nullptr);

    float min() const { return m_min; }
    float max() const { return m_max; }
    // The value is brought inside the new range.
    void setRange(float min, float max);

    // A value outside the range is rejected: returns false, nothing changes.
    float value() const { return m_value; }
    bool setValue(float value);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QProgressBar *m_bar;
    float m_min = 0;
    float m_max = 100;
    float m_value = 0;
};
