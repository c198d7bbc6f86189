#pragma once
// The tab set (a row of tabs, one selected) and the read-only memo.

#include <QPlainTextEdit>
#include <QTabBar>
#include <functional>

class TTabSet : public QTabBar {
public:
    TTabSet(QWidget* parent, const QString& name, int left, int top, int width, int height);
    void SetTabs(const QStringList& tabs);
    int TabIndex() const { return currentIndex(); }
    void SetTabIndex(int index) { setCurrentIndex(index); }
    QString TabText(int index) const { return tabText(index); }
};

class TMemo : public QPlainTextEdit {
public:
    TMemo(QWidget* parent, const QString& name, int left, int top, int width, int height);
    void SetLines(const QStringList& lines);
    QStringList Lines() const;
};
