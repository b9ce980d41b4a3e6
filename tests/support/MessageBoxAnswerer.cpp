#include "MessageBoxAnswerer.h"

MessageBox::Answer MessageBoxAnswerer::show(const Request &request)
{
    m_requests.append(request);
    if (m_whileOpen)
        m_whileOpen(request);
    if (m_answers.isEmpty())
        return request.buttons == Buttons::YesNo ? Yes : Ok;
    return m_answers.takeFirst();
}
