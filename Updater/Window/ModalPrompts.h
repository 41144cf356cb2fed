#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>
#include <map>

class QWidget;

// Every modal question the window and its dialogs put to the operator (message
// boxes, the About box, file choices) goes through here, so that tests can
// answer them without a person and without timers racing a nested event loop.
// Without a responder the real Qt boxes and file dialogs open.
//
// GUI thread only. A responder stays installed until it is replaced or cleared.
class ModalPrompts
{
public:
    enum class PROMPT_KIND
    {
        MESSAGE,
        ABOUT,
        OPEN_FILE,
        SAVE_FILE
    };

    // What the operator is asked. `buttons` and `buttonTexts` apply to
    // messages; `folder` and `filter` to file choices.
    struct Prompt
    {
        PROMPT_KIND kind = PROMPT_KIND::MESSAGE;
        QWidget* parent = nullptr;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons = QMessageBox::Ok;
        std::map<QMessageBox::StandardButton, QString> buttonTexts;
        QString folder;
        QString filter;
    };

    // The button pressed (messages) or the file chosen (file choices, empty
    // when cancelled).
    struct Answer
    {
        QMessageBox::StandardButton button = QMessageBox::NoButton;
        QString fileName;
    };

    using Responder = std::function<Answer(const Prompt&)>;

    // A modal message box; returns the button pressed.
    static QMessageBox::StandardButton
    message(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            const std::map<QMessageBox::StandardButton, QString>& buttonTexts = {});

    // Qt's About box.
    static void about(QWidget* parent, const QString& title, const QString& text);

    // A file to open, or empty when the operator cancels.
    static QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& filter);

    // A file to write, or empty when the operator cancels.
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& filter);

    // Tests: answers every prompt instead of the operator; an empty responder
    // brings the real dialogs back.
    static void setResponder(Responder responder);

private:
    static Answer ask(const Prompt& prompt);
    static Answer showReal(const Prompt& prompt);

    static Responder m_Responder;
};
