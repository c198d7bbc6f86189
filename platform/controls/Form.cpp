#include "Form.h"

#include "Application.h"
#include "Buttons.h"
#include "Menus.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

#include <algorithm>

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
    int menuHeight = 0;
    if (auto* wrapping = dynamic_cast<TMainMenu*>(MenuBar))
        menuHeight = wrapping->RowsHeight(width);
    else if (MenuBar)
        menuHeight = MenuBar->sizeHint().height();
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

void TForm::SetBorder(TFormBorder border, bool minimizeBox, bool maximizeBox) {
    Qt::WindowFlags flags =
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (minimizeBox) flags |= Qt::WindowMinimizeButtonHint;
    if (border == TFormBorder::Single && maximizeBox) {
        // A window manager offers no maximise button for a window of fixed
        // size, so the designed size is only the least one.
        flags |= Qt::WindowMaximizeButtonHint;
        setMinimumSize(size());
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else if (border == TFormBorder::Sizeable) {
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
    // Placed at every showing, so that a window follows the main window
    // after it moved; the main window itself keeps where the player put it.
    TForm* main = Application->MainForm();
    if (isVisible() || (main == this && MainPlaced)) return;
    if (main == this) MainPlaced = true;
    QRect area;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (Position == TFormPosition::ScreenCenter) {
        if (screen) area = screen->availableGeometry();
    } else if (Position == TFormPosition::MainFormCenter) {
        if (main && main != this) {
            area = main->frameGeometry();
            if (QScreen* mainScreen = QGuiApplication::screenAt(area.center())) screen = mainScreen;
        } else if (screen) {
            area = screen->availableGeometry();
        }
    }
    if (area.isEmpty()) return;
    // A window that exists on the window system knows its frame.
    if (!testAttribute(Qt::WA_WState_Created)) create();
    const QSize frame = frameGeometry().size().expandedTo(size());
    MoveWithinScreen(QPoint(area.left() + (area.width() - frame.width()) / 2,
                            area.top() + (area.height() - frame.height()) / 2),
                     screen);
}

void TForm::MoveWithinScreen(QPoint topLeft, QScreen* screen) {
    if (!screen) screen = QGuiApplication::screenAt(topLeft);
    if (!screen) screen = QGuiApplication::primaryScreen();
    // The frame's size once the window system told it, else the window's.
    const QSize frame = frameGeometry().size().expandedTo(size());
    if (screen) {
        // Wholly on the available area where it fits, never above or left of it.
        const QRect available = screen->availableGeometry();
        topLeft.setX(
            std::max(available.left(), std::min(topLeft.x(), available.right() + 1 - frame.width())));
        topLeft.setY(
            std::max(available.top(), std::min(topLeft.y(), available.bottom() + 1 - frame.height())));
    }
    move(std::max(0, topLeft.x()), std::max(0, topLeft.y()));
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

void TForm::BecomeDialogOf(TForm* opener) {
    // Only a dialog is tied to its opener by the window system (a window
    // manager keeps it above, and without one it is not left behind).
    if (windowType() != Qt::Dialog) setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    if (!testAttribute(Qt::WA_WState_Created)) create();
    windowHandle()->setTransientParent(opener && opener != this ? opener->windowHandle() : nullptr);
}

void TForm::ShowModal() {
    BecomeDialogOf(Application->ActiveForm());
    PlaceOnShow();
    setWindowModality(Qt::ApplicationModal);
    ShowWindow();
    // Shown again, it would otherwise stay where it was in the stack of
    // windows, behind its opener.
    raise();
    activateWindow();
    if (FirstFocus) FirstFocus->setFocus();
    TApplication::Guarded([&] {
        if (OnShow) OnShow();
    });
    // The other windows are disabled while this one is up. Disabling takes
    // the keyboard from a window's focused control: each gets it back after.
    std::vector<std::pair<TForm*, QPointer<QWidget>>> disabled;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* form = dynamic_cast<TForm*>(widget);
            form && form != this && form->isVisible() && form->isEnabled()) {
            disabled.emplace_back(form, form->focusWidget());
            form->setEnabled(false);
        }
    Application->BeginModal(this);
    if (isVisible()) {
        QEventLoop loop;
        ModalLoop = &loop;
        loop.exec();
        ModalLoop = nullptr;
    }
    for (auto& [form, focused] : disabled) {
        form->setEnabled(true);
        if (focused && focused->isVisible() && focused->isEnabled()) focused->setFocus();
    }
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

void TForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int menuHeight = MenuBar ? MenuBar->height() : 0;
    if (MenuBar) MenuBar->resize(width(), menuHeight);
    ClientArea->setGeometry(0, menuHeight, width(), height() - menuHeight);
    TApplication::Guarded([&] {
        if (OnResize) OnResize();
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
