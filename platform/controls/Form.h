#pragma once
// A window of the program. It is created once and then only shown and
// hidden. Its events (create, show, activate, deactivate, close, destroy)
// follow the classic desktop rules, kept by the form layer itself so that
// they are the same on every platform, the offscreen one included.

#include "Geometry.h"

#include <QWidget>
#include <functional>

class QMenuBar;
class QScreen;
class QEventLoop;
class TBitBtn;

enum class TFormPosition { Designed, ScreenCenter, MainFormCenter };
enum class TFormBorder { Single, Sizeable, Dialog };

class TForm : public QWidget {
public:
    // className names the window class, and is its objectName.
    explicit TForm(const QString& className);
    ~TForm() override;

    // Event handlers; each runs guarded, so an error shows in the error box.
    std::function<void()> OnCreate, OnShow, OnActivate, OnDeactivate, OnClose, OnDestroy;
    // After the window changed its size (enlarged or maximised); the client
    // area already has its new size.
    std::function<void()> OnResize;

    // The area controls are placed in, below the menu bar if there is one.
    QWidget* Client() const { return ClientArea; }
    void SetClientSize(int width, int height);
    int ClientWidth() const;
    int ClientHeight() const;
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    QString Caption() const { return windowTitle(); }
    void SetPosition(TFormPosition position) { Position = position; }
    // A single border with a maximise box keeps its designed size as the
    // least, and may be maximised.
    void SetBorder(TFormBorder border, bool minimizeBox, bool maximizeBox = false);
    void SetMenuBar(QMenuBar* menuBar);
    // The window opens maximized.
    void SetMaximized(bool maximized) { OpensMaximized = maximized; }

    // Moves the window's frame to topLeft, or as near as keeps it wholly on
    // the available area of the screen (of `screen`, else the one there).
    void MoveWithinScreen(QPoint topLeft, QScreen* screen = nullptr);

    // Shows the window, not modal, and makes it the active window.
    void Show();
    // Shows the window, disables the other windows and returns when it closes.
    // The window is a dialog of the window that was active: the window
    // system keeps it above that one, and it is raised and given the keyboard.
    void ShowModal();
    // Runs the close handler and hides the window; the main window's Close
    // ends the program.
    void Close();
    void Hide();
    bool Visible() const { return isVisible(); }
    void SetVisible(bool visible);

    // The control that receives the keyboard when the window is shown.
    void SetActiveControl(QWidget* control);
    // The button that the Esc key clicks when the focused control does not take Esc.
    void SetCancelButton(TBitBtn* button) { CancelButton = button; }
    bool HasCancelButton() const;

    // Runs after the window's controls exist: the create event.
    void Created();
    // The destroy event; runs once, when the program ends.
    void Destroyed();

    // Called by the application when activity moves.
    void DoActivate();
    void DoDeactivate();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PlaceOnShow();
    void BecomeDialogOf(TForm* opener);
    void ShowWindow();
    void RunClose();

    QWidget* ClientArea;
    QMenuBar* MenuBar = nullptr;
    QWidget* FirstFocus = nullptr;
    TBitBtn* CancelButton = nullptr;
    TFormPosition Position = TFormPosition::Designed;
    QEventLoop* ModalLoop = nullptr;
    bool MainPlaced = false;
    bool OpensMaximized = false;
    bool DestroyRan = false;
    bool Closing = false;
};
