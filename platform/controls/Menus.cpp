#include "Menus.h"

#include "Application.h"

#include <QResizeEvent>
#include <QStyleFactory>

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

namespace {

// Qt's bar puts the items after a separator at its right end and, when they
// would run into the items before it, moves them onto the next row; the style
// hint asks for that placement.
class TWrappingBarStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_DrawMenuBarSeparator) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

TMainMenu::TMainMenu(QWidget* parent, const QString& name) : QMenuBar(parent) {
    setObjectName(name);
    auto* style = new TWrappingBarStyle(QStyleFactory::create(QApplication::style()->name()));
    style->setParent(this);
    setStyle(style);
}

QMenu* TMainMenu::AddTrailingTopItem(const QString& name, const QString& caption) {
    addSeparator();
    return AddTopItem(name, caption);
}

void TMainMenu::LayOut(int width) {
    // Laid out in a bar tall enough for every row, no item is taken for
    // hidden, and the size hint reaches down to the lowest row.
    const QSize old = size();
    resize(width, 10000);
    QResizeEvent relayout(size(), old);
    QApplication::sendEvent(this, &relayout);
}

bool TMainMenu::EveryItemWithin(int width) const {
    for (QAction* action : actions()) {
        if (action->isSeparator() || !action->isVisible()) continue;
        const QRect item = actionGeometry(action);
        if (item.isEmpty() || item.left() < 0 || item.right() >= width) return false;
    }
    return true;
}

int TMainMenu::RowsHeight(int width) {
    // A font made smaller for an earlier width is given back first.
    if (FontBeforeShrinking && font() == ShrunkFont) setFont(*FontBeforeShrinking);
    FontBeforeShrinking.reset();
    LayOut(width);
    // Where even the items before the trailing one do not fit in a row (a
    // larger desktop font), the bar's font is made smaller rather than a
    // caption hidden or cut.
    while (!EveryItemWithin(width) && font().pointSizeF() > 6) {
        if (!FontBeforeShrinking) FontBeforeShrinking = font();
        QFont smaller = font();
        smaller.setPointSizeF(font().pointSizeF() - 0.5);
        setFont(smaller);
        ShrunkFont = smaller;
        LayOut(width);
    }
    return sizeHint().height();
}

QMenu* TMainMenu::AddTopItem(const QString& name, const QString& caption) {
    QMenu* menu = addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

TMenuItem* TMainMenu::AddItem(QMenu* menu, const QString& name, const QString& caption, int imageIndex,
                              const QIcon& picture) {
    auto* item = new TMenuItem(menu, name, caption);
    QIcon image = picture;
    if (image.isNull() && Images) image = Images->Image(imageIndex);
    if (!image.isNull()) item->setIcon(image);
    menu->addAction(item);
    return item;
}

TMenuItem* TMainMenu::FindItem(const QString& name) const {
    return findChild<TMenuItem*>(name);
}
