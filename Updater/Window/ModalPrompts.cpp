#include "Window/ModalPrompts.h"

#include <QAbstractButton>
#include <QFileDialog>

#include <utility>

ModalPrompts::Responder ModalPrompts::m_Responder;

QMessageBox::StandardButton
ModalPrompts::message(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                      QMessageBox::StandardButtons buttons,
                      const std::map<QMessageBox::StandardButton, QString>& buttonTexts)
{
    Prompt prompt;
    prompt.kind = PROMPT_KIND::MESSAGE;
    prompt.parent = parent;
    prompt.icon = icon;
    prompt.title = title;
    prompt.text = text;
    prompt.buttons = buttons;
    prompt.buttonTexts = buttonTexts;
    return ask(prompt).button;
}

void ModalPrompts::about(QWidget* parent, const QString& title, const QString& text)
{
    Prompt prompt;
    prompt.kind = PROMPT_KIND::ABOUT;
    prompt.parent = parent;
    prompt.title = title;
    prompt.text = text;
    ask(prompt);
}

namespace
{

ModalPrompts::Prompt filePrompt(ModalPrompts::PROMPT_KIND kind, QWidget* parent, const QString& caption,
                                const QString& folder, const QString& filter)
{
    ModalPrompts::Prompt prompt;
    prompt.kind = kind;
    prompt.parent = parent;
    prompt.title = caption;
    prompt.folder = folder;
    prompt.filter = filter;
    return prompt;
}

} // namespace

QString ModalPrompts::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filter)
{
    return ask(filePrompt(PROMPT_KIND::OPEN_FILE, parent, caption, folder, filter)).fileName;
}

QString ModalPrompts::saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filter)
{
    return ask(filePrompt(PROMPT_KIND::SAVE_FILE, parent, caption, folder, filter)).fileName;
}

void ModalPrompts::setResponder(Responder responder)
{
    m_Responder = std::move(responder);
}

ModalPrompts::Answer ModalPrompts::ask(const Prompt& prompt)
{
    if (m_Responder)
    {
        // A copy: the responder may replace itself while answering.
        const Responder responder = m_Responder;
        return responder(prompt);
    }
    return showReal(prompt);
}

ModalPrompts::Answer ModalPrompts::showReal(const Prompt& prompt)
{
    Answer answer;
    switch (prompt.kind)
    {
    case PROMPT_KIND::MESSAGE:
    {
        QMessageBox box(prompt.icon, prompt.title, prompt.text, prompt.buttons, prompt.parent);
        for (const auto& [button, text] : prompt.buttonTexts)
        {
            if (QAbstractButton* shown = box.button(button))
            {
                shown->setText(text);
            }
        }
        answer.button = static_cast<QMessageBox::StandardButton>(box.exec());
        break;
    }
    case PROMPT_KIND::ABOUT:
        QMessageBox::about(prompt.parent, prompt.title, prompt.text);
        answer.button = QMessageBox::Ok;
        break;
    case PROMPT_KIND::OPEN_FILE:
        answer.fileName =
            QFileDialog::getOpenFileName(prompt.parent, prompt.title, prompt.folder, prompt.filter);
        break;
    case PROMPT_KIND::SAVE_FILE:
        answer.fileName =
            QFileDialog::getSaveFileName(prompt.parent, prompt.title, prompt.folder, prompt.filter);
        break;
    }
    return answer;
}
