#include "Form.h"

#include "Application.h"
#include "Buttons.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>

TForm::TForm(const QString& className) : QWidget(nullptr), ClientArea(new QWidget(this)) {
    setObjectName(className);
    ClientArea->setObjectName("ClientArea");
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_QuitOnClose, false);
    // Alt+F4 closes any window from the keyboard, also where no window
    // manager gives that key (the window manager's own close ends in
    // closeEvent just the same).
    auto* altF4 = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    connect(altF4, &QShortcut::activated, this, [this] { Close(); });
}

TForm::~TForm() = default;

void TForm::SetClientSize(int width, int height) {
    const int menuHeight = MenuBar ? MenuBar->sizeHint().height() : 0;
    if (MenuBar) MenuBar->setGeometry(0, 0, width, menuHeight);
    ClientArea->setGeometry(0, menuHeight, width, height);
    resize(width, height + menuHeight);
}

int TForm::ClientWidth() const {
    return ClientArea->width();
}
int TForm::ClientHeight() const {
    return ClientArea->height();
}

void TForm::SetBorder(TFormBorder border, bool minimizeBox) {
    Qt::WindowFlags flags =
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (minimizeBox) flags |= Qt::WindowMinimizeButtonHint;
    if (border == TFormBorder::Sizeable) {
        flags |= Qt::WindowMaximizeButtonHint;
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(size());
    }
    setWindowFlags(flags);
}

void TForm::SetMenuBar(QMenuBar* menuBar) {
    MenuBar = menuBar;
    MenuBar->setParent(this);
    MenuBar->setNativeMenuBar(false);
    // F10 opens the menu from the keyboard, as on the classic desktop.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, MenuBar, [this] {
        if (!MenuBar->actions().isEmpty()) MenuBar->setActiveAction(MenuBar->actions().first());
    });
    SetClientSize(ClientArea->width(), ClientArea->height());
}

void TForm::PlaceOnShow() {
    if (Placed) return;
    Placed = true;
    QRect area;
    if (Position == TFormPosition::ScreenCenter) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
    } else if (Position == TFormPosition::MainFormCenter) {
        if (TForm* main = Application->MainForm(); main && main != this)
            area = main->frameGeometry();
        else if (QScreen* screen = QGuiApplication::primaryScreen())
            area = screen->availableGeometry();
    }
    if (!area.isEmpty()) move(area.center() - QPoint(width() / 2, height() / 2));
}

void TForm::ShowWindow() {
    if (OpensMaximized)
        QWidget::showMaximized();
    else
        QWidget::show();
}

void TForm::Show() {
    const bool wasVisible = isVisible();
    PlaceOnShow();
    if (!wasVisible) {
        ShowWindow();
        if (FirstFocus) FirstFocus->setFocus();
        TApplication::Guarded([&] {
            if (OnShow) OnShow();
        });
    }
    raise();
    activateWindow();
    Application->MoveActivity(this);
}

void TForm::ShowModal() {
    PlaceOnShow();
    setWindowModality(Qt::ApplicationModal);
    ShowWindow();
    if (FirstFocus) FirstFocus->setFocus();
    TApplication::Guarded([&] {
        if (OnShow) OnShow();
    });
    // The other windows are disabled while this one is up.
    std::vector<TForm*> disabled;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* form = dynamic_cast<TForm*>(widget);
            form && form != this && form->isVisible() && form->isEnabled()) {
            form->setEnabled(false);
            disabled.push_back(form);
        }
    Application->BeginModal(this);
    if (isVisible()) {
        QEventLoop loop;
        ModalLoop = &loop;
        loop.exec();
        ModalLoop = nullptr;
    }
    for (TForm* form : disabled) form->setEnabled(true);
    setWindowModality(Qt::NonModal);
}

void TForm::RunClose() {
    TApplication::Guarded([&] {
        if (OnClose) OnClose();
    });
}

void TForm::Close() {
    if (Closing) return;
    Closing = true;
    RunClose();
    Hide();
    Closing = false;
    if (this == Application->MainForm()) Application->quit();
}

void TForm::Hide() {
    if (!isVisible()) return;
    QWidget::hide();
    if (ModalLoop) {
        Application->EndModal(this);
        ModalLoop->quit();
    } else {
        Application->ActivityLeaves(this);
    }
}

void TForm::SetVisible(bool visible) {
    if (visible)
        Show();
    else
        Hide();
}

void TForm::SetActiveControl(QWidget* control) {
    FirstFocus = control;
    if (isVisible() && control) control->setFocus();
}

void TForm::Created() {
    TApplication::Guarded([&] {
        if (OnCreate) OnCreate();
    });
}

void TForm::Destroyed() {
    if (DestroyRan) return;
    DestroyRan = true;
    TApplication::Guarded([&] {
        if (OnDestroy) OnDestroy();
    });
}

void TForm::DoActivate() {
    TApplication::Guarded([&] {
        if (OnActivate) OnActivate();
    });
}

void TForm::DoDeactivate() {
    TApplication::Guarded([&] {
        if (OnDeactivate) OnDeactivate();
    });
}

void TForm::closeEvent(QCloseEvent* event) {
    // The title-bar button: the close handler runs, then the window hides.
    event->ignore();
    Close();
}

bool TForm::HasCancelButton() const {
    return CancelButton && CancelButton->isVisible() && CancelButton->isEnabled();
}

void TForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && HasCancelButton()) {
        CancelButton->Click();
        return;
    }
    // A modal window without a cancel button closes on Esc, as dialogs do,
    // so that a picture that closes on a click closes from the keyboard too.
    if (event->key() == Qt::Key_Escape && ModalLoop) {
        Close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TForm::event(QEvent* event) {
    // The window system's own activation (the player clicked another window
    // of the program) moves activity too; a return from another
    // application finds the same window active and changes nothing.
    if (event->type() == QEvent::WindowActivate && isVisible() && !Application->InModal() &&
        Application->ActiveForm() != this && isEnabled())
        Application->MoveActivity(this);
    return QWidget::event(event);
}
