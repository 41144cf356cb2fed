#pragma once

#include "Window/ModalPrompts.h"

#include <QString>

#include <vector>

// Answers every modal prompt of the window and its dialogs for the length of a
// test, and keeps what was asked. Messages get `button`, file choices
// `fileName`.
class PromptRecorder
{
public:
    PromptRecorder()
    {
        ModalPrompts::setResponder(
            [this](const ModalPrompts::Prompt& prompt)
            {
                m_Prompts.push_back(prompt);
                ModalPrompts::Answer answer;
                answer.button = button;
                answer.fileName = fileName;
                return answer;
            });
    }
    PromptRecorder(const PromptRecorder&) = delete;
    PromptRecorder& operator=(const PromptRecorder&) = delete;
    ~PromptRecorder() { ModalPrompts::setResponder({}); }

    const std::vector<ModalPrompts::Prompt>& prompts() const { return m_Prompts; }
    // "<title>|<text>" of every prompt, in order.
    QStringList summary() const
    {
        QStringList lines;
        for (const auto& prompt : m_Prompts)
        {
            lines << prompt.title + QLatin1Char('|') + prompt.text;
        }
        return lines;
    }

    QMessageBox::StandardButton button = QMessageBox::Ok;
    QString fileName;

private:
    std::vector<ModalPrompts::Prompt> m_Prompts;
};
