#pragma once
// The application object: it creates the windows, keeps track of which of
// them is active, runs modal windows, and catches every error that leaves an
// event handler so that the program goes on.

#include "FontConfigurationReader.h"

#include <QApplication>
#include <exception>
#include <functional>
#include <vector>

class TForm;

// The font configuration reader is a base before QApplication, so that it
// starts before the application object is made.
class TApplication : private TFontConfigurationReader, public QApplication {
public:
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    static TApplication* Instance();

    void SetTitle(const QString& title);
    QString Title() const { return applicationName(); }

    // Takes ownership of a created window; the first one is the main window.
    template <typename Form> Form* CreateForm() {
        auto* form = new Form();
        AddForm(form);
        return form;
    }
    void AddForm(TForm* form);
    TForm* MainForm() const { return Forms.empty() ? nullptr : Forms.front(); }
    const std::vector<TForm*>& AllForms() const { return Forms; }
    TForm* FindForm(const QString& className) const;
    // Runs the message loop until the main window closes.
    int Run();
    // Destroys every window, last created first (their destroy events run).
    void DestroyForms();

    // Runs an event handler; an error that leaves it goes to the error box.
    static void Guarded(const std::function<void()>& handler);
    void HandleException(const std::exception& error);

    bool notify(QObject* receiver, QEvent* event) override;

    // Activity between the windows of the program.
    TForm* ActiveForm() const { return Active; }
    // Activity moves to `form`: the window that had it is deactivated and
    // `form` activated. A null form means no window of the program is active.
    void MoveActivity(TForm* form);
    // After `form` was hidden: activity moves to the window activated most
    // recently that is still visible.
    void ActivityLeaves(TForm* form);
    // A message box of the program takes the activity while `body` runs and
    // gives it back to the window that had it.
    void RunMessageBox(const std::function<void()>& body);

    // Modal windows: the caller of ShowModal gets no activate or deactivate
    // when the modal window opens or closes.
    void BeginModal(TForm* form);
    void EndModal(TForm* form);
    bool InModal() const { return !ModalStack.empty(); }

private:
    std::vector<TForm*> Forms;
    std::vector<TForm*> ActivationOrder; // most recent last
    std::vector<TForm*> ModalStack;
    TForm* Active = nullptr;
    bool Destroying = false;
};

#define Application (TApplication::Instance())
