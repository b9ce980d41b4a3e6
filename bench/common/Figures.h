#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

// What the benches print: medians and the samples behind them.
namespace Figures {

template<typename T> double median(QList<T> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? double(values.at(middle))
                             : (double(values.at(middle - 1)) + double(values.at(middle))) / 2;
}

template<typename T> QString joined(const QList<T> &values)
{
    QStringList texts;
    for (const T &value : values)
        texts << QString::number(value);
    return texts.join(QLatin1Char(' '));
}

} // namespace Figures
