// The real program's start-up in a process of its own, for tests of what
// only separate processes show: the single-instance claim and the log file
// per run. Prompts are printed and answered with OK; "shown" is printed once
// the window is up. The window closes after VX_DRIVER_STAY_MS milliseconds
// (default 0), or as soon as a line arrives on standard input. With
// VX_DRIVER_SWITCH_MODE set, questions are answered Yes and the USB3 Vision
// mode button is clicked once the window is up.
#include "Window/MainWindow.h"
#include "Window/ModalPrompts.h"
#include "Window/UpdaterApplication.h"

#include <QAbstractButton>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    ModalPrompts::setResponder(
        [](const ModalPrompts::Prompt& prompt)
        {
            std::printf("prompt: %s\n", prompt.text.toUtf8().constData());
            std::fflush(stdout);
            ModalPrompts::Answer answer;
            answer.button = QMessageBox::Ok;
            if (qEnvironmentVariableIsSet("VX_DRIVER_SWITCH_MODE") &&
                prompt.buttons.testFlag(QMessageBox::Yes))
            {
                answer.button = QMessageBox::Yes;
            }
            return answer;
        });
    const int stay = qEnvironmentVariableIntValue("VX_DRIVER_STAY_MS");
    return UpdaterApplication::run(
        argc, argv,
        [stay](MainWindow& window)
        {
            std::printf("shown\n");
            std::fflush(stdout);
            if (qEnvironmentVariableIsSet("VX_DRIVER_SWITCH_MODE"))
            {
                if (auto* button = window.findChild<QAbstractButton*>(QStringLiteral("radioButtonU3VMode")))
                {
                    button->click();
                }
            }
            QTimer::singleShot(stay, &window, &QWidget::close);
            QPointer<MainWindow> target(&window);
            std::thread(
                [target]
                {
                    std::string line;
                    if (std::getline(std::cin, line))
                    {
                        QMetaObject::invokeMethod(target, "close", Qt::QueuedConnection);
                    }
                })
                .detach();
        });
}
