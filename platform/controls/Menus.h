#pragma once
// The main menu with its items and the image list that gives items their pictures.

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QMenuBar>
#include <QProxyStyle>
#include <functional>
#include <optional>
#include <vector>

class TImageList {
public:
    void Add(const QIcon& image) { Images.push_back(image); }
    int Count() const { return static_cast<int>(Images.size()); }
    QIcon Image(int index) const { return index >= 0 && index < Count() ? Images[index] : QIcon(); }

private:
    std::vector<QIcon> Images;
};

class TMenuItem : public QAction {
public:
    TMenuItem(QObject* parent, const QString& name, const QString& caption);
    std::function<void()> OnClick;
    // A click as if the player chose the item; runs OnClick guarded.
    void Click();
};

// The menu bar of a window. Like the classic desktop's bar it never hides a
// top-level item behind an extension button: a trailing item (the Help menu)
// stands at the right end of the bar, and when the items do not fit in one
// row it moves down onto a second row of the bar.
class TMainMenu : public QMenuBar {
public:
    TMainMenu(QWidget* parent, const QString& name);
    TImageList* Images = nullptr;
    QMenu* AddTopItem(const QString& name, const QString& caption);
    // A top-level item at the right end, wrapped onto a row of its own when
    // the bar is too narrow for it.
    QMenu* AddTrailingTopItem(const QString& name, const QString& caption);
    // The height the bar needs at this width, every row included. Should the
    // items still not fit, the bar's font is made smaller until they do.
    int RowsHeight(int width);
    TMenuItem* AddItem(QMenu* menu, const QString& name, const QString& caption, int imageIndex = -1,
                       const QIcon& picture = {});
    TMenuItem* FindItem(const QString& name) const;

private:
    void LayOut(int width);
    bool EveryItemWithin(int width) const;
    std::optional<QFont> FontBeforeShrinking;
    QFont ShrunkFont;
};
