#include "TabSetMemo.h"

TTabSet::TTabSet(QWidget* parent, const QString& name, int left, int top, int width, int height)
    : QTabBar(parent) {
    setObjectName(name);
    setGeometry(left, top, width, height);
    setShape(QTabBar::TriangularSouth);
    setDrawBase(false);
    setExpanding(false);
}

void TTabSet::SetTabs(const QStringList& tabs) {
    while (count() > 0) removeTab(0);
    for (const QString& tab : tabs) addTab(tab);
}

TMemo::TMemo(QWidget* parent, const QString& name, int left, int top, int width, int height)
    : QPlainTextEdit(parent) {
    setObjectName(name);
    setGeometry(left, top, width, height);
    setReadOnly(true);
    // Nothing is typed into the memo: Tab moves on to the next control.
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void TMemo::SetLines(const QStringList& lines) {
    setPlainText(lines.join('\n'));
}

QStringList TMemo::Lines() const {
    return toPlainText().split('\n');
}
