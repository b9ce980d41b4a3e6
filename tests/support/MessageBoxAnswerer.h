#pragma once

#include "widgets/MessageBox.h"

#include <QList>

#include <functional>

// Stands in for the program's message boxes: records every request and
// answers from a queue of scripted answers (OK when the queue is empty).
class MessageBoxAnswerer : public MessageBox
{
public:
    Answer show(const Request &request) override;

    void queueAnswer(Answer answer) { m_answers.append(answer); }
    // Runs while the box would be open, before it answers.
    void setWhileOpen(std::function<void(const Request &)> action)
    {
        m_whileOpen = std::move(action);
    }

    QList<Request> requests() const { return m_requests; }
    qsizetype count() const { return m_requests.size(); }
    void clear() { m_requests.clear(); }

private:
    QList<Request> m_requests;
    QList<Answer> m_answers;
    std::function<void(const Request &)> m_whileOpen;
};
