#include "Menus.h"

#include "Application.h"

TMenuItem::TMenuItem(QObject* parent, const QString& name, const QString& caption)
    : QAction(caption, parent) {
    setObjectName(name);
    connect(this, &QAction::triggered, this, [this] { Click(); });
}

void TMenuItem::Click() {
    TApplication::Guarded([&] {
        if (OnClick) OnClick();
    });
}

TMainMenu::TMainMenu(QWidget* parent, const QString& name) : QMenuBar(parent) {
    setObjectName(name);
}

QMenu* TMainMenu::AddTopItem(const QString& name, const QString& caption) {
    QMenu* menu = addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

TMenuItem* TMainMenu::AddItem(QMenu* menu, const QString& name, const QString& caption, int imageIndex,
                              const QImage& picture) {
    auto* item = new TMenuItem(menu, name, caption);
    QImage image = picture;
    if (image.isNull() && Images) image = Images->Image(imageIndex);
    if (!image.isNull()) item->setIcon(QIcon(QPixmap::fromImage(image)));
    menu->addAction(item);
    return item;
}

TMenuItem* TMainMenu::FindItem(const QString& name) const {
    return findChild<TMenuItem*>(name);
}
