#pragma once

// Questions of one kind (sign-ins, certificates) from one page. A burst is
// the run of requests of that kind the page makes without a new user action
// in its tab; it raises one question at most, and the rest of it is refused
// without a word, whatever the answer: what "yes" let through (the
// credentials given, the certificate accepted) is all it lets through, and
// giving the same credentials again to a server that refused them would
// only go round in circles.
class QuestionBurst
{
public:
    bool mayAsk() const { return m_state == State::Fresh; }
    // The question is on screen.
    void asking() { m_state = State::Waiting; }
    void answered() { m_state = State::Answered; }

    // The user clicked or typed in the tab: the next request starts a burst
    // of its own. A question on screen still stands for the burst it was
    // asked for.
    void userActed()
    {
        if (m_state != State::Waiting)
            m_state = State::Fresh;
    }

private:
    enum class State { Fresh, Waiting, Answered };
    State m_state = State::Fresh;
};

// The downloads of one page, which go by bursts too. The first download after
// a user action is the user's: the save dialog asks where it goes. Any more
// the page starts in the same burst come without a user gesture, and raise
// one question for all of them ("Ce site essaie de télécharger plusieurs
// fichiers. L'autoriser ?"): after "yes" they are saved in the download
// folder without a dialog each, after "no" refused. While either dialog is on
// screen, the burst's other downloads are refused.
class DownloadBurst
{
public:
    enum class Step {
        AskWhere,    // the save dialog
        AskMany,     // the question for the page's further downloads
        SaveUnasked, // saved in the download folder, no dialog
        Refuse,
    };

    Step next() const
    {
        switch (m_state) {
        case State::Fresh:
            return Step::AskWhere;
        case State::Saved:
            return Step::AskMany;
        case State::AllowedMany:
            return Step::SaveUnasked;
        case State::Waiting:
        case State::Refused:
            break;
        }
        return Step::Refuse;
    }

    void asking() { m_state = State::Waiting; }
    // The answer to the dialog of the step asked: yes is a place chosen, or
    // "yes" to the further downloads.
    void answered(Step step, bool yes)
    {
        if (!yes)
            m_state = State::Refused;
        else
            m_state = step == Step::AskWhere ? State::Saved : State::AllowedMany;
    }

    void userActed()
    {
        if (m_state != State::Waiting)
            m_state = State::Fresh;
    }

private:
    enum class State { Fresh, Waiting, Saved, AllowedMany, Refused };
    State m_state = State::Fresh;
};
