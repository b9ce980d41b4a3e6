#pragma once

#include "platform/BrowserPrompter.h"

#include <QList>

#include <functional>

// Stands in for the control's questions: records each one and answers with
// what the test set (by default "no" to everything, as a dismissed dialog).
class PrompterAnswerer : public BrowserPrompter
{
public:
    std::optional<Credentials> credentials(QWidget *, const CredentialsRequest &request) override
    {
        credentialsAsked.append(request);
        whileOpen();
        return credentialsAnswer;
    }
    bool certificateError(QWidget *, const CertificateRequest &request) override
    {
        certificatesAsked.append(request);
        whileOpen();
        return certificateAnswer;
    }
    bool permission(QWidget *, const PermissionRequest &request) override
    {
        permissionsAsked.append(request);
        whileOpen();
        return permissionAnswer;
    }
    QString saveLocation(QWidget *, const SaveRequest &request) override
    {
        savesAsked.append(request);
        whileOpen();
        return saveAnswer ? saveAnswer(request) : QString();
    }
    bool multipleDownloads(QWidget *, const QUrl &site) override
    {
        multipleDownloadsAsked.append(site);
        whileOpen();
        return multipleDownloadsAnswer;
    }
    ScriptAnswer scriptDialog(QWidget *, const ScriptDialog &dialog) override
    {
        scriptDialogs.append(dialog);
        whileOpen();
        return scriptAnswer ? scriptAnswer(dialog) : ScriptAnswer();
    }

    // The answers.
    std::optional<Credentials> credentialsAnswer;
    bool certificateAnswer = false;
    bool permissionAnswer = false;
    std::function<QString(const SaveRequest &)> saveAnswer;
    bool multipleDownloadsAnswer = false;
    std::function<ScriptAnswer(const ScriptDialog &)> scriptAnswer;
    // Runs while a question would be on screen, before it is answered.
    std::function<void()> duringQuestion;

    // The questions asked, in order.
    QList<CredentialsRequest> credentialsAsked;
    QList<CertificateRequest> certificatesAsked;
    QList<PermissionRequest> permissionsAsked;
    QList<SaveRequest> savesAsked;
    QList<QUrl> multipleDownloadsAsked;
    QList<ScriptDialog> scriptDialogs;

private:
    void whileOpen()
    {
        if (duringQuestion)
            duringQuestion();
    }
};
