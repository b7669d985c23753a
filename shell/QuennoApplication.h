#pragma once
// The windowed program's application object. It counts how deeply event delivery is
// nested: work that lets events run (a scan, the loading animation, a message box) delivers
// events inside another event. Ending the program from there must end the process at once,
// or that work would carry on behind the closed windows.

#include <QApplication>

#include <functional>

namespace quenno::shell {

class QuennoApplication final : public QApplication {
    Q_OBJECT
public:
    QuennoApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
    // True while an event is being delivered inside the delivery of another.
    bool insideOtherWork() const { return m_depth > 1; }

    // The last step of ending the program (the navigator's exitProgram): from inside other
    // work it ends the process at once; from the top level the event loop, already told to
    // exit, ends the program normally.
    void endProcessIfInsideOtherWork();
    // What ending the process at once does (tests record it instead).
    void setTerminate(std::function<void()> terminate) { m_terminate = std::move(terminate); }

private:
    int m_depth = 0;
    std::function<void()> m_terminate;
};

}  // namespace quenno::shell
