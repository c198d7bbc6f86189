#include "ListBox.h"

#include "Exceptions.h"
#include "Stream.h"

#include <QByteArray>

QStringList SplitLines(const QByteArray& bytes) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n') continue;
        lines << QString::fromUtf8(bytes.mid(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines << QString::fromUtf8(bytes.mid(start));
    return lines;
}

TListBox::TListBox(QWidget* parent, const QString& name, int left, int top, int width, int height)
    : QListWidget(parent) {
    setObjectName(name);
    setGeometry(left, top, width, height);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QString TListBox::Item(int row) const {
    const QListWidgetItem* it = item(row);
    return it ? it->text() : QString();
}

QStringList TListBox::Items() const {
    QStringList rows;
    for (int i = 0; i < count(); ++i) rows << item(i)->text();
    return rows;
}

void TListBox::SetItem(int row, const QString& text) {
    if (QListWidgetItem* it = item(row)) it->setText(text);
}

void TListBox::Add(const QString& text) {
    // Given its height before it joins the list, the row is laid out once.
    auto* row = new QListWidgetItem(text);
    if (RowHeight > 0) row->setSizeHint(QSize(0, RowHeight));
    addItem(row);
}

void TListBox::SetItems(const QStringList& rows) {
    clear();
    for (const QString& row : rows) Add(row);
}

int TListBox::ItemIndex() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.front());
}

void TListBox::SetItemIndex(int row) {
    if (row < 0 || row >= count()) {
        clearSelection();
        setCurrentRow(-1);
        return;
    }
    setCurrentRow(row);
    item(row)->setSelected(true);
}

void TListBox::SetRowHeight(int pixels) {
    RowHeight = pixels;
    for (int i = 0; i < count(); ++i) item(i)->setSizeHint(QSize(0, pixels));
}

void TListBox::LoadFromFile(const std::string& fileName) {
    TMemoryStream memory;
    memory.LoadFromFile(fileName);
    const auto& bytes = memory.Memory();
    SetItems(SplitLines(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))));
}

void TListBox::SaveToFile(const std::string& fileName) const {
    QByteArray bytes;
    for (int i = 0; i < count(); ++i) bytes += item(i)->text().toUtf8() + "\r\n";
    TFileStream file(fileName, TFileMode::Create);
    file.Write(bytes.constData(), bytes.size());
    file.Close();
}
