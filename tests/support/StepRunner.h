#pragma once
// Runs a list of player actions one after another from the event loop.
// Each step schedules the next before it acts, so a step that opens a modal
// window (whose nested loop does not return until the window closes) is
// followed by the next step inside that loop, as the player's next key
// would be.
#include "Application.h"
#include "Form.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

class TStepRunner {
public:
    using TStep = std::function<void()>;

    void Add(TStep step) { Steps.push_back(std::move(step)); }

    // Runs the steps; returns when the last one has run and every modal
    // window it left open has closed.
    void Run() {
        QEventLoop loop;
        Loop = &loop;
        QTimer::singleShot(0, [this] { Next(); });
        loop.exec();
        Loop = nullptr;
    }

    // Where a key goes: the open menu, else the focused control of the
    // program's active window (the form layer keeps that the same on every
    // platform), else that window itself.
    static QWidget* KeyTarget() {
        if (QWidget* popup = QApplication::activePopupWidget()) return popup;
        TForm* active = Application->ActiveForm();
        if (!active) return nullptr;
        if (QWidget* focus = active->focusWidget(); focus && focus->isVisible() && focus->isEnabled())
            return focus;
        return active;
    }
    // The focused control as the player sees it.
    static QWidget* Focused() {
        QWidget* target = KeyTarget();
        return target && target != Application->ActiveForm() ? target : nullptr;
    }
    static void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        if (QWidget* target = KeyTarget()) QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
    }
    static void Type(const QString& text) {
        if (QWidget* target = KeyTarget()) QTest::keyClicks(target, text);
    }

private:
    void Next() {
        if (Steps.empty()) {
            Loop->quit();
            return;
        }
        TStep step = std::move(Steps.front());
        Steps.pop_front();
        QTimer::singleShot(0, [this] { Next(); });
        step();
    }

    std::deque<TStep> Steps;
    QEventLoop* Loop = nullptr;
};
