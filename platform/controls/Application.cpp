#include "Application.h"

#include "Exceptions.h"
#include "Form.h"
#include "PictureCache.h"
#include "Services.h"
#include "Synchronize.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace {
TApplication* TheApplication = nullptr;
}

TApplication::TApplication(int& argc, char** argv) : TFontConfigurationReader(), QApplication(argc, argv) {
    // Before any text is measured: otherwise the font database reads the
    // configuration a second time.
    TFontConfigurationReader::Wait();
    TheApplication = this;
    SetMainThread();
    setQuitOnLastWindowClosed(false);
}

TApplication::~TApplication() {
    DestroyForms();
    PictureCache::FinishDecodingAhead();
    TheApplication = nullptr;
}

TApplication* TApplication::Instance() {
    return TheApplication;
}

void TApplication::SetTitle(const QString& title) {
    setApplicationName(title);
}

void TApplication::AddForm(TForm* form) {
    Forms.push_back(form);
    form->Created();
}

TForm* TApplication::FindForm(const QString& className) const {
    for (TForm* form : Forms)
        if (form->objectName() == className) return form;
    // Windows made outside the window set (a test's own) count too.
    for (QWidget* widget : topLevelWidgets())
        if (auto* form = dynamic_cast<TForm*>(widget); form && form->objectName() == className) return form;
    return nullptr;
}

int TApplication::Run() {
    if (!MainForm()) return 0;
    MainForm()->Show();
    const int code = exec();
    DestroyForms();
    return code;
}

void TApplication::DestroyForms() {
    if (Destroying) return;
    Destroying = true;
    Active = nullptr;
    for (auto it = Forms.rbegin(); it != Forms.rend(); ++it) (*it)->Destroyed();
    for (auto it = Forms.rbegin(); it != Forms.rend(); ++it) delete *it;
    Forms.clear();
    ActivationOrder.clear();
    ModalStack.clear();
    Destroying = false;
}

void TApplication::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        if (TheApplication)
            TheApplication->HandleException(error);
        else
            std::cerr << error.what() << '\n';
    }
}

void TApplication::HandleException(const std::exception& error) {
    const QString message = QString::fromStdString(error.what());
    if (Services().ShowError)
        Services().ShowError(message);
    else
        std::cerr << error.what() << '\n';
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    // Handlers are run guarded by the form layer; this catches what escapes
    // from anything else, so that the program goes on with the next event.
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        HandleException(error);
        return true;
    }
}

void TApplication::MoveActivity(TForm* form) {
    if (form == Active || Destroying) return;
    TForm* previous = Active;
    Active = form;
    if (form) {
        std::erase(ActivationOrder, form);
        ActivationOrder.push_back(form);
    }
    if (previous) previous->DoDeactivate();
    // A deactivate handler may have moved activity on already.
    if (form && Active == form) form->DoActivate();
}

void TApplication::ActivityLeaves(TForm* form) {
    std::erase(ActivationOrder, form);
    if (Active != form) return;
    TForm* next = nullptr;
    for (auto it = ActivationOrder.rbegin(); it != ActivationOrder.rend(); ++it)
        if ((*it)->isVisible()) {
            next = *it;
            break;
        }
    MoveActivity(next);
    // The window system gives the keyboard to the same window.
    if (next) next->activateWindow();
}

void TApplication::RunMessageBox(const std::function<void()>& body) {
    TForm* owner = Active;
    // The control that had the keyboard has it again when the box closes;
    // the window system alone would leave the keyboard nowhere.
    QPointer<QWidget> focused = owner ? owner->focusWidget() : nullptr;
    MoveActivity(nullptr);
    struct Restore {
        TApplication* App;
        TForm* Owner;
        QPointer<QWidget> Focused;
        ~Restore() {
            if (!Owner || !Owner->isVisible()) return;
            App->MoveActivity(Owner);
            Owner->activateWindow();
            if (Focused && Focused->isVisible() && Focused->isEnabled()) Focused->setFocus();
        }
    } restore{this, owner, focused};
    body();
}

void TApplication::BeginModal(TForm* form) {
    ModalStack.push_back(form);
    Active = form;
    std::erase(ActivationOrder, form);
    ActivationOrder.push_back(form);
    form->DoActivate();
}

void TApplication::EndModal(TForm* form) {
    auto it = std::find(ModalStack.begin(), ModalStack.end(), form);
    if (it == ModalStack.end()) return;
    ModalStack.erase(it);
    std::erase(ActivationOrder, form);
    if (Active == form) {
        form->DoDeactivate();
        // Back to the caller without an activate event.
        Active = nullptr;
        for (auto r = ActivationOrder.rbegin(); r != ActivationOrder.rend(); ++r)
            if ((*r)->isVisible()) {
                Active = *r;
                break;
            }
        // The keyboard goes back to the caller, as the activity does.
        if (Active) Active->activateWindow();
    }
}
